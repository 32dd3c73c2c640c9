#include "json/json_number.h"

#include <locale.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace orvane {
namespace {

bool isSpace(char16_t c) noexcept {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool isDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }

// strtod in the "C" locale, for the rare values from_chars reports out of
// range (overflow to infinity, underflow to zero).
double strtodClassic(const char* text) noexcept {
#if defined(_WIN32)
  static const _locale_t classic = _create_locale(LC_NUMERIC, "C");
  return _strtod_l(text, nullptr, classic);
#else
  static const locale_t classic = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
  return strtod_l(text, nullptr, classic);
#endif
}

}  // namespace

NumberTextKind classifyNumberText(std::u16string_view token) noexcept {
  bool first = true;
  int dots = 0;
  int exponents = 0;
  int laterSigns = 0;
  for (const char16_t c : token) {
    if (c <= 32) continue;
    if (first) {
      if (!(c == u'+' || c == u'-' || c == u'.' || isDigit(c))) return NumberTextKind::NotNumber;
      if (c == u'.') ++dots;
      first = false;
      continue;
    }
    if (isDigit(c)) continue;
    if (c == u'.') {
      ++dots;
    } else if (c == u'e' || c == u'E') {
      ++exponents;
    } else if (c == u'+' || c == u'-') {
      ++laterSigns;
    } else {
      return NumberTextKind::NotNumber;
    }
  }
  if (first || dots > 1 || exponents > 1 || laterSigns > 1) return NumberTextKind::NotNumber;
  return dots + exponents + laterSigns > 0 ? NumberTextKind::Decimal : NumberTextKind::Integer;
}

std::int64_t readInteger64(std::u16string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulate the magnitude unsigned, stopping just above INT64_MAX's.
  constexpr std::uint64_t kCeiling =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1;
  std::uint64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    const auto digit = static_cast<std::uint64_t>(text[i] - u'0');
    if (magnitude > (kCeiling - digit) / 10) {
      magnitude = kCeiling;
    } else {
      magnitude = magnitude * 10 + digit;
    }
  }
  if (negative) {
    return magnitude >= kCeiling ? std::numeric_limits<std::int64_t>::min()
                                 : -static_cast<std::int64_t>(magnitude);
  }
  return magnitude >= kCeiling ? std::numeric_limits<std::int64_t>::max()
                               : static_cast<std::int64_t>(magnitude);
}

std::int32_t readInteger32(std::u16string_view text) noexcept {
  const std::int64_t value = readInteger64(text);
  if (value > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

double readDecimal(std::u16string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  // Everything a number can be made of is ASCII; stop at the first other unit.
  char small[64];
  std::string large;
  char* buffer = small;
  std::size_t n = 0;
  std::size_t end = i;
  while (end < text.size() && text[end] < 0x80 && text[end] != 0) ++end;
  if (end - i >= sizeof(small)) {
    large.resize(end - i + 1);
    buffer = large.data();
  }
  for (std::size_t k = i; k < end; ++k) buffer[n++] = static_cast<char>(text[k]);
  buffer[n] = '\0';

  const char* first = buffer;
  const char* last = buffer + n;
  bool negative = false;
  if (first < last && (*first == '+' || *first == '-')) {
    negative = *first == '-';
    ++first;
  }
  if (first == last || *first == '+' || *first == '-') return 0.0;
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    value = std::fabs(strtodClassic(first));
  } else if (ec != std::errc()) {
    return 0.0;
  }
  (void)ptr;
  return negative ? -value : value;
}

std::int64_t truncateToInteger64(double value) noexcept {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775808.0) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

std::int32_t truncateToInteger32(double value) noexcept {
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::u16string integerText(std::int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  return std::u16string(buffer, result.ptr);
}

std::u16string decimalText(double value) {
  if (!std::isfinite(value)) return u"null";
  char buffer[40];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  std::u16string text(buffer, result.ptr);
  if (text.find_first_of(u".e") == std::u16string::npos) text += u".0";
  return text;
}

}  // namespace orvane
