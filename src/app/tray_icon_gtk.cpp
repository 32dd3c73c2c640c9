#include "app/tray_icon_gtk.h"

#include <gtk/gtk.h>
#include <libayatana-appindicator/app-indicator.h>

#include <string>

namespace orvane {

namespace {

constexpr const char* kIndicatorId = "orvane";
constexpr const char* kIconName = "applications-games";

struct ItemChoice {
  std::weak_ptr<void> handler;
  TrayItem item;
};

}  // namespace

void GtkTrayIcon::onActivate(GtkWidget* item, gpointer data) {
  const auto* choice = static_cast<const ItemChoice*>(data);
  (void)item;
  // Handled from the loop, outside the menu's own signal emission.
  auto* later = new ItemChoice(*choice);
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer pending) -> gboolean {
        const auto* chosen = static_cast<const ItemChoice*>(pending);
        if (auto alive = std::static_pointer_cast<Handler>(chosen->handler.lock())) {
          if (alive->onItem) alive->onItem(chosen->item);
        }
        return G_SOURCE_REMOVE;
      },
      later, [](gpointer pending) { delete static_cast<ItemChoice*>(pending); });
}

GtkTrayIcon::GtkTrayIcon(const std::string& tooltip, std::function<void(TrayItem)> onItem,
                         const std::string& iconFile)
    : handler_(std::make_shared<Handler>(Handler{std::move(onItem)})) {
  menu_ = GObjectPtr<GtkWidget>::adopt(gtk_menu_new());
  const struct {
    const char* label;
    TrayItem item;
  } entries[] = {
      {"设置", TrayItem::Settings}, {"更新", TrayItem::Update}, {"退出", TrayItem::Exit}};
  for (const auto& entry : entries) {
    GtkWidget* item = gtk_menu_item_new_with_label(entry.label);
    g_signal_connect_data(
        item, "activate", G_CALLBACK(onActivate),
        new ItemChoice{std::weak_ptr<void>(handler_), entry.item},
        [](gpointer data, GClosure*) { delete static_cast<ItemChoice*>(data); }, GConnectFlags(0));
    gtk_menu_shell_append(GTK_MENU_SHELL(menu_.get()), item);
  }
  gtk_widget_show_all(menu_.get());

  if (iconFile.empty()) {
    indicator_ = GObjectPtr<AppIndicator>::adopt(
        app_indicator_new(kIndicatorId, kIconName, APP_INDICATOR_CATEGORY_APPLICATION_STATUS));
  } else {
    // The tray host looks the picture up by name in the file's folder.
    GCharPtr folder(g_path_get_dirname(iconFile.c_str()));
    GCharPtr base(g_path_get_basename(iconFile.c_str()));
    std::string name = base.get();
    if (const auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    indicator_ = GObjectPtr<AppIndicator>::adopt(app_indicator_new_with_path(
        kIndicatorId, name.c_str(), APP_INDICATOR_CATEGORY_APPLICATION_STATUS, folder.get()));
  }
  app_indicator_set_title(indicator_.get(), tooltip.c_str());
  app_indicator_set_menu(indicator_.get(), GTK_MENU(menu_.get()));
  app_indicator_set_status(indicator_.get(), APP_INDICATOR_STATUS_ACTIVE);
}

GtkTrayIcon::~GtkTrayIcon() {
  handler_.reset();
  if (indicator_) app_indicator_set_status(indicator_.get(), APP_INDICATOR_STATUS_PASSIVE);
  indicator_.reset();
  if (menu_) gtk_widget_destroy(menu_.get());
  menu_.reset();
}

GtkMenu* GtkTrayIcon::menu() const { return GTK_MENU(menu_.get()); }

}  // namespace orvane
