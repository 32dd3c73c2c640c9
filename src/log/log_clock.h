#pragma once
// The local wall-clock time the log stamps lines with and names files by.
// Tests hand the log their own clock so midnight and month ends come at once.

#include <functional>

namespace orvane {

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

inline bool sameDay(const LocalTime& a, const LocalTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

// Must be callable from any thread at once.
using LogClock = std::function<LocalTime()>;

// The system's local time. Converts at most once a second per thread.
LocalTime systemLocalTime();

}  // namespace orvane
