#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <cstdint>

#include "sys/codepage.h"
#include "sys/utf.h"

namespace orvane::text {
namespace {

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";

// One conversion direction. iconv descriptors carry shift state and are not
// safe to share between threads, so each thread opens its own pair once.
class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

IconvHandle& gbkToUtf8Handle() {
  thread_local IconvHandle handle("UTF-8", "CP936");
  return handle;
}

IconvHandle& utf8ToGbkHandle() {
  thread_local IconvHandle handle("CP936", "UTF-8");
  return handle;
}

bool isAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<std::uint8_t>(c) < 0x80; });
}

// Bytes taken by one bad spot in code page 936 input: a lead byte with a byte
// of the trail range after it is one unmapped character; anything else is a
// single stray byte, so the ASCII after it survives.
std::size_t badGbkLength(const char* p, std::size_t left) {
  const auto lead = static_cast<std::uint8_t>(p[0]);
  if (left >= 2 && lead >= 0x81 && lead <= 0xFE) {
    const auto trail = static_cast<std::uint8_t>(p[1]);
    if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE)) return 2;
  }
  return 1;
}

// Bytes taken by one spot that UTF-8 -> 936 could not convert: a whole
// well-formed character that 936 lacks, or one byte of an ill-formed sequence.
std::size_t badUtf8Length(const char* p, std::size_t left) {
  const auto lead = static_cast<std::uint8_t>(p[0]);
  std::size_t length = 1;
  if (lead >= 0xF0) {
    length = 4;
  } else if (lead >= 0xE0) {
    length = 3;
  } else if (lead >= 0xC0) {
    length = 2;
  }
  if (length > left || !isValidUtf8(std::string_view(p, length))) return 1;
  return length;
}

// Runs iconv over the whole input, appending a replacement for every spot it
// rejects and carrying on after it.
template <typename BadLength>
std::string convert(IconvHandle& handle, std::string_view input, std::string_view replacement,
                    BadLength badLength) {
  std::string out;
  out.resize(input.size() * 2 + 16);
  char* in = const_cast<char*>(input.data());  // iconv's interface is not const-correct
  std::size_t inLeft = input.size();
  std::size_t used = 0;
  while (inLeft > 0) {
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    const std::size_t rc = iconv(handle.get(), &in, &inLeft, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (rc != static_cast<std::size_t>(-1)) break;
    const int error = errno;
    if (error == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ (bad or unmappable sequence) or EINVAL (cut off at the end).
    iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
    const std::size_t skip = error == EINVAL ? inLeft : badLength(in, inLeft);
    out.resize(std::max(out.size(), used + replacement.size()));
    out.replace(used, replacement.size(), replacement);
    used += replacement.size();
    in += skip;
    inLeft -= skip;
    if (out.size() - used < 16) out.resize(out.size() * 2 + 16);
  }
  out.resize(used);
  return out;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
  if (isAscii(gbk)) return std::string(gbk);
  IconvHandle& handle = gbkToUtf8Handle();
  if (!handle.valid()) {
    // Without the converter, keep what is certain: ASCII stays, the rest is
    // marked as unreadable.
    std::string out;
    for (std::size_t i = 0; i < gbk.size();) {
      if (static_cast<std::uint8_t>(gbk[i]) < 0x80) {
        out.push_back(gbk[i++]);
      } else {
        out.append(kUtf8Replacement);
        i += badGbkLength(gbk.data() + i, gbk.size() - i);
      }
    }
    return out;
  }
  return convert(handle, gbk, kUtf8Replacement, badGbkLength);
}

std::string utf8ToGbk(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  IconvHandle& handle = utf8ToGbkHandle();
  if (!handle.valid()) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
      if (static_cast<std::uint8_t>(utf8[i]) < 0x80) {
        out.push_back(utf8[i++]);
      } else {
        out.push_back('?');
        i += badUtf8Length(utf8.data() + i, utf8.size() - i);
      }
    }
    return out;
  }
  return convert(handle, utf8, "?", badUtf8Length);
}

}  // namespace orvane::text
