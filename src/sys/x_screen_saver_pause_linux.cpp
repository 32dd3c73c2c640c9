#include "sys/x_screen_saver_pause_linux.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>

namespace orvane {

void XScreenSaverPause::DisplayCloser::operator()(Display* display) const {
  XCloseDisplay(display);
}

XScreenSaverPause::XScreenSaverPause(const std::string& displayName) {
  display_.reset(XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str()));
  if (!display_) return;
  Display* display = display_.get();

  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  // Suspension came with version 1.1 of the extension.
  if (XScreenSaverQueryExtension(display, &eventBase, &errorBase) &&
      XScreenSaverQueryVersion(display, &major, &minor) &&
      (major > 1 || (major == 1 && minor >= 1))) {
    XScreenSaverSuspend(display, True);
    suspended_ = true;
  }

  if (DPMSQueryExtension(display, &eventBase, &errorBase) && DPMSCapable(display)) {
    CARD16 level = 0;
    BOOL enabled = False;
    if (DPMSInfo(display, &level, &enabled) && enabled) {
      DPMSDisable(display);
      dpmsDisabled_ = true;
    }
  }
  XSync(display, False);
}

XScreenSaverPause::~XScreenSaverPause() {
  if (!display_) return;
  // DPMS is the server's setting, not this connection's: only what this
  // object switched off is switched on again.
  if (dpmsDisabled_) DPMSEnable(display_.get());
  if (suspended_) XScreenSaverSuspend(display_.get(), False);
  XSync(display_.get(), False);
}

}  // namespace orvane
