#include "log/start_thread.h"

#include <system_error>

namespace orvane {

bool startThread(std::function<void()> routine, std::thread* keepHandle) {
  if (!routine) return false;
  if (keepHandle != nullptr && keepHandle->joinable()) return false;
  try {
    std::thread thread([routine = std::move(routine)] {
      try {
        routine();
      } catch (...) {
        // Nowhere to report it: the log may be what failed.
      }
    });
    if (keepHandle != nullptr) {
      *keepHandle = std::move(thread);
    } else {
      thread.detach();
    }
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace orvane
