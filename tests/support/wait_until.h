#pragma once
// Waits for what another thread or process does by polling a condition until
// it holds or a generous deadline passes: the machine is shared and busy, so
// a test never assumes how soon something happens.

#include <chrono>
#include <thread>

namespace orvane::testing {

inline constexpr std::chrono::seconds kWaitDeadline{30};

// True as soon as `condition` holds; false when it still does not hold once
// the deadline has passed (it is checked after the deadline once more).
template <typename Condition>
bool waitUntil(Condition&& condition, std::chrono::milliseconds deadline = kWaitDeadline,
               std::chrono::milliseconds interval = std::chrono::milliseconds(5)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(interval);
  }
  return true;
}

}  // namespace orvane::testing
