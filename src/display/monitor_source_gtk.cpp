#include "display/monitor_source_gtk.h"

#include <gtk/gtk.h>

namespace orvane {

GtkMonitorSource::GtkMonitorSource() {
  display_ = GObjectPtr<GdkDisplay>::retain(gdk_display_get_default());
  if (!display_) return;
  addedConnection_ = connectSignal(display_.get(), "monitor-added", onMonitorAdded, this);
  removedConnection_ = connectSignal(display_.get(), "monitor-removed", onMonitorRemoved, this);
  // A monitor that changes size or place stays the same GdkMonitor; the
  // screen reports every change of the layout.
  screenConnection_ = connectSignal(gdk_display_get_default_screen(display_.get()),
                                    "monitors-changed", onMonitorsChanged, this);
}

GtkMonitorSource::~GtkMonitorSource() {
  if (pendingReport_ != 0) g_source_remove(pendingReport_);
}

std::vector<MonitorRect> GtkMonitorSource::monitors() const {
  std::vector<MonitorRect> list;
  if (!display_) return list;
  const int count = gdk_display_get_n_monitors(display_.get());
  for (int i = 0; i < count; ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(display_.get(), i);
    if (monitor == nullptr) continue;
    GdkRectangle area{};
    gdk_monitor_get_geometry(monitor, &area);
    list.push_back({area.x, area.y, area.x + area.width, area.y + area.height});
  }
  return list;
}

void GtkMonitorSource::setChangedHandler(std::function<void()> handler) {
  changed_ = std::move(handler);
}

void GtkMonitorSource::onMonitorAdded(GdkDisplay*, GdkMonitor*, gpointer self) {
  static_cast<GtkMonitorSource*>(self)->scheduleReport();
}

void GtkMonitorSource::onMonitorRemoved(GdkDisplay*, GdkMonitor*, gpointer self) {
  static_cast<GtkMonitorSource*>(self)->scheduleReport();
}

void GtkMonitorSource::onMonitorsChanged(GdkScreen*, gpointer self) {
  static_cast<GtkMonitorSource*>(self)->scheduleReport();
}

void GtkMonitorSource::scheduleReport() {
  // One change of the layout arrives as several signals; the handler sees
  // the layout once, after GDK has taken all of it in. The source is removed
  // with this object, so it never finds it gone.
  if (pendingReport_ == 0) pendingReport_ = g_idle_add(reportChange, this);
}

gboolean GtkMonitorSource::reportChange(gpointer data) {
  auto* self = static_cast<GtkMonitorSource*>(data);
  self->pendingReport_ = 0;
  // A copy: the handler may replace itself.
  if (std::function<void()> handler = self->changed_) handler();
  return G_SOURCE_REMOVE;
}

}  // namespace orvane
