#include "json/json_utf8.h"

#include <cstdint>
#include <cstring>

namespace orvane {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
// A scratch buffer that grew past this many units is given back after use,
// so one large message does not stay in memory for good.
constexpr std::size_t kKeptScratchUnits = 256 * 1024;

struct ThreadScratch {
  std::u16string buffer;
  bool busy = false;
};

thread_local ThreadScratch threadScratch;

}  // namespace

std::size_t convertUtf8ToUtf16(std::string_view utf8, char16_t* out) noexcept {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(utf8.data());
  const std::size_t n = utf8.size();
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < n) {
    // Runs of ASCII, eight bytes at a time.
    while (i + 8 <= n) {
      std::uint64_t chunk;
      std::memcpy(&chunk, bytes + i, 8);
      if ((chunk & 0x8080808080808080ULL) != 0) break;
      for (int k = 0; k < 8; ++k) out[o + k] = bytes[i + k];
      i += 8;
      o += 8;
    }
    if (i >= n) break;
    const std::uint8_t b0 = bytes[i];
    if (b0 < 0x80) {
      out[o++] = b0;
      ++i;
      continue;
    }
    // Table 3-7 of the Unicode standard: the second byte's range depends on
    // the lead byte, which rules out overlong forms, surrogates and values
    // above U+10FFFF.
    std::size_t need;
    std::uint8_t lo = 0x80;
    std::uint8_t hi = 0xBF;
    char32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      need = 1;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      need = 2;
      cp = b0 & 0x0F;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      need = 3;
      cp = b0 & 0x07;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      out[o++] = kReplacement;
      ++i;
      continue;
    }
    std::size_t used = 1;
    bool valid = true;
    for (std::size_t k = 0; k < need; ++k) {
      if (i + used >= n || bytes[i + used] < lo || bytes[i + used] > hi) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (bytes[i + used] & 0x3F);
      ++used;
      lo = 0x80;
      hi = 0xBF;
    }
    i += used;
    if (!valid) {
      out[o++] = kReplacement;
    } else if (cp < 0x10000) {
      out[o++] = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      out[o++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      out[o++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  return o;
}

Utf16Scratch::Utf16Scratch(std::string_view utf8) : buffer_(&own_) {
  if (!threadScratch.busy) {
    threadScratch.busy = true;
    borrowed_ = true;
    buffer_ = &threadScratch.buffer;
  }
  if (buffer_->size() < utf8.size()) buffer_->resize(utf8.size());
  length_ = convertUtf8ToUtf16(utf8, buffer_->data());
}

Utf16Scratch::~Utf16Scratch() {
  if (!borrowed_) return;
  if (threadScratch.buffer.size() > kKeptScratchUnits) std::u16string().swap(threadScratch.buffer);
  threadScratch.busy = false;
}

}  // namespace orvane
