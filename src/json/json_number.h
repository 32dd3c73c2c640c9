#pragma once
// Number tokens: recognising them, reading them, and the text of numbers set
// through the interface.

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

enum class NumberTextKind { NotNumber, Integer, Decimal };

// Ignoring every character whose code is 32 or less, a number starts with
// '+', '-', a digit or '.', and goes on with digits, '.', 'e', 'E', '+' and
// '-', with at most one '.', one exponent letter and one sign after the first
// character. The parts may come in any order ("1-2" is a number). A '.', an
// exponent letter or a later sign make it a Decimal, otherwise an Integer.
NumberTextKind classifyNumberText(std::u16string_view token) noexcept;
inline bool isNumberText(std::u16string_view token) noexcept {
  return classifyNumberText(token) != NumberTextKind::NotNumber;
}

// Leading white space, one optional sign, decimal digits up to the first
// other character; no digits give 0. Out-of-range values are clamped.
std::int64_t readInteger64(std::u16string_view text) noexcept;
std::int32_t readInteger32(std::u16string_view text) noexcept;

// The C library's decimal conversion (strtod in the "C" locale, whatever the
// process locale is): leading white space, sign, digits, fraction, exponent,
// "inf" and "nan"; 0 when nothing can be read.
double readDecimal(std::u16string_view text) noexcept;

// Truncation toward zero, clamped to the target's range; NaN gives 0.
std::int64_t truncateToInteger64(double value) noexcept;
std::int32_t truncateToInteger32(double value) noexcept;

// Decimal digits, '-' when negative.
std::u16string integerText(std::int64_t value);
// The shortest text that reads back as the same double, with ".0" added when
// it would otherwise read as an Integer. JSON has no NaN or infinity: those
// are written "null".
std::u16string decimalText(double value);

}  // namespace orvane
