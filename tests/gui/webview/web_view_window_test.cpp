// The view inside the real window: binding, what reaches the screen, mouse
// gestures, the edge grips and size bounds, centring, developer tools.

#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "web_view_fixture.h"
#include "webview/glib_ptr_gtk.h"
#include "webview/gpu_render_node_linux.h"
#include "webview/main_window_null.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;

// Runs xdotool on the test desktop (the real X input path) while the main
// loop goes on.
bool xdo(const std::string& arguments) {
  auto run = std::async(std::launch::async, [arguments] {
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str());
  });
  runLoopUntil([&] { return run.wait_for(0s) == std::future_status::ready; });
  return run.get() == 0;
}

TEST_F(WebViewTest, BindingFailsWhenBoundAlreadyOrWithoutAGtkWindowAndUnbindingFreesTheWindow) {
  bindAndShow();
  WebKitWebView* first = view.webKitView();
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(view.bind(window, false));
  EXPECT_EQ(view.webKitView(), first);

  GtkWebView other;
  NullMainWindow notGtk;
  EXPECT_FALSE(other.bind(notGtk, true));
  EXPECT_FALSE(other.bind(window, true)) << "the window holds a view already";
  GtkMainWindow gone;
  gone.destroy();
  EXPECT_FALSE(other.bind(gone, true));
  EXPECT_FALSE(other.isBound());

  view.unbind();
  EXPECT_FALSE(view.isBound());
  EXPECT_EQ(view.webKitView(), nullptr);
  EXPECT_EQ(gtk_bin_get_child(GTK_BIN(window.gtkWindow())), nullptr);
  EXPECT_TRUE(other.bind(window, false));
  EXPECT_TRUE(other.isBound());
  other.unbind();
}

TEST_F(WebViewTest, DestroyingTheWindowUnbindsTheView) {
  bool consoleCalled = false;
  view.setConsoleHandler([&](const ConsoleMessage&) { consoleCalled = true; });
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/blank")->result, kLoadSucceeded);
  window.destroy();
  EXPECT_FALSE(view.isBound());
  EXPECT_EQ(view.webKitView(), nullptr);
  EXPECT_FALSE(view.waitForScriptCapacity(0ms));
  view.runScript("console.log('nobody')");
  view.load(web.base() + "/blank");
  runLoopFor(200ms);
  EXPECT_FALSE(consoleCalled);
}

TEST_F(WebViewTest, ThePagesPixelsReachTheTransparentWindow) {
  addPage("/",
          "<!doctype html><html><body style='margin:0;background:rgb(200,30,40)'>"
          "<div style='position:absolute;left:100px;top:80px;width:200px;height:120px;"
          "background:rgb(20,160,60)'></div></body></html>");
  bindAndShow({0, 0, 640, 480}, true);
  GtkWidget* widget = GTK_WIDGET(window.gtkWindow());
  EXPECT_EQ(gtk_widget_get_visual(widget),
            gdk_screen_get_rgba_visual(gtk_widget_get_screen(widget)));
  EXPECT_TRUE(gtk_widget_get_app_paintable(widget));
  GdkRGBA background{};
  webkit_web_view_get_background_color(view.webKitView(), &background);
  EXPECT_EQ(background.alpha, 0.0);
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);

  struct Rgb {
    int r, g, b;
  };
  const auto pixelAt = [&](int x, int y) -> Rgb {
    GdkWindow* gdk = gtk_widget_get_window(widget);
    const auto shot = GObjectPtr<GdkPixbuf>::adopt(gdk_pixbuf_get_from_window(
        gdk, 0, 0, gdk_window_get_width(gdk), gdk_window_get_height(gdk)));
    if (!shot || x >= gdk_pixbuf_get_width(shot.get()) || y >= gdk_pixbuf_get_height(shot.get())) {
      return {-1, -1, -1};
    }
    const guchar* p = gdk_pixbuf_get_pixels(shot.get()) + y * gdk_pixbuf_get_rowstride(shot.get()) +
                      x * gdk_pixbuf_get_n_channels(shot.get());
    return {p[0], p[1], p[2]};
  };
  const auto near = [](Rgb got, Rgb want) {
    return std::abs(got.r - want.r) <= 8 && std::abs(got.g - want.g) <= 8 &&
           std::abs(got.b - want.b) <= 8;
  };
  // Painting follows the load; wait until it is on the screen.
  EXPECT_TRUE(runLoopUntil([&] {
    return near(pixelAt(20, 20), {200, 30, 40}) && near(pixelAt(200, 140), {20, 160, 60}) &&
           near(pixelAt(600, 400), {200, 30, 40});
  })) << "pixel (200,140) is "
      << pixelAt(200, 140).r << "," << pixelAt(200, 140).g << "," << pixelAt(200, 140).b;
}

