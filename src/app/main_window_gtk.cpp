#include "app/main_window_gtk.h"

#include <gtk/gtk.h>

#include "app/tray_icon_gtk.h"

#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

namespace orvane {

namespace {

bool onWayland() {
#ifdef GDK_WINDOWING_WAYLAND
  GdkDisplay* display = gdk_display_get_default();
  return display != nullptr && GDK_IS_WAYLAND_DISPLAY(display);
#else
  return false;
#endif
}

// Index of the monitor that holds the middle of the rectangle, as GdkScreen
// counts them.
int monitorIndexAt(const WindowRect& rect) {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return 0;
  GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, rect.left + rect.width / 2,
                                                         rect.top + rect.height / 2);
  const int count = gdk_display_get_n_monitors(display);
  for (int i = 0; i < count; ++i) {
    if (gdk_display_get_monitor(display, i) == monitor) return i;
  }
  return 0;
}

}  // namespace

GtkMainWindow::GtkMainWindow() {
  window_ = GObjectPtr<GtkWidget>::retain(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  GtkWindow* window = GTK_WINDOW(window_.get());
  gtk_window_set_decorated(window, FALSE);
  deleteConnection_ = connectSignal(window, "delete-event", onDeleteEvent, this);
  destroyConnection_ = connectSignal(window, "destroy", onDestroySignal, this);
  stateConnection_ = connectSignal(window, "window-state-event", onWindowState, this);
}

GtkMainWindow::~GtkMainWindow() {
  onDestroy_ = nullptr;
  handlerRan_ = true;
  destroy();
}

gboolean GtkMainWindow::onDeleteEvent(GtkWidget*, GdkEvent*, gpointer) {
  // The screen is unattended: a close request from the user or the window
  // manager is refused.
  return TRUE;
}

void GtkMainWindow::onDestroySignal(GtkWidget*, gpointer data) {
  // Reached through destroy() or when GTK destroys the window on its own.
  auto* self = static_cast<GtkMainWindow*>(data);
  self->destroyed_ = true;
  self->runDestroyHandlerOnce();
  self->tray_.reset();
  // GTK keeps the widget alive until the signal is over.
  self->window_.reset();
}

gboolean GtkMainWindow::onWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  static_cast<GtkMainWindow*>(data)->state_ = event->new_window_state;
  return FALSE;
}

void GtkMainWindow::runDestroyHandlerOnce() {
  if (handlerRan_) return;
  handlerRan_ = true;
  auto handler = std::move(onDestroy_);
  onDestroy_ = nullptr;
  if (handler) handler();
}

void GtkMainWindow::setCaption(const std::string& caption) {
  caption_ = caption;
  if (GtkWindow* window = gtkWindow()) gtk_window_set_title(window, caption.c_str());
}

WindowRect GtkMainWindow::outerRect() const {
  if (!window_) return {};
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window_.get()));
  if (gdk == nullptr) return placed_;
  // The window is undecorated: its client rectangle is its outer rectangle.
  // The position is asked of the window system; the size is the one GDK
  // keeps from its configure events. (The frame GDK reports under a window
  // manager is passing nonsense while the manager is framing the window.)
  int x = 0;
  int y = 0;
  gdk_window_get_origin(gdk, &x, &y);
  return {x, y, gdk_window_get_width(gdk), gdk_window_get_height(gdk)};
}

void GtkMainWindow::showWithoutFocus() {
  GtkWindow* window = gtkWindow();
  // Read when the window is mapped; put back at once for later showings.
  const gboolean focusOnMap = gtk_window_get_focus_on_map(window);
  gtk_window_set_focus_on_map(window, FALSE);
  gtk_widget_show(GTK_WIDGET(window));
  gtk_window_set_focus_on_map(window, focusOnMap);
}

void GtkMainWindow::show(int showCode) {
  GtkWindow* window = gtkWindow();
  if (window == nullptr) return;
  GtkWidget* widget = GTK_WIDGET(window);
  switch (showCode) {
    case kShowHide:
      gtk_widget_hide(widget);
      break;
    case kShowNormal:
    case kShowRestore:
    case kShowDefault:
      gtk_window_unmaximize(window);
      gtk_window_deiconify(window);
      gtk_widget_show(widget);
      gtk_window_present(window);
      break;
    case kShowMinimized:
    case kShowMinimize:
    case kShowMinNoActive:
    case 11:  // SW_FORCEMINIMIZE
      // Before mapping this makes the window appear minimized.
      gtk_window_iconify(window);
      if (!gtk_widget_get_visible(widget)) showWithoutFocus();
      break;
    case kShowMaximized:
      gtk_window_maximize(window);
      gtk_window_deiconify(window);
      gtk_widget_show(widget);
      gtk_window_present(window);
      break;
    case kShowNoActivate:
    case kShowNa:
      showWithoutFocus();
      break;
    case kShowShow:
      gtk_widget_show(widget);
      // Activates it in its present state: a minimized window stays so.
      if ((state_ & GDK_WINDOW_STATE_ICONIFIED) == 0) gtk_window_present(window);
      break;
    default:
      break;
  }
}

void GtkMainWindow::placeOn(const WindowRect& rect) {
  GtkWindow* window = gtkWindow();
  if (window == nullptr) return;
  placed_ = rect;
  if (onWayland()) {
    // A Wayland client cannot place itself; it can ask for a monitor.
    gtk_window_fullscreen_on_monitor(window, gtk_window_get_screen(window), monitorIndexAt(rect));
  } else {
    if ((state_ & GDK_WINDOW_STATE_MAXIMIZED) != 0) gtk_window_unmaximize(window);
    if ((state_ & GDK_WINDOW_STATE_FULLSCREEN) != 0) gtk_window_unfullscreen(window);
    gtk_window_move(window, rect.left, rect.top);
    gtk_window_resize(window, rect.width > 0 ? rect.width : 1, rect.height > 0 ? rect.height : 1);
  }
  gtk_window_deiconify(window);
  gtk_widget_show(GTK_WIDGET(window));
  gtk_window_present(window);
}

void GtkMainWindow::destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  runDestroyHandlerOnce();
  tray_.reset();
  if (window_) {
    GObjectPtr<GtkWidget> window = std::move(window_);
    gtk_widget_destroy(window.get());
  }
}

void GtkMainWindow::setDestroyHandler(std::function<void()> handler) {
  onDestroy_ = std::move(handler);
}

void GtkMainWindow::addTrayIcon(const std::string& tooltip, std::function<void(TrayItem)> onItem) {
  if (destroyed_) return;
  tray_.reset();
  tray_ = std::make_unique<GtkTrayIcon>(tooltip, std::move(onItem), iconFile_);
}

void GtkMainWindow::setIconFile(const std::string& path) {
  iconFile_ = path;
  // A missing or unreadable file leaves the window without a picture.
  if (GtkWindow* window = gtkWindow()) gtk_window_set_icon_from_file(window, path.c_str(), nullptr);
}

void GtkMainWindow::removeTrayIcon() { tray_.reset(); }

GtkWindow* GtkMainWindow::gtkWindow() const {
  // Still there while the destroy handler runs.
  return window_ ? GTK_WINDOW(window_.get()) : nullptr;
}

GtkMenu* GtkMainWindow::trayMenu() const { return tray_ ? tray_->menu() : nullptr; }

}  // namespace orvane
