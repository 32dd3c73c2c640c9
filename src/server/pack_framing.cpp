#include "server/pack_framing.h"

namespace orvane {
namespace {

// An assembled body buffer up to this size (the default maximum pack size)
// is kept for the next pack; a larger one, for a rare multi-megabyte pack, is
// given back.
constexpr std::size_t kKeptBodyCapacity = kDefaultMaxPackSize;

}  // namespace

bool isValidMaxPackSize(std::uint32_t size) { return size != 0 && size <= kPackMaxSizeLimit; }

std::array<std::uint8_t, kPackHeaderSize> encodePackHeader(std::uint32_t bodyLength,
                                                           std::uint32_t flag) {
  const std::uint32_t word = (flag << 22) | (bodyLength & kPackMaxSizeLimit);
  return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
          static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}

std::vector<std::uint8_t> encodePack(std::span<const std::uint8_t> body) {
  std::vector<std::uint8_t> out;
  out.reserve(kPackHeaderSize + body.size());
  const auto header = encodePackHeader(static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), header.begin(), header.end());
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

PackDecoder::PackDecoder(std::uint32_t maxPackSize)
    : maxPackSize_(isValidMaxPackSize(maxPackSize) ? maxPackSize : kDefaultMaxPackSize) {}

bool PackDecoder::acceptHeader(const std::uint8_t* header) {
  const std::uint32_t word = std::uint32_t{header[0]} | (std::uint32_t{header[1]} << 8) |
                             (std::uint32_t{header[2]} << 16) | (std::uint32_t{header[3]} << 24);
  const std::uint32_t length = word & kPackMaxSizeLimit;
  if (length == 0 || length > maxPackSize_) {
    failed_ = true;
    body_.reset();
    bodyCapacity_ = 0;
    return false;
  }
  bodyLength_ = length;
  return true;
}

void PackDecoder::reserveBody() {
  bodyFill_ = 0;
  if (bodyCapacity_ >= bodyLength_) return;
  body_.reset();
  bodyCapacity_ = 0;
  body_ = std::make_unique_for_overwrite<std::uint8_t[]>(bodyLength_);
  bodyCapacity_ = bodyLength_;
}

void PackDecoder::releaseBody() {
  if (bodyCapacity_ > kKeptBodyCapacity) {
    body_.reset();
    bodyCapacity_ = 0;
  }
}

}  // namespace orvane
