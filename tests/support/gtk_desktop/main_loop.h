#pragma once
// Driving the GTK main loop from a test: run it until something has happened,
// with a generous deadline so a loaded machine does not fail the test.

#include <chrono>
#include <functional>

namespace orvane::testing {

inline constexpr std::chrono::milliseconds kLoopDeadline{60000};

// Runs the default main context until `done` holds (checked after every
// dispatch and at least every 20 ms). False when the deadline passed first.
bool runLoopUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = kLoopDeadline);

// Runs the default main context for about `duration`, for checks that
// something does not happen: events already on their way get handled.
void runLoopFor(std::chrono::milliseconds duration);

// Waits until the X server has seen everything sent so far and GTK has
// handled what came back.
void syncDisplay();

}  // namespace orvane::testing
