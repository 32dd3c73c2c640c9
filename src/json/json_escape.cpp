#include "json/json_escape.h"

namespace orvane {
namespace {

int hexDigit(char16_t c) noexcept {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

void appendDecodedEscapes(std::u16string_view text, bool decodeUnicodeEscapes,
                          std::u16string& out) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    // Copy the run up to the next backslash in one go.
    std::size_t next = text.find(u'\\', i);
    if (next == std::u16string_view::npos) next = n;
    out.append(text.data() + i, next - i);
    i = next;
    if (i >= n) break;
    if (i + 1 >= n) {  // a backslash at the very end stays
      out.push_back(u'\\');
      break;
    }
    const char16_t after = text[i + 1];
    char16_t produced = 0;
    switch (after) {
      case u'\\':
      case u'/':
      case u'"':
        produced = after;
        break;
      case u'b':
        produced = 0x08;
        break;
      case u't':
        produced = 0x09;
        break;
      case u'n':
        produced = 0x0A;
        break;
      case u'r':
        produced = 0x0D;
        break;
      case u'f':
        produced = 0x0C;
        break;
      case u'u':
        if (decodeUnicodeEscapes && i + 5 < n) {
          int unit = 0;
          bool valid = true;
          for (std::size_t k = i + 2; k < i + 6; ++k) {
            const int digit = hexDigit(text[k]);
            if (digit < 0) {
              valid = false;
              break;
            }
            unit = unit * 16 + digit;
          }
          if (valid) {
            out.push_back(static_cast<char16_t>(unit));
            i += 6;
            continue;
          }
        }
        break;
      default:
        break;
    }
    if (produced != 0) {
      out.push_back(produced);
      i += 2;
    } else {
      // Not an escape this decoder knows: the backslash stays. The character
      // after it is no backslash, so going on from there is the same as going
      // on after it.
      out.push_back(u'\\');
      i += 1;
    }
  }
}

std::u16string decodeEscapes(std::u16string_view text, bool decodeUnicodeEscapes) {
  std::u16string out;
  out.reserve(text.size());
  appendDecodedEscapes(text, decodeUnicodeEscapes, out);
  return out;
}

}  // namespace orvane
