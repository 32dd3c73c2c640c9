#pragma once
// The screen never sleeps while the client runs: the session is asked not to
// go idle, and on X11 the server's screen saver and DPMS blanking are paused.
// Construct once at start and keep until the end; whatever the machine lacks
// is skipped without complaint.

#include <string>

#include "sys/session_idle_inhibitor_linux.h"
#include "sys/x_screen_saver_pause_linux.h"

namespace orvane {

struct ScreenAwakeOptions {
  std::string busAddress;   // empty: the session bus
  std::string displayName;  // empty: $DISPLAY
};

class ScreenAwake {
 public:
  explicit ScreenAwake(const std::string& applicationName, const ScreenAwakeOptions& options = {});

  bool sessionInhibited() const { return session_.active(); }
  bool screenSaverSuspended() const { return xServer_.screenSaverSuspended(); }
  bool dpmsDisabled() const { return xServer_.dpmsDisabled(); }

 private:
  SessionIdleInhibitor session_;
  XScreenSaverPause xServer_;
};

}  // namespace orvane
