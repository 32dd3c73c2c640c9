#pragma once
// The monitors of the default GDK display: each GdkMonitor's full geometry
// (not its work area) in the order GDK lists them. Monitors added, removed or
// changed in size or place are reported once per burst of changes, from an
// idle callback on the UI thread.

#include <functional>
#include <memory>
#include <vector>

#include "display/monitor_source.h"
#include "webview/glib_ptr_gtk.h"

typedef struct _GdkDisplay GdkDisplay;
typedef struct _GdkMonitor GdkMonitor;
typedef struct _GdkScreen GdkScreen;

namespace orvane {

class GtkMonitorSource final : public MonitorSource {
 public:
  // Uses the default display as it is now (GTK must be initialised); with
  // none, there are no monitors and no changes.
  GtkMonitorSource();
  ~GtkMonitorSource() override;
  GtkMonitorSource(const GtkMonitorSource&) = delete;
  GtkMonitorSource& operator=(const GtkMonitorSource&) = delete;

  std::vector<MonitorRect> monitors() const override;
  void setChangedHandler(std::function<void()> handler) override;

 private:
  static void onMonitorAdded(GdkDisplay* display, GdkMonitor* monitor, gpointer self);
  static void onMonitorRemoved(GdkDisplay* display, GdkMonitor* monitor, gpointer self);
  static void onMonitorsChanged(GdkScreen* screen, gpointer self);
  static gboolean reportChange(gpointer self);
  void scheduleReport();

  GObjectPtr<GdkDisplay> display_;
  SignalConnection addedConnection_;
  SignalConnection removedConnection_;
  SignalConnection screenConnection_;
  guint pendingReport_ = 0;
  std::function<void()> changed_;
};

}  // namespace orvane
