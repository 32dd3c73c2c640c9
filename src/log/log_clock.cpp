#include "log/log_clock.h"

#include <time.h>

namespace orvane {

LocalTime systemLocalTime() {
  // localtime_r takes a process-wide lock; callers log far more often than
  // once a second, so each thread keeps the last conversion.
  thread_local time_t cachedSecond = -1;
  thread_local LocalTime cached;
  // The coarse clock is read without a hardware counter (a few milliseconds
  // behind at most), which is plenty for stamps in whole seconds and much
  // cheaper on virtual machines.
  timespec ts{};
  clock_gettime(CLOCK_REALTIME_COARSE, &ts);
  if (ts.tv_sec != cachedSecond) {
    tm parts{};
    if (localtime_r(&ts.tv_sec, &parts) == nullptr) return cached;
    cached = LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                       parts.tm_hour,        parts.tm_min,     parts.tm_sec};
    cachedSecond = ts.tv_sec;
  }
  return cached;
}

}  // namespace orvane
