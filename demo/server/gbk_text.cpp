#include "gbk_text.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace orvane::demo {

namespace {

struct IconvCloser {
  void operator()(iconv_t handle) const { iconv_close(handle); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// Bytes to skip for the bad UTF-8 character at `at`: its lead byte and the
// continuation bytes that belong to it, so the next character is kept.
std::size_t badUtf8Length(const char* at, std::size_t left) {
  const auto lead = static_cast<unsigned char>(at[0]);
  std::size_t expected = 1;
  if (lead >= 0xF0 && lead <= 0xF4) {
    expected = 4;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    expected = 3;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    expected = 2;
  }
  std::size_t length = 1;
  while (length < expected && length < left &&
         (static_cast<unsigned char>(at[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length;
}

// Converts as much as it can; a sequence the source or target cannot take is
// skipped (one character of UTF-8 input, one byte of GBK input) and
// `replacement` written in its place.
std::string convert(std::string_view input, const char* to, const char* from,
                    std::string_view replacement, bool utf8Input) {
  const IconvHandle handle(iconv_open(to, from));
  std::string out;
  if (handle.get() == reinterpret_cast<iconv_t>(-1)) return out;
  out.reserve(input.size() * 2);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(handle.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
    const std::size_t skip = utf8Input ? badUtf8Length(in, inLeft) : std::size_t{1};
    in += skip;
    inLeft -= skip;
    out += replacement;
    iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::string utf8ToGbk(std::string_view utf8) { return convert(utf8, "GBK", "UTF-8", "?", true); }

std::string gbkToUtf8(std::string_view gbk) {
  return convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD", false);
}

}  // namespace orvane::demo
