#pragma once
// Backslash escapes inside JSON strings and keys, read and written.

#include <string>
#include <string_view>

namespace orvane {

// Appends `text` with its escapes decoded, left to right; the search goes on
// after the character an escape produced:
//   \\ \/ \"  the backslash goes, the character stays
//   \b \t \n \r \f  U+0008 U+0009 U+000A U+000D U+000C
//   \uXXXX    with `decodeUnicodeEscapes` and four hexadecimal digits: that
//             UTF-16 code unit (high byte first)
//   anything else, \u without decoding or without four hexadecimal digits,
//   and a backslash at the very end stay as they are.
void appendDecodedEscapes(std::u16string_view text, bool decodeUnicodeEscapes, std::u16string& out);
std::u16string decodeEscapes(std::u16string_view text, bool decodeUnicodeEscapes);

// The escape written for a character of a string or key, or 0 when the
// character is written as it is: " \ / and U+0008, U+0009, U+000A, U+000C,
// U+000D. Other control characters, the single quote and everything beyond
// ASCII are written unchanged.
constexpr char escapeLetterFor(char16_t c) noexcept {
  switch (c) {
    case u'"':
      return '"';
    case u'\\':
      return '\\';
    case u'/':
      return '/';
    case 0x08:
      return 'b';
    case 0x09:
      return 't';
    case 0x0A:
      return 'n';
    case 0x0C:
      return 'f';
    case 0x0D:
      return 'r';
    default:
      return 0;
  }
}

}  // namespace orvane
