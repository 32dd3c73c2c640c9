#pragma once
// The program's main window on GTK: an undecorated top-level window, hidden
// and without a size until it is placed. The user cannot close it; only
// destroy() (the page's "close", the tray's "退出", teardown) ends it.

#include <functional>
#include <memory>
#include <string>

#include "webview/glib_ptr_gtk.h"
#include "webview/gtk_window_host.h"
#include "webview/main_window.h"

typedef struct _GtkMenu GtkMenu;
typedef struct _GtkWidget GtkWidget;
typedef union _GdkEvent GdkEvent;
typedef struct _GdkEventWindowState GdkEventWindowState;

namespace orvane {

class GtkTrayIcon;

class GtkMainWindow final : public MainWindow, public GtkWindowHost {
 public:
  GtkMainWindow();
  // Destroys the window if that has not happened, without running the
  // destroy handler: teardown belongs to destroy(), not to the object's end.
  ~GtkMainWindow() override;
  GtkMainWindow(const GtkMainWindow&) = delete;
  GtkMainWindow& operator=(const GtkMainWindow&) = delete;

  void setCaption(const std::string& caption) override;
  std::string caption() const override { return caption_; }
  WindowRect outerRect() const override;
  // The Win32 show codes mapped to GTK: 0 hides; 1, 9, 10 restore and show;
  // 2, 6, 7, 11 minimize; 3 maximizes; 4, 8 show without taking the focus;
  // 5 shows. Other codes do nothing.
  void show(int showCode) override;
  void placeOn(const WindowRect& rect) override;
  void destroy() override;
  bool isDestroyed() const override { return destroyed_; }
  void setDestroyHandler(std::function<void()> handler) override;
  void addTrayIcon(const std::string& tooltip, std::function<void(TrayItem)> onItem) override;
  // The picture of the window and of a tray icon added later: a PNG file.
  void setIconFile(const std::string& path);
  void removeTrayIcon() override;

  GtkWindow* gtkWindow() const override;
  // The tray's menu, so a test can play the user's choice; null without a
  // tray icon.
  GtkMenu* trayMenu() const;

 private:
  static gboolean onDeleteEvent(GtkWidget* widget, GdkEvent* event, gpointer self);
  static void onDestroySignal(GtkWidget* widget, gpointer self);
  static gboolean onWindowState(GtkWidget* widget, GdkEventWindowState* event, gpointer self);
  void runDestroyHandlerOnce();
  void showWithoutFocus();

  GObjectPtr<GtkWidget> window_;
  SignalConnection deleteConnection_;
  SignalConnection destroyConnection_;
  SignalConnection stateConnection_;
  std::string caption_;
  std::string iconFile_;
  // Where placeOn put the window, for as long as it has not been on the
  // screen.
  WindowRect placed_;
  unsigned state_ = 0;  // GdkWindowState as the window manager last told
  bool destroyed_ = false;
  bool handlerRan_ = false;
  std::function<void()> onDestroy_;
  std::unique_ptr<GtkTrayIcon> tray_;
};

}  // namespace orvane
