#include "app/main_window_gtk.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

// Xlib's macros (None, Bool, ...) must come after GoogleTest's headers.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <string>
#include <vector>

#include "support/gtk_desktop/gtk_desktop.h"
#include "support/gtk_desktop/main_loop.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;
using testing::runLoopFor;
using testing::runLoopUntil;

class MainWindowGtk : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(testing::setUpGtkDesktop({}, &error)) << error;
  }

  static bool viewable(GtkMainWindow& window) {
    GtkWindow* gtk = window.gtkWindow();
    GdkWindow* gdk = gtk != nullptr ? gtk_widget_get_window(GTK_WIDGET(gtk)) : nullptr;
    return gdk != nullptr && gdk_window_is_viewable(gdk);
  }
  static GdkWindowState state(GtkMainWindow& window) {
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window.gtkWindow()));
    return gdk != nullptr ? gdk_window_get_state(gdk) : GdkWindowState(0);
  }
};

TEST_F(MainWindowGtk, StaysHiddenAndSizelessUntilPlacedThenSitsOnTheRectangle) {
  GtkMainWindow window;
  window.setCaption("排行榜");
  EXPECT_EQ(window.caption(), "排行榜");
  EXPECT_STREQ(gtk_window_get_title(window.gtkWindow()), "排行榜");
  EXPECT_FALSE(gtk_window_get_decorated(window.gtkWindow()));

  runLoopFor(100ms);
  EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(window.gtkWindow())));
  EXPECT_EQ(window.outerRect(), WindowRect{});

  const WindowRect first{100, 80, 640, 480};
  window.placeOn(first);
  EXPECT_TRUE(runLoopUntil([&] { return viewable(window) && window.outerRect() == first; }))
      << window.outerRect().left << "," << window.outerRect().top << " " << window.outerRect().width
      << "x" << window.outerRect().height;

  // Placed again (the picker's second choice): moves and resizes.
  const WindowRect second{300, 200, 400, 300};
  window.placeOn(second);
  EXPECT_TRUE(runLoopUntil([&] { return window.outerRect() == second; }))
      << window.outerRect().left << "," << window.outerRect().top << " " << window.outerRect().width
      << "x" << window.outerRect().height;
}

// The counting runs before any handler, so it sees a delete event even when a
// handler stops it.
gboolean countEmission(GSignalInvocationHint*, guint, const GValue*, gpointer count) {
  ++*static_cast<int*>(count);
  return TRUE;
}

TEST_F(MainWindowGtk, AUsersCloseRequestIsRefused) {
  GtkMainWindow window;
  int handlerRuns = 0;
  window.setDestroyHandler([&] { ++handlerRuns; });
  window.placeOn({50, 50, 320, 240});
  ASSERT_TRUE(runLoopUntil([&] { return viewable(window); }));

  int deleteEvents = 0;
  const guint signalId = g_signal_lookup("delete-event", GTK_TYPE_WIDGET);
  const gulong hook =
      g_signal_add_emission_hook(signalId, 0, countEmission, &deleteEvents, nullptr);

  // What a window manager sends when the user clicks the close button.
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window.gtkWindow()));
  Display* x = gdk_x11_display_get_xdisplay(gdk_window_get_display(gdk));
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = gdk_x11_window_get_xid(gdk);
  event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(x, event.xclient.window, False, NoEventMask, &event);
  XFlush(x);

  EXPECT_TRUE(runLoopUntil([&] { return deleteEvents > 0; }));
  g_signal_remove_emission_hook(signalId, hook);
  runLoopFor(200ms);
  EXPECT_FALSE(window.isDestroyed());
  EXPECT_NE(window.gtkWindow(), nullptr);
  EXPECT_TRUE(viewable(window));
  EXPECT_EQ(handlerRuns, 0);
}

TEST_F(MainWindowGtk, DestroyRunsTheHandlerOnceWhileTheWindowIsStillThere) {
  GtkMainWindow window;
  window.placeOn({50, 50, 320, 240});
  GtkWindow* gtk = window.gtkWindow();
  g_object_add_weak_pointer(G_OBJECT(gtk), reinterpret_cast<gpointer*>(&gtk));
  std::vector<bool> windowDuringHandler;
  window.setDestroyHandler([&] {
    windowDuringHandler.push_back(window.gtkWindow() != nullptr);
    window.destroy();  // teardown asking again changes nothing
  });

  window.destroy();
  window.destroy();
  EXPECT_EQ(windowDuringHandler, std::vector<bool>{true});
  EXPECT_TRUE(window.isDestroyed());
  EXPECT_EQ(window.gtkWindow(), nullptr);
  EXPECT_TRUE(runLoopUntil([&] { return gtk == nullptr; })) << "the GtkWindow was not freed";
  // Whatever arrives afterwards is a no-op.
  window.show(kShowNormal);
  window.placeOn({0, 0, 100, 100});
  EXPECT_EQ(window.outerRect(), WindowRect{});
}

TEST_F(MainWindowGtk, AWindowGtkDestroysOnItsOwnRunsTheHandlerOnce) {
  GtkMainWindow window;
  int handlerRuns = 0;
  window.setDestroyHandler([&] { ++handlerRuns; });
  gtk_widget_destroy(GTK_WIDGET(window.gtkWindow()));
  EXPECT_EQ(handlerRuns, 1);
  EXPECT_TRUE(window.isDestroyed());
  EXPECT_EQ(window.gtkWindow(), nullptr);
  window.destroy();
  EXPECT_EQ(handlerRuns, 1);
}

