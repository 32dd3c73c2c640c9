#pragma once
// JsonTextBuilder: the growable buffer the writer fills. It starts at the
// capacity the caller gives (1024 bytes when 0 or less) and, when an append
// does not fit, grows to twice its capacity plus the room the append needs.

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane {

template <typename Char>
class JsonTextBuilder {
 public:
  static constexpr std::int32_t kDefaultCapacityBytes = 1024;

  explicit JsonTextBuilder(std::int32_t initialCapacityBytes) {
    if (initialCapacityBytes <= 0) initialCapacityBytes = kDefaultCapacityBytes;
    buffer_.resize(static_cast<std::size_t>(initialCapacityBytes) / sizeof(Char) + 1);
  }

  std::size_t length() const noexcept { return length_; }

  // Room for `n` more characters; write them through the pointer and commit
  // how many were written.
  Char* room(std::size_t n) {
    if (length_ + n > buffer_.size()) buffer_.resize(buffer_.size() * 2 + n);
    return buffer_.data() + length_;
  }
  void commit(std::size_t n) noexcept { length_ += n; }

  void push(Char c) {
    *room(1) = c;
    ++length_;
  }
  void append(const char* ascii, std::size_t n) {
    Char* out = room(n);
    for (std::size_t k = 0; k < n; ++k) out[k] = static_cast<Char>(ascii[k]);
    length_ += n;
  }
  void appendRepeated(Char c, std::size_t n) {
    Char* out = room(n);
    for (std::size_t k = 0; k < n; ++k) out[k] = c;
    length_ += n;
  }

  std::basic_string<Char> take() {
    buffer_.resize(length_);
    length_ = 0;
    return std::move(buffer_);
  }

 private:
  std::basic_string<Char> buffer_;
  std::size_t length_ = 0;
};

}  // namespace orvane
