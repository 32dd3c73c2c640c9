#pragma once
// UTF-8 <-> UTF-16 conversion for program text.
//
// Program text is UTF-8 in std::string; the JSON tree and the web engines hold
// UTF-16. These conversions never fail: an ill-formed sequence becomes one
// U+FFFD per maximal ill-formed subpart (the Unicode and WHATWG practice), so
// text from the network or a page can always be carried on.

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane::text {

inline constexpr char32_t kReplacementChar = 0xFFFD;

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// Converts into `out`, which must have room for utf8.size() units (UTF-16
// never needs more units than UTF-8 has bytes). Returns the units written.
// The fastest form, for callers that keep their own buffer (the JSON parser).
std::size_t convertUtf8ToUtf16(std::string_view utf8, char16_t* out) noexcept;

// Appends the conversion to an existing buffer (no allocation when it fits).
void appendUtf8AsUtf16(std::string_view utf8, std::u16string& out);
void appendUtf16AsUtf8(std::u16string_view utf16, std::string& out);

// Appends one code point (anything above U+10FFFF or a surrogate becomes U+FFFD).
void appendCodePointAsUtf8(char32_t cp, std::string& out);

bool isValidUtf8(std::string_view bytes);

// The bytes unchanged when they are valid UTF-8; otherwise each ill-formed
// subpart replaced by U+FFFD.
std::string sanitizeUtf8(std::string_view bytes);

}  // namespace orvane::text
