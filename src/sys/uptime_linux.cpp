#include <time.h>

#include "sys/uptime.h"

namespace orvane {

std::int64_t queryUptimeMs() {
  timespec ts{};
  // CLOCK_BOOTTIME keeps counting across suspend, like the tick count the
  // settle delay at start was written for.
  if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return 0;
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

}  // namespace orvane
