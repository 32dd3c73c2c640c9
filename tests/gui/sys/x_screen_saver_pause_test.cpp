// The X server's screen saver against an Xvfb server the test starts, with
// the saver's time-out at one second: it comes on when nothing holds it off,
// stays off while the pause lasts, and comes on again after it.

#include <gtest/gtest.h>

#include "sys/x_screen_saver_pause_linux.h"

// After GoogleTest: Xlib's macros (None, Bool) would break its headers.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <chrono>
#include <memory>
#include <thread>

#include "support/reporting_child.h"
#include "support/wait_until.h"

namespace orvane {
namespace {

using testing::PrivateXServer;
using testing::waitUntil;

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

bool saverOn(Display* display) {
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  XScreenSaverQueryInfo(display, DefaultRootWindow(display), info);
  const bool on = info->state == ScreenSaverOn;
  XFree(info);
  return on;
}

bool saverComesOnWithin(Display* display, std::chrono::seconds limit) {
  return waitUntil([&] { return saverOn(display); }, limit, std::chrono::milliseconds(100));
}

TEST(XScreenSaverPause, KeepsTheSaverOffWhileItLivesAndGivesItBackAfter) {
  PrivateXServer server;
  ASSERT_FALSE(server.displayName().empty()) << "Xvfb did not start";
  const std::unique_ptr<Display, DisplayCloser> observer(
      XOpenDisplay(server.displayName().c_str()));
  ASSERT_TRUE(observer);
  XSetScreenSaver(observer.get(), 1, 0, DontPreferBlanking, AllowExposures);
  XSync(observer.get(), False);

  // Without the pause the saver comes on: the check below can fail.
  ASSERT_TRUE(saverComesOnWithin(observer.get(), std::chrono::seconds(30)));

  {
    XScreenSaverPause pause(server.displayName());
    EXPECT_TRUE(pause.screenSaverSuspended());
    EXPECT_FALSE(pause.dpmsDisabled());  // Xvfb has no DPMS: nothing to change
    // Switched off only now, so a slow machine cannot let it come back on
    // before the pause holds it.
    XForceScreenSaver(observer.get(), ScreenSaverReset);
    XSync(observer.get(), False);
    // Three times the time-out with nothing happening on the screen.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_FALSE(saverOn(observer.get()));
  }

  EXPECT_TRUE(saverComesOnWithin(observer.get(), std::chrono::seconds(30)));
}

TEST(XScreenSaverPause, NoDisplayIsNoError) {
  XScreenSaverPause pause("/nonexistent/x-socket:0");
  EXPECT_FALSE(pause.screenSaverSuspended());
  EXPECT_FALSE(pause.dpmsDisabled());
}

}  // namespace
}  // namespace orvane
