#pragma once
// The tray icon of the GTK client: an Ayatana AppIndicator with the menu
// "设置", "更新", "退出". Without a tray host (no session bus, no status
// notifier) the indicator simply shows nowhere; that is not an error.

#include <functional>
#include <memory>
#include <string>

#include "webview/glib_ptr_gtk.h"
#include "webview/main_window.h"

typedef struct _AppIndicator AppIndicator;
typedef struct _GtkMenu GtkMenu;
typedef struct _GtkWidget GtkWidget;

namespace orvane {

class GtkTrayIcon {
 public:
  // A chosen item is handed to `onItem` from the main loop, after the menu
  // has finished its own handling, so the handler may remove the icon.
  // `iconFile` is the picture (a PNG); empty for the desktop's games icon.
  GtkTrayIcon(const std::string& tooltip, std::function<void(TrayItem)> onItem,
              const std::string& iconFile = {});
  ~GtkTrayIcon();
  GtkTrayIcon(const GtkTrayIcon&) = delete;
  GtkTrayIcon& operator=(const GtkTrayIcon&) = delete;

  GtkMenu* menu() const;

 private:
  struct Handler {
    std::function<void(TrayItem)> onItem;
  };
  static void onActivate(GtkWidget* item, gpointer data);

  std::shared_ptr<Handler> handler_;
  GObjectPtr<GtkWidget> menu_;
  GObjectPtr<AppIndicator> indicator_;
};

}  // namespace orvane