TEST_F(MainWindowGtk, TheTrayMenuHandsTheChosenItemOver) {
  GtkMainWindow window;
  std::vector<TrayItem> chosen;
  window.addTrayIcon("排行榜", [&](TrayItem item) {
    chosen.push_back(item);
    // "退出" ends the program from inside the menu's handling.
    if (item == TrayItem::Exit) window.destroy();
  });
  ASSERT_NE(window.trayMenu(), nullptr);

  GList* children = gtk_container_get_children(GTK_CONTAINER(window.trayMenu()));
  std::vector<GtkMenuItem*> items;
  std::vector<std::string> labels;
  for (GList* it = children; it != nullptr; it = it->next) {
    items.push_back(GTK_MENU_ITEM(it->data));
    labels.emplace_back(gtk_menu_item_get_label(GTK_MENU_ITEM(it->data)));
  }
  g_list_free(children);
  ASSERT_EQ(labels, (std::vector<std::string>{"设置", "更新", "退出"}));

  for (GtkMenuItem* item : items) g_object_ref(item);
  for (GtkMenuItem* item : items) gtk_menu_item_activate(item);
  EXPECT_TRUE(runLoopUntil([&] { return chosen.size() == 3; }));
  EXPECT_EQ(chosen, (std::vector<TrayItem>{TrayItem::Settings, TrayItem::Update, TrayItem::Exit}));
  EXPECT_TRUE(window.isDestroyed());
  EXPECT_EQ(window.trayMenu(), nullptr);

  // A choice made after the icon is gone reaches nobody.
  gtk_menu_item_activate(items[0]);
  runLoopFor(100ms);
  EXPECT_EQ(chosen.size(), 3u);
  for (GtkMenuItem* item : items) g_object_unref(item);
}

TEST_F(MainWindowGtk, RemovingTheTrayIconTakesTheMenuAway) {
  GtkMainWindow window;
  window.addTrayIcon("排行榜", [](TrayItem) {});
  ASSERT_NE(window.trayMenu(), nullptr);
  window.removeTrayIcon();
  EXPECT_EQ(window.trayMenu(), nullptr);
  window.removeTrayIcon();
}

struct ShowStep {
  int code;
  bool visible;
  bool maximized;
  bool minimized;
};

TEST_F(MainWindowGtk, ShowCodesMapToTheirGtkCounterparts) {
  GtkMainWindow window;
  window.placeOn({100, 100, 400, 300});
  ASSERT_TRUE(runLoopUntil([&] { return viewable(window); }));

  const ShowStep steps[] = {
      {kShowMaximized, true, true, false},    // 3
      {kShowNormal, true, false, false},      // 1
      {kShowMinimized, true, false, true},    // 2
      {kShowRestore, true, false, false},     // 9
      {kShowMinimize, true, false, true},     // 6
      {kShowDefault, true, false, false},     // 10
      {kShowHide, false, false, false},       // 0
      {kShowShow, true, false, false},        // 5
      {kShowMinNoActive, true, false, true},  // 7
      {kShowRestore, true, false, false},     // 9
      {kShowHide, false, false, false},       // 0
      {kShowNa, true, false, false},          // 8
      {kShowHide, false, false, false},       // 0
      {kShowNoActivate, true, false, false},  // 4
  };
  for (const ShowStep& step : steps) {
    window.show(step.code);
    const bool reached = runLoopUntil([&] {
      const GdkWindowState s = state(window);
      const bool mapped = gtk_widget_get_visible(GTK_WIDGET(window.gtkWindow()));
      if (mapped != step.visible) return false;
      if (!step.visible) return !viewable(window);
      return ((s & GDK_WINDOW_STATE_MAXIMIZED) != 0) == step.maximized &&
             ((s & GDK_WINDOW_STATE_ICONIFIED) != 0) == step.minimized;
    });
    EXPECT_TRUE(reached) << "show code " << step.code << ", state " << state(window);
  }
}

TEST_F(MainWindowGtk, ShowingWithoutActivationLeavesTheFocusWhereItIs) {
  GtkWidget* other = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_move(GTK_WINDOW(other), 600, 400);
  gtk_window_resize(GTK_WINDOW(other), 200, 150);
  gtk_widget_show(other);
  gtk_window_present(GTK_WINDOW(other));
  ASSERT_TRUE(runLoopUntil([&] { return gtk_window_is_active(GTK_WINDOW(other)); }));

  for (int code : {kShowNoActivate, kShowNa}) {
    GtkMainWindow window;
    window.show(code);
    ASSERT_TRUE(runLoopUntil([&] { return viewable(window); })) << code;
    runLoopFor(200ms);
    EXPECT_TRUE(gtk_window_is_active(GTK_WINDOW(other))) << code;
    EXPECT_FALSE(gtk_window_is_active(window.gtkWindow())) << code;
  }

  // Code 1 activates.
  GtkMainWindow window;
  window.show(kShowNormal);
  EXPECT_TRUE(runLoopUntil([&] { return gtk_window_is_active(window.gtkWindow()); }));
  gtk_widget_destroy(other);
}

}  // namespace
}  // namespace orvane
