#pragma once
// A C++ exception that nothing caught ends the program through one place:
// the terminate handler describes it, hands it to the program (which logs it
// and tears down), and ends the process with a failure code, so whatever
// restarts the program (the autostart, a supervisor) sees that it failed.

#include <exception>
#include <functional>
#include <string>

namespace orvane {

// sysexits' EX_SOFTWARE: an internal error.
inline constexpr int kFatalExitCode = 70;

struct FatalErrorText {
  int code = 0;  // the error code an exception carries (std::system_error); else 0
  std::string message;
};

// What the log says about `error`; a null pointer is a terminate call
// without an exception in flight.
FatalErrorText describeFatalError(std::exception_ptr error);

// Installs the terminate handler. `report` runs once, on the thread that
// called terminate; a second fatal error while it runs ends the process at
// once.
void installTerminateHandler(std::function<void(int code, const std::string& message)> report);

}  // namespace orvane
