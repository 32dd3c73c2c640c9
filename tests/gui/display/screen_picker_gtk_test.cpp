// The picker with its GTK form, the GDK monitors and the GTK main window, on
// a desktop of two monitors: the primary one on the right, the other on its
// left, so GDK lists them in another order than the picker does.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/main_window_gtk.h"
#include "config/ini_file.h"
#include "display/monitor_source_gtk.h"
#include "display/screen_picker.h"
#include "display/screen_picker_dialog_gtk.h"
#include "support/gtk_desktop/gtk_desktop.h"
#include "support/gtk_desktop/main_loop.h"
#include "support/temp_directory.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;
using testing::DesktopMonitor;
using testing::runLoopFor;
using testing::runLoopUntil;

const DesktopMonitor kPrimary{1280, 0, 1920, 1080};
const DesktopMonitor kSecondary{0, 0, 1280, 1024};
const MonitorRect kLeftRect{0, 0, 1280, 1024};
const MonitorRect kRightRect{1280, 0, 3200, 1080};
const WindowRect kRightWindow{1280, 0, 1920, 1080};
const WindowRect kLeftWindow{0, 0, 1280, 1024};

class ScreenPickerGtk : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::DesktopOptions options;
    options.monitors = {kPrimary, kSecondary};
    std::string error;
    ASSERT_TRUE(testing::setUpGtkDesktop(options, &error)) << error;
    // Each test starts from both monitors, whatever the one before did.
    ASSERT_TRUE(testing::setDesktopMonitors(options.monitors, &error)) << error;
    ASSERT_TRUE(runLoopUntil([] { return GtkMonitorSource().monitors().size() == 2; }));
    ASSERT_TRUE(writeIniString(configPath, "server", "ip", "127.0.0.1"));
    monitorSource = std::make_unique<GtkMonitorSource>();
    mainWindow = std::make_unique<GtkMainWindow>();
    mainWindow->setCaption("Quenmere-排行榜");

    ScreenPickerParts parts;
    parts.monitors = monitorSource.get();
    parts.mainWindow = mainWindow.get();
    parts.configPath = configPath;
    parts.makeDialog = [this, make = gtkPickerDialogMaker(*mainWindow)] {
      std::unique_ptr<ScreenPickerDialog> dialog = make();
      current = static_cast<GtkScreenPickerDialog*>(dialog.get());
      g_signal_connect(current->gtkWindow(), "map",
                       G_CALLBACK(+[](GtkWidget*, gpointer maps) { ++*static_cast<int*>(maps); }),
                       &dialogMaps);
      return dialog;
    };
    parts.log = [this](std::string_view, std::string_view message) { lines.emplace_back(message); };
    picker = std::make_unique<ScreenPicker>(std::move(parts));
  }

  // Runs `step` from the main loop while the picker's modal run goes on
  // (checked every 50 ms until it returns true); closes the picker when the
  // deadline passes so a broken test fails instead of hanging.
  void runModalWhile(std::function<bool()> step) {
    struct Driver {
      std::function<bool()> step;
      bool done = false;
    } driver{std::move(step)};
    const guint ticker = g_timeout_add(
        50,
        [](gpointer data) -> gboolean {
          auto* d = static_cast<Driver*>(data);
          if (!d->done) d->done = d->step();
          return G_SOURCE_CONTINUE;
        },
        &driver);
    auto* self = this;
    const guint deadline = g_timeout_add_seconds(
        60,
        [](gpointer data) -> gboolean {
          ADD_FAILURE() << "the picker was still open at the deadline";
          static_cast<ScreenPickerGtk*>(data)->picker->close();
          return G_SOURCE_REMOVE;
        },
        self);
    picker->runModal();
    g_source_remove(ticker);
    g_source_remove(deadline);
  }

  bool windowCovers(const WindowRect& rect) {
    GtkWindow* gtk = mainWindow->gtkWindow();
    GdkWindow* gdk = gtk != nullptr ? gtk_widget_get_window(GTK_WIDGET(gtk)) : nullptr;
    return gdk != nullptr && gdk_window_is_viewable(gdk) && mainWindow->outerRect() == rect;
  }

  testing::TempDirectory folder;
  std::string configPath = folder.file("config.ini");
  // Made once GTK runs; the picker goes first.
  std::unique_ptr<GtkMonitorSource> monitorSource;
  std::unique_ptr<GtkMainWindow> mainWindow;
  std::unique_ptr<ScreenPicker> picker;
  GtkScreenPickerDialog* current = nullptr;  // valid while the picker is open
  int dialogMaps = 0;
  std::vector<std::string> lines;
};

std::string text(GtkLabel* label) { return label != nullptr ? gtk_label_get_text(label) : ""; }

std::vector<std::string> comboItems(GtkComboBox* combo) {
  std::vector<std::string> items;
  GtkTreeModel* model = gtk_combo_box_get_model(combo);
  GtkTreeIter iter;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
       more = gtk_tree_model_iter_next(model, &iter)) {
    gchar* item = nullptr;
    gtk_tree_model_get(model, &iter, 0, &item, -1);
    items.emplace_back(item != nullptr ? item : "");
    g_free(item);
  }
  return items;
}

