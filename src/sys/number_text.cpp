#include "sys/number_text.h"

#include <climits>
#include <cstdint>

namespace orvane {

int parseLeadingInt(std::string_view text) {
  std::size_t i = 0;
  const auto isSpace = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  };
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate the magnitude with a ceiling just above INT_MAX's magnitude, so
  // long digit runs cannot overflow the accumulator.
  constexpr std::int64_t kCeiling = static_cast<std::int64_t>(INT_MAX) + 1;
  std::int64_t magnitude = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kCeiling) magnitude = kCeiling;
    ++i;
  }
  if (negative) return static_cast<int>(-magnitude);  // -kCeiling is INT_MIN
  return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

}  // namespace orvane