TEST_F(WebViewTest, WithoutAGpuTheEngineDrawsWithoutGlAndThePageStillShows) {
  if (hasGpuRenderNode()) GTEST_SKIP() << "this machine has a GPU render node";
  addPage("/", "<!doctype html><body style='margin:0;background:rgb(30,60,200)'></body>");
  bindAndShow({0, 0, 320, 240}, true);
  EXPECT_EQ(webkit_settings_get_hardware_acceleration_policy(
                webkit_web_view_get_settings(view.webKitView())),
            WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  GtkWidget* widget = GTK_WIDGET(window.gtkWindow());
  EXPECT_TRUE(runLoopUntil([&] {
    GdkWindow* gdk = gtk_widget_get_window(widget);
    const auto shot = GObjectPtr<GdkPixbuf>::adopt(gdk_pixbuf_get_from_window(gdk, 0, 0, 8, 8));
    if (!shot) return false;
    const guchar* p = gdk_pixbuf_get_pixels(shot.get());
    return std::abs(p[0] - 30) <= 8 && std::abs(p[1] - 60) <= 8 && std::abs(p[2] - 200) <= 8;
  }));
}

TEST_F(WebViewTest, ARightDoubleClickReachesTheGestureHandlerAndThePage) {
  int gestures = 0;
  std::vector<std::string> pageSaw;
  view.setRightDoubleClickHandler([&] { ++gestures; });
  view.setConsoleHandler([&](const ConsoleMessage& m) { pageSaw.push_back(m.message); });
  addPage("/",
          "<!doctype html><body style='margin:0;height:100vh'><script>"
          "addEventListener('contextmenu', function (e) { e.preventDefault(); });"
          "addEventListener('mousedown', function (e) {"
          "  if (e.button === 2) console.info('right ' + e.detail); });"
          "</script></body>");
  bindAndShow({0, 0, 640, 480});
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);

  ASSERT_TRUE(xdo("mousemove --sync 300 200"));
  ASSERT_TRUE(xdo("click --repeat 2 --delay 120 3"));
  EXPECT_TRUE(runLoopUntil([&] { return gestures == 1 && pageSaw.size() == 2; }))
      << gestures << " gestures, page saw " << pageSaw.size();
  EXPECT_EQ(pageSaw, (std::vector<std::string>{"right 1", "right 2"}));

  // A single right click is no gesture.
  runLoopFor(600ms);  // past the double-click time
  ASSERT_TRUE(xdo("click 3"));
  EXPECT_TRUE(runLoopUntil([&] { return pageSaw.size() == 3; }));
  EXPECT_EQ(gestures, 1);

  // A page that leaves the context menu alone: the engine's menu does not
  // pop up and take the second click, so the gesture still arrives.
  ASSERT_EQ(loadAndWait(web.base() + "/blank")->result, kLoadSucceeded);
  runLoopFor(600ms);
  ASSERT_TRUE(xdo("click --repeat 2 --delay 120 3"));
  EXPECT_TRUE(runLoopUntil([&] { return gestures == 2; })) << gestures;
}

TEST_F(WebViewTest, ShowDevToolsOpensTheInspector) {
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/blank")->result, kLoadSucceeded);
  WebKitWebInspector* inspector = webkit_web_view_get_inspector(view.webKitView());
  WebKitSettings* settings = webkit_web_view_get_settings(view.webKitView());
  EXPECT_EQ(webkit_web_inspector_get_web_view(inspector), nullptr);
  // Off until asked for: the engine keeps every script run in the page for
  // the inspector while they are on.
  EXPECT_FALSE(webkit_settings_get_enable_developer_extras(settings));
  view.showDevTools("front_end/inspector.html");
  EXPECT_TRUE(webkit_settings_get_enable_developer_extras(settings));
  EXPECT_TRUE(
      runLoopUntil([&] { return webkit_web_inspector_get_web_view(inspector) != nullptr; }));
}

TEST_F(WebViewTest, MoveToCenterCentresTheWindowOnItsMonitor) {
  bindAndShow({10, 10, 400, 300});
  ASSERT_TRUE(runLoopUntil([&] { return window.outerRect() == WindowRect{10, 10, 400, 300}; }));
  view.moveToCenter();
  // The desktop is one 1280 × 1024 monitor without panels.
  const WindowRect centred{(1280 - 400) / 2, (1024 - 300) / 2, 400, 300};
  EXPECT_TRUE(runLoopUntil([&] { return window.outerRect() == centred; }))
      << window.outerRect().left << "," << window.outerRect().top;
}

