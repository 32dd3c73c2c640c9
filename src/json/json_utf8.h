#pragma once
// UTF-8 text turned into UTF-16 for the parser into a buffer that each thread
// reuses: the text of every message is converted once per parse, so a fresh
// allocation each time should not be needed. The conversion is the program's
// own (text::convertUtf8ToUtf16, sys/utf.h): each maximal ill-formed subpart
// becomes one U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// Holds the UTF-16 form of a text for as long as it lives. Uses the thread's
// scratch buffer when it is free (and keeps it for the next text unless it
// grew large), its own buffer otherwise.
class Utf16Scratch {
 public:
  explicit Utf16Scratch(std::string_view utf8);
  ~Utf16Scratch();
  Utf16Scratch(const Utf16Scratch&) = delete;
  Utf16Scratch& operator=(const Utf16Scratch&) = delete;

  std::u16string_view text() const noexcept { return {buffer_->data(), length_}; }

 private:
  std::u16string own_;
  std::u16string* buffer_;
  std::size_t length_ = 0;
  bool borrowed_ = false;
};

}  // namespace orvane
