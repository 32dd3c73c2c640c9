#include "json_text.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace maker {

namespace {

// The UTF-8 sequence at `s` (of `n` bytes left): how many bytes it spans and
// whether it is well formed. An ill-formed one spans its maximal subpart (the
// longest start of a valid sequence, at least one byte), which becomes one
// U+FFFD as the Unicode standard recommends.
struct Sequence {
  std::size_t length;
  bool valid;
};

Sequence sequenceAt(const unsigned char* s, std::size_t n) {
  const unsigned char b = s[0];
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;   // no overlong forms
    if (b == 0xED) high = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {1, false};
  }
  for (std::size_t i = 1; i < length; ++i) {
    const bool fits = i < n && s[i] >= (i == 1 ? low : 0x80) && s[i] <= (i == 1 ? high : 0xBF);
    if (!fits) return {i, false};
  }
  return {length, true};
}

}  // namespace

void appendJsonString(std::string& out, const char* text) {
  if (text == nullptr) {
    out += "null";
    return;
  }
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const std::size_t n = std::strlen(text);
  out += '"';
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      switch (c) {
        case '"':
          out += "\\\"";
          break;
        case '\\':
          out += "\\\\";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\b':
          out += "\\b";
          break;
        case '\f':
          out += "\\f";
          break;
        default:
          if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    const Sequence sequence = sequenceAt(s + i, n - i);
    if (sequence.valid) {
      out.append(text + i, sequence.length);
    } else {
      out += "\xEF\xBF\xBD";
    }
    i += sequence.length;
  }
  out += '"';
}

}  // namespace maker
