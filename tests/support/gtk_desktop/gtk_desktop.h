#pragma once
// A desktop of the test's own for GTK tests: an Xvfb server on a free
// display, a private session bus and the openbox window manager (windows get
// maximized, minimized and focused as on a real desktop), all started by this
// process and ended with it. GTK is then initialised on that display. Tests that share one display
// under parallel runs would see each other's windows over theirs; with their
// own, screenshots and synthetic input are reliable.

#include <string>

namespace orvane::testing {

struct DesktopOptions {
  int width = 1280;
  int height = 1024;
};

// Starts the desktop once per process (later calls only report how that
// went) and initialises GTK on it. False with `error` set when something
// could not start.
bool setUpGtkDesktop(const DesktopOptions& options, std::string* error);

// The X display name ":N" of the desktop, empty before set-up.
std::string desktopDisplayName();

}  // namespace orvane::testing