// Number of pixels in the area that differ clearly from its most common
// colour (the background): text drawn there makes many.
int inkPixels(GdkPixbuf* shot, int x, int y, int width, int height) {
  const int channels = gdk_pixbuf_get_n_channels(shot);
  const int stride = gdk_pixbuf_get_rowstride(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  auto at = [&](int px, int py) { return pixels + py * stride + px * channels; };
  const guchar* background = at(x, y);
  int ink = 0;
  for (int py = y; py < y + height && py < gdk_pixbuf_get_height(shot); ++py) {
    for (int px = x; px < x + width && px < gdk_pixbuf_get_width(shot); ++px) {
      const guchar* p = at(px, py);
      const int difference = std::abs(p[0] - background[0]) + std::abs(p[1] - background[1]) +
                             std::abs(p[2] - background[2]);
      if (difference > 96) ++ink;
    }
  }
  return ink;
}

TEST_F(ScreenPickerGtk, MonitorSourceGivesFullGeometriesInGdkOrder) {
  // The primary comes first in GDK's list; the picker sorts by left edge.
  EXPECT_EQ(monitorSource->monitors(), (std::vector<MonitorRect>{kRightRect, kLeftRect}));
}

TEST_F(ScreenPickerGtk, SavedChoicePlacesTheWindowWithoutEverShowingThePicker) {
  ASSERT_TRUE(writeIniString(configPath, "local", "index", "2"));
  picker->runModal();
  EXPECT_EQ(dialogMaps, 0);
  EXPECT_FALSE(picker->isOpen());
  EXPECT_EQ(picker->monitorList(), (std::vector<MonitorRect>{kLeftRect, kRightRect}));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(runLoopUntil([&] { return windowCovers(kRightWindow); }))
      << mainWindow->outerRect().left << "," << mainWindow->outerRect().top << " "
      << mainWindow->outerRect().width << "x" << mainWindow->outerRect().height;
  // GDK agrees, once it has heard where the window went, that it is on the
  // right-hand monitor.
  GdkRectangle area{};
  EXPECT_TRUE(runLoopUntil([&] {
    GdkMonitor* monitor = gdk_display_get_monitor_at_window(
        gdk_display_get_default(), gtk_widget_get_window(GTK_WIDGET(mainWindow->gtkWindow())));
    gdk_monitor_get_geometry(monitor, &area);
    return area.x == kRightWindow.left && area.width == kRightWindow.width;
  })) << area.x
      << " " << area.width;
}

TEST_F(ScreenPickerGtk, WaitingPickerShowsItsFormAndTheOperatorsChoicePlacesTheWindow) {
  ASSERT_TRUE(writeIniString(configPath, "local", "index", "abc"));
  GdkPixbuf* shot = nullptr;
  int frames = 0;
  runModalWhile([&] {
    GtkWindow* dialog = current != nullptr ? current->gtkWindow() : nullptr;
    if (dialog == nullptr || !gtk_widget_get_mapped(GTK_WIDGET(dialog))) return false;
    // A few ticks after mapping, so the form has been drawn.
    if (++frames < 6) return false;

    EXPECT_STREQ(gtk_window_get_title(dialog), "Quenmere-排行榜屏幕选择");
    EXPECT_TRUE(gtk_window_get_modal(dialog));
    EXPECT_EQ(gtk_window_get_transient_for(dialog), mainWindow->gtkWindow());
    EXPECT_EQ(text(current->label()), "选择屏幕");
    EXPECT_EQ(
        text(current->note()),
        "注意:  \n选择屏幕后窗口会移动到相应的屏幕上全屏显示，选择后，下次启动默认为上次选择屏幕");
    EXPECT_EQ(comboItems(current->comboBox()),
              (std::vector<std::string>{"序号: 1 (w:1280 h:1024)", "序号: 2 (w:1920 h:1080)"}));
    EXPECT_EQ(gtk_combo_box_get_active(current->comboBox()), -1);

    // The fixed layout: places and widths as the form has them.
    GtkAllocation label{}, combo{}, note{};
    gtk_widget_get_allocation(GTK_WIDGET(current->label()), &label);
    gtk_widget_get_allocation(GTK_WIDGET(current->comboBox()), &combo);
    gtk_widget_get_allocation(GTK_WIDGET(current->note()), &note);
    EXPECT_EQ(label.x, 8);
    EXPECT_EQ(label.y, 17);
    EXPECT_EQ(combo.x, 61);
    EXPECT_EQ(combo.y, 17);
    EXPECT_EQ(combo.width, 200);
    EXPECT_EQ(note.x, 27);
    EXPECT_EQ(note.y, 57);
    EXPECT_EQ(note.width, 216);

    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(dialog));
    shot = gdk_pixbuf_get_from_window(gdk, 0, 0, gdk_window_get_width(gdk),
                                      gdk_window_get_height(gdk));
    // The operator picks the left-hand monitor.
    gtk_combo_box_set_active(current->comboBox(), 0);
    return true;
  });

  ASSERT_NE(shot, nullptr);
  GError* error = nullptr;
  EXPECT_TRUE(gdk_pixbuf_save(shot, "screen_picker_waiting.png", "png", &error, nullptr));
  if (error != nullptr) g_error_free(error);
  // The form's size (the window manager's frame is outside it).
  EXPECT_EQ(gdk_pixbuf_get_width(shot), 275);
  EXPECT_EQ(gdk_pixbuf_get_height(shot), 167);
  // Text where the label and the note are, nothing in the empty band
  // between the label and the note.
  EXPECT_GT(inkPixels(shot, 8, 17, 48, 17), 20);
  EXPECT_GT(inkPixels(shot, 27, 57, 216, 64), 200);
  EXPECT_EQ(inkPixels(shot, 0, 0, 8, 160), 0);
  g_object_unref(shot);

  EXPECT_EQ(dialogMaps, 1);
  EXPECT_FALSE(picker->isOpen());
  EXPECT_EQ(readIniString(configPath, "local", "index", ""), "1");
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(runLoopUntil([&] { return windowCovers(kLeftWindow); }))
      << mainWindow->outerRect().left << "," << mainWindow->outerRect().top << " "
      << mainWindow->outerRect().width << "x" << mainWindow->outerRect().height;
}

