#pragma once
// How long the machine has been up.

#include <cstdint>

namespace orvane {

// Milliseconds since the system started, counting time spent suspended. Never
// wraps; 0 only if the clock cannot be read.
std::int64_t queryUptimeMs();

}  // namespace orvane
