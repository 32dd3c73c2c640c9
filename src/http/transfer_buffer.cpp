#include "http/transfer_buffer.h"

#include <cstring>
#include <limits>
#include <new>

namespace orvane {

TransferBuffer::TransferBuffer() : data_(new (std::nothrow) char[kInitialCapacity]) {
  if (data_) {
    capacity_ = kInitialCapacity;
    std::memset(data_.get(), 0, capacity_);
  }
}

bool TransferBuffer::append(const void* data, std::size_t size) {
  if (size == 0) {
    return true;
  }
  constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
  if (size > kMax - length_) {
    return false;
  }
  const std::size_t needed = length_ + size;
  if (needed > capacity_) {
    if (needed > kMax / 2) {
      return false;
    }
    const std::size_t grown = 2 * needed;
    std::unique_ptr<char[]> block(new (std::nothrow) char[grown]);
    if (!block) {
      return false;
    }
    if (length_ > 0) {
      std::memcpy(block.get(), data_.get(), length_);
    }
    data_ = std::move(block);
    capacity_ = grown;
  }
  std::memcpy(data_.get() + length_, data, size);
  length_ = needed;
  return true;
}

void TransferBuffer::clear() {
  if (data_) {
    std::memset(data_.get(), 0, capacity_);
  }
  length_ = 0;
  readPosition_ = 0;
}

std::size_t TransferBuffer::read(void* destination, std::size_t size) {
  if (readPosition_ >= length_) {
    return 0;
  }
  const std::size_t left = length_ - readPosition_;
  if (size > left) {
    size = left;
  }
  std::memcpy(destination, data_.get() + readPosition_, size);
  readPosition_ += size;
  return size;
}

}  // namespace orvane
