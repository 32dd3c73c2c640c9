#pragma once
// Keeps the X server's own screen saver and DPMS blanking off for the life of
// the object, and puts back what it changed. Without an X display (Wayland,
// no $DISPLAY) or without the extensions, nothing happens and that is fine.

#include <memory>
#include <string>

typedef struct _XDisplay Display;

namespace orvane {

class XScreenSaverPause {
 public:
  // `displayName` empty: $DISPLAY.
  explicit XScreenSaverPause(const std::string& displayName = {});
  ~XScreenSaverPause();
  XScreenSaverPause(const XScreenSaverPause&) = delete;
  XScreenSaverPause& operator=(const XScreenSaverPause&) = delete;

  bool screenSaverSuspended() const { return suspended_; }
  // True when DPMS was on and this object turned it off.
  bool dpmsDisabled() const { return dpmsDisabled_; }

 private:
  struct DisplayCloser {
    void operator()(Display* display) const;
  };
  // The suspension belongs to this connection: the server lifts it when the
  // connection closes, even if the program dies without cleaning up.
  std::unique_ptr<Display, DisplayCloser> display_;
  bool suspended_ = false;
  bool dpmsDisabled_ = false;
};

}  // namespace orvane
