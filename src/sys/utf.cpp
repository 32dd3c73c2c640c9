#include "sys/utf.h"

#include <cstdint>
#include <cstring>

namespace orvane::text {
namespace {

// Marks an ill-formed subpart; never a code point.
constexpr char32_t kIllFormed = 0xFFFFFFFF;

// Decodes one code point at bytes[i] (i < n). Returns the number of bytes
// consumed (at least 1) and stores the code point, or kIllFormed for an
// ill-formed subpart. Follows Table 3-7 of the Unicode standard: the second
// byte's range depends on the lead byte, which rules out overlong forms,
// surrogates and values above U+10FFFF. Every conversion and check in this
// file goes through here, so they all agree on what is ill-formed.
inline std::size_t decodeOne(const std::uint8_t* bytes, std::size_t n, std::size_t i,
                             char32_t& cp) noexcept {
  const std::uint8_t b0 = bytes[i];
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t need = 0;
  std::uint8_t lo = 0x80, hi = 0xBF;
  char32_t value = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    value = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    value = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    value = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    cp = kIllFormed;
    return 1;
  }
  std::size_t used = 1;
  for (std::size_t k = 0; k < need; ++k) {
    if (i + used >= n || bytes[i + used] < lo || bytes[i + used] > hi) {
      cp = kIllFormed;
      return used;
    }
    value = (value << 6) | (bytes[i + used] & 0x3F);
    ++used;
    lo = 0x80;
    hi = 0xBF;
  }
  cp = value;
  return used;
}

inline std::size_t decodeOne(std::string_view bytes, std::size_t i, char32_t& cp) noexcept {
  return decodeOne(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), i, cp);
}

}  // namespace

std::size_t convertUtf8ToUtf16(std::string_view utf8, char16_t* out) noexcept {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < n) {
    // ASCII runs are the common case in envelopes and pages: eight bytes at a
    // time.
    while (i + 8 <= n) {
      std::uint64_t chunk;
      std::memcpy(&chunk, bytes + i, 8);
      if ((chunk & 0x8080808080808080ULL) != 0) break;
      for (int k = 0; k < 8; ++k) out[o + k] = bytes[i + k];
      i += 8;
      o += 8;
    }
    if (i >= n) break;
    char32_t cp = 0;
    i += decodeOne(bytes, n, i, cp);
    if (cp < 0x10000) {
      out[o++] = static_cast<char16_t>(cp);
    } else if (cp == kIllFormed) {
      out[o++] = static_cast<char16_t>(kReplacementChar);
    } else {
      cp -= 0x10000;
      out[o++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      out[o++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  return o;
}

void appendUtf8AsUtf16(std::string_view utf8, std::u16string& out) {
  const std::size_t start = out.size();
  out.resize(start + utf8.size());
  out.resize(start + convertUtf8ToUtf16(utf8, out.data() + start));
}

std::u16string utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  appendUtf8AsUtf16(utf8, out);
  return out;
}

void appendCodePointAsUtf8(char32_t cp, std::string& out) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementChar;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void appendUtf16AsUtf8(std::u16string_view utf16, std::string& out) {
  out.reserve(out.size() + utf16.size());
  const std::size_t n = utf16.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = utf16[i];
    if (u < 0x80) {
      out.push_back(static_cast<char>(u));
      continue;
    }
    char32_t cp = u;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < n && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
        ++i;
      } else {
        cp = kReplacementChar;
      }
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      cp = kReplacementChar;
    }
    appendCodePointAsUtf8(cp, out);
  }
}

std::string utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  appendUtf16AsUtf8(utf16, out);
  return out;
}

bool isValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<std::uint8_t>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    i += decodeOne(bytes, i, cp);
    if (cp == kIllFormed) return false;
  }
  return true;
}

std::string sanitizeUtf8(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + 8);
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t cp = 0;
    const std::size_t used = decodeOne(bytes, i, cp);
    if (cp == kIllFormed) {
      appendCodePointAsUtf8(kReplacementChar, out);
    } else {
      out.append(bytes.substr(i, used));
    }
    i += used;
  }
  return out;
}

}  // namespace orvane::text