TEST_F(ScreenPickerGtk, DestroyingTheMainWindowEndsTheOpenPicker) {
  ASSERT_TRUE(writeIniString(configPath, "local", "index", "0"));
  runModalWhile([&] {
    GtkWindow* dialog = current != nullptr ? current->gtkWindow() : nullptr;
    if (dialog == nullptr || !gtk_widget_get_mapped(GTK_WIDGET(dialog))) return false;
    mainWindow->destroy();  // the page's "close" while the picker is up
    return true;
  });
  EXPECT_FALSE(picker->isOpen());
  EXPECT_TRUE(mainWindow->isDestroyed());
}

TEST_F(ScreenPickerGtk, ExitClosesTheOpenPickerAndThenTheMainWindow) {
  ASSERT_TRUE(writeIniString(configPath, "local", "index", "0"));
  GtkWindow* form = nullptr;
  runModalWhile([&] {
    GtkWindow* dialog = current != nullptr ? current->gtkWindow() : nullptr;
    if (dialog == nullptr || !gtk_widget_get_mapped(GTK_WIDGET(dialog))) return false;
    form = dialog;
    g_object_add_weak_pointer(G_OBJECT(form), reinterpret_cast<gpointer*>(&form));
    // "退出": the picker first, then the main window.
    picker->close();
    mainWindow->destroy();
    return true;
  });
  EXPECT_FALSE(picker->isOpen());
  EXPECT_EQ(form, nullptr);  // the form is gone, not only hidden
  if (form != nullptr)
    g_object_remove_weak_pointer(G_OBJECT(form), reinterpret_cast<gpointer*>(&form));
  EXPECT_TRUE(mainWindow->isDestroyed());
}

TEST_F(ScreenPickerGtk, FollowsTheChosenMonitorThroughUnplugReplugAndModeChange) {
  ASSERT_TRUE(writeIniString(configPath, "local", "index", "2"));
  picker->runModal();
  ASSERT_TRUE(runLoopUntil([&] { return windowCovers(kRightWindow); }));
  std::string error;

  // The left-hand monitor goes: the one left is number 1, the chosen number 2
  // is missing, and the window stays where it is.
  ASSERT_TRUE(testing::setDesktopMonitors({kPrimary}, &error)) << error;
  ASSERT_TRUE(runLoopUntil([&] { return picker->monitorCount() == 1; }));
  EXPECT_EQ(lines, std::vector<std::string>{"屏幕变化,选中屏幕不在:2 屏幕数:1"});
  runLoopFor(300ms);
  EXPECT_EQ(mainWindow->outerRect(), kRightWindow);

  // It comes back: the window is placed on number 2 again.
  ASSERT_TRUE(testing::setDesktopMonitors({kPrimary, kSecondary}, &error)) << error;
  ASSERT_TRUE(runLoopUntil([&] { return lines.size() == 2; }));
  EXPECT_EQ(lines[1], "屏幕变化,重新放置:2 (1280,0 w:1920 h:1080)");
  EXPECT_TRUE(runLoopUntil([&] { return windowCovers(kRightWindow); }));

  // The chosen monitor changes its mode: the window follows.
  ASSERT_TRUE(testing::setDesktopMonitors({{1280, 0, 1600, 900}, kSecondary}, &error)) << error;
  ASSERT_TRUE(runLoopUntil([&] { return lines.size() == 3; }));
  EXPECT_EQ(lines[2], "屏幕变化,重新放置:2 (1280,0 w:1600 h:900)");
  EXPECT_TRUE(runLoopUntil([&] {
    return windowCovers({1280, 0, 1600, 900});
  })) << mainWindow->outerRect().left
      << "," << mainWindow->outerRect().top << " " << mainWindow->outerRect().width << "x"
      << mainWindow->outerRect().height;
  EXPECT_EQ(readIniString(configPath, "local", "index", ""), "2");
}

}  // namespace
}  // namespace orvane
