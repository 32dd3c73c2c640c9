#pragma once

#include <functional>
#include <thread>

namespace orvane {

// Runs `routine` on a new thread. With `keepHandle` the thread is stored there
// for a later join (it must not hold a running thread already); without it
// the thread runs detached. False when the routine is empty or no thread can
// be started. An exception leaving the routine ends it quietly instead of
// ending the process.
bool startThread(std::function<void()> routine, std::thread* keepHandle = nullptr);

}  // namespace orvane