TEST_F(WebViewTest, TrackSizesBoundTheWindowOnlyWhenBothNumbersAreNonZero) {
  bindAndShow({50, 50, 600, 500});
  ASSERT_TRUE(runLoopUntil([&] { return window.outerRect().width == 600; }));

  // One zero: not applied, the window takes any size.
  view.setMinTrackSize(500, 0);
  view.setMaxTrackSize(0, 450);
  window.placeOn({50, 50, 300, 200});
  EXPECT_TRUE(runLoopUntil([&] { return window.outerRect() == WindowRect{50, 50, 300, 200}; }));

  view.setMinTrackSize(400, 350);
  EXPECT_TRUE(runLoopUntil([&] {
    const WindowRect r = window.outerRect();
    return r.width == 400 && r.height == 350;
  })) << window.outerRect().width
      << "x" << window.outerRect().height;

  view.setMaxTrackSize(500, 450);
  window.placeOn({50, 50, 900, 800});
  EXPECT_TRUE(runLoopUntil([&] {
    const WindowRect r = window.outerRect();
    return r.width == 500 && r.height == 450;
  })) << window.outerRect().width
      << "x" << window.outerRect().height;
}

// Presses the left button at (x, y), drags by (dx, dy) in steps and lets go.
bool drag(int x, int y, int dx, int dy) {
  if (!xdo("mousemove --sync " + std::to_string(x) + " " + std::to_string(y))) return false;
  if (!xdo("mousedown 1")) return false;
  syncDisplay();
  runLoopFor(200ms);
  for (int step = 1; step <= 10; ++step) {
    // Without --sync: the window manager may hold the pointer at a size bound.
    if (!xdo("mousemove " + std::to_string(x + dx * step / 10) + " " +
             std::to_string(y + dy * step / 10))) {
      return false;
    }
    runLoopFor(30ms);
  }
  const bool released = xdo("mouseup 1");
  syncDisplay();
  return released;
}

TEST_F(WebViewTest, EdgeGripsResizeTheWindowOnlyWhenResizable) {
  std::vector<std::string> pageSaw;
  view.setConsoleHandler([&](const ConsoleMessage& m) { pageSaw.push_back(m.message); });
  addPage("/",
          "<!doctype html><body style='margin:0;height:100vh'><script>"
          "addEventListener('mousedown', function (e) {"
          "  console.info('down ' + e.clientX + ',' + e.clientY); });"
          "</script></body>");
  const WindowRect start{100, 100, 400, 300};
  bindAndShow(start);
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  ASSERT_TRUE(runLoopUntil([&] { return window.outerRect() == start; }));

  // Not resizable: the edge is page, and the press reaches it.
  ASSERT_TRUE(drag(start.left + start.width - 2, start.top + 150, 60, 0));
  EXPECT_TRUE(runLoopUntil([&] { return !pageSaw.empty(); }));
  runLoopFor(200ms);
  EXPECT_EQ(window.outerRect().width, start.width);

  // Resizable: the right grip widens the window; the page sees nothing.
  view.setResizable(true);
  pageSaw.clear();
  ASSERT_TRUE(drag(start.left + start.width - 2, start.top + 150, 60, 0));
  EXPECT_TRUE(runLoopUntil([&] { return window.outerRect().width > start.width + 20; }))
      << window.outerRect().width;
  EXPECT_EQ(window.outerRect().height, start.height);
  EXPECT_TRUE(pageSaw.empty());

  // The bottom-right square grip resizes both ways, within the bounds.
  view.setMaxTrackSize(520, 380);
  ASSERT_TRUE(runLoopUntil([&] { return window.outerRect().width <= 520; }));
  const WindowRect before = window.outerRect();
  ASSERT_TRUE(drag(before.left + before.width - 8, before.top + before.height - 8, 200, 200));
  EXPECT_TRUE(runLoopUntil([&] {
    const WindowRect r = window.outerRect();
    return r.width == 520 && r.height == 380;
  })) << window.outerRect().width
      << "x" << window.outerRect().height;
  EXPECT_TRUE(pageSaw.empty());

  // Inside the window the page gets the press as always.
  ASSERT_TRUE(drag(before.left + 200, before.top + 150, 0, 0));
  EXPECT_TRUE(runLoopUntil([&] { return !pageSaw.empty(); }));
  EXPECT_EQ(pageSaw[0], "down 200,150");
}

}  // namespace
}  // namespace orvane::testing
