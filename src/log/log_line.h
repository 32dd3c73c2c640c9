#pragma once
// The text of the day log: one line per call, one file per day.

#include <string>
#include <string_view>

#include "log/log_clock.h"

namespace orvane {

// HH:MM:SS + "->[" + category + "] " + message + CR LF. Category and message
// go in unchanged; an empty message leaves the line ending in "] ".
std::string formatLogLine(const LocalTime& time, std::string_view category,
                          std::string_view message);

// YYYYMMDD + ".txt" (5 January 2024 is "20240105.txt").
std::string dayFileName(const LocalTime& date);

// True for names dayFileName makes: eight digits and ".txt".
bool isDayFileName(std::string_view name);

}  // namespace orvane
