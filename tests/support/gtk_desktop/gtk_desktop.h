#pragma once
// A desktop of the test's own for GTK tests: an Xvfb server on a free
// display, a private session bus and the openbox window manager (windows get
// maximized, minimized and focused as on a real desktop), all started by this
// process and ended with it. GTK is then initialised on that display. Tests that share one display
// under parallel runs would see each other's windows over theirs; with their
// own, screenshots and synthetic input are reliable.
//
// Xvfb has one RandR output, so GDK sees one monitor whatever its screens.
// A desktop with several monitors runs the X.Org server with the dummy video
// driver instead, whose outputs DUMMY0, DUMMY1, ... each become a GdkMonitor
// once they have a mode; they can be moved, resized, added and removed while
// the test runs, as monitors plugged in and out. (The X.Org server is started
// directly, which needs root or a wrapper that allows it.)

#include <string>
#include <vector>

namespace orvane::testing {

struct DesktopMonitor {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct DesktopOptions {
  int width = 1280;
  int height = 1024;
  // Empty: one Xvfb screen of width × height. Otherwise these monitors, the
  // first one primary, on the dummy-driver server.
  std::vector<DesktopMonitor> monitors;
};

// Starts the desktop once per process (later calls only report how that
// went) and initialises GTK on it. False with `error` set when something
// could not start.
bool setUpGtkDesktop(const DesktopOptions& options, std::string* error);

// The X display name ":N" of the desktop, empty before set-up.
std::string desktopDisplayName();

// Gives a multi-monitor desktop exactly these monitors (the first primary);
// outputs beyond them are switched off. False with `error` set on failure.
bool setDesktopMonitors(const std::vector<DesktopMonitor>& monitors, std::string* error);

}  // namespace orvane::testing
