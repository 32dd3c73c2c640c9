#pragma once
// A growable byte buffer for one direction of a transfer (body, headers or
// upload), with a read position for handing the upload out piece by piece.

#include <cstddef>
#include <memory>
#include <string_view>

namespace orvane {

class TransferBuffer {
 public:
  static constexpr std::size_t kInitialCapacity = 512;

  TransferBuffer();

  TransferBuffer(const TransferBuffer&) = delete;
  TransferBuffer& operator=(const TransferBuffer&) = delete;

  // Appends the bytes. When they do not fit, the buffer moves to a block of
  // twice the size needed, so a stream of small pieces costs few copies.
  // False, with the buffer unchanged, when the memory cannot be had.
  bool append(const void* data, std::size_t size);

  // Zeroes the content; length and read position go back to 0.
  void clear();

  // Copies up to `size` bytes from the read position and advances it; 0 once
  // everything has been handed out.
  std::size_t read(void* destination, std::size_t size);

  std::string_view view() const { return {data_.get(), length_}; }
  std::size_t capacity() const { return capacity_; }
  std::size_t length() const { return length_; }
  std::size_t readPosition() const { return readPosition_; }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t capacity_ = 0;
  std::size_t length_ = 0;
  std::size_t readPosition_ = 0;
};

}  // namespace orvane
