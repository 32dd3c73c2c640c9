#pragma once
// The TCP pack framing of the push service (HP-Socket's pack framing).
//
// Every pack is a 4-byte little-endian header, (flag << 22) | bodyLength,
// followed by the body. The flag is left at 0 when sending and not checked
// when receiving. A body length of 0 or above the maximum pack size is a
// protocol error: the stream cannot be resynchronised, so the decoder stops
// for good and the connection is to be closed.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace orvane {

inline constexpr std::size_t kPackHeaderSize = 4;
// The largest body length the header can carry (22 bits).
inline constexpr std::uint32_t kPackMaxSizeLimit = 0x3FFFFF;
// What a client accepts until it is told otherwise.
inline constexpr std::uint32_t kDefaultMaxPackSize = 0x40000;

bool isValidMaxPackSize(std::uint32_t size);

std::array<std::uint8_t, kPackHeaderSize> encodePackHeader(std::uint32_t bodyLength,
                                                           std::uint32_t flag = 0);
// Header and body in one buffer, ready to write; the body must not be longer
// than kPackMaxSizeLimit.
std::vector<std::uint8_t> encodePack(std::span<const std::uint8_t> body);

enum class PackDecodeStatus {
  Ok,         // every byte consumed; a pack may be partly buffered
  Stopped,    // the pack handler asked to stop; the rest of the input was dropped
  BadLength,  // a header with length 0 or above the maximum; the decoder is dead
};

// Turns a byte stream, cut into arbitrary chunks, back into whole packs.
// Packs that lie whole inside one chunk are handed out without a copy; the
// others are assembled in an internal buffer. While a body is being
// assembled, a reader may also receive straight into bodyRoom() and report
// the bytes with commitBody(), which saves the copy for long packs. A pack's
// bytes are valid only during the handler call.
class PackDecoder {
 public:
  explicit PackDecoder(std::uint32_t maxPackSize = kDefaultMaxPackSize);

  // onPack(std::span<const std::uint8_t>) returns true to go on decoding.
  template <class OnPack>
  PackDecodeStatus feed(std::span<const std::uint8_t> in, OnPack&& onPack);

  // The rest of the body being assembled; empty when no body is under way.
  std::span<std::uint8_t> bodyRoom() {
    return bodyLength_ == 0
               ? std::span<std::uint8_t>()
               : std::span<std::uint8_t>(body_.get() + bodyFill_, bodyLength_ - bodyFill_);
  }
  // The first n bytes of bodyRoom() were filled.
  template <class OnPack>
  PackDecodeStatus commitBody(std::size_t n, OnPack&& onPack);

  bool failed() const { return failed_; }
  // Bytes of an unfinished pack (header included) are held.
  bool midPack() const { return headerFill_ != 0 || bodyLength_ != 0; }
  std::uint32_t maxPackSize() const { return maxPackSize_; }

 private:
  // Reads a complete header; false (and failed) when its length is illegal.
  bool acceptHeader(const std::uint8_t* header);
  // Room for bodyLength_ bytes in body_.
  void reserveBody();
  // Hands out the assembled body and makes ready for the next header.
  template <class OnPack>
  bool deliverBody(OnPack& onPack);
  void releaseBody();

  std::uint32_t maxPackSize_;
  std::array<std::uint8_t, kPackHeaderSize> header_{};
  std::size_t headerFill_ = 0;
  std::uint32_t bodyLength_ = 0;  // nonzero while a body is being assembled
  std::size_t bodyFill_ = 0;
  std::unique_ptr<std::uint8_t[]> body_;  // not value-initialised: filled before it is read
  std::size_t bodyCapacity_ = 0;
  bool failed_ = false;
};

template <class OnPack>
PackDecodeStatus PackDecoder::feed(std::span<const std::uint8_t> in, OnPack&& onPack) {
  if (failed_) return PackDecodeStatus::BadLength;
  while (!in.empty()) {
    if (bodyLength_ == 0) {
      const std::uint8_t* header = nullptr;
      if (headerFill_ == 0 && in.size() >= kPackHeaderSize) {
        header = in.data();
        in = in.subspan(kPackHeaderSize);
      } else {
        const std::size_t take = std::min(kPackHeaderSize - headerFill_, in.size());
        std::memcpy(header_.data() + headerFill_, in.data(), take);
        headerFill_ += take;
        in = in.subspan(take);
        if (headerFill_ < kPackHeaderSize) break;
        headerFill_ = 0;
        header = header_.data();
      }
      if (!acceptHeader(header)) return PackDecodeStatus::BadLength;
      if (in.size() >= bodyLength_) {
        const auto pack = in.first(bodyLength_);
        in = in.subspan(bodyLength_);
        bodyLength_ = 0;
        if (!onPack(pack)) return PackDecodeStatus::Stopped;
        continue;
      }
      reserveBody();
    }
    const std::size_t take = std::min<std::size_t>(bodyLength_ - bodyFill_, in.size());
    std::memcpy(body_.get() + bodyFill_, in.data(), take);
    bodyFill_ += take;
    in = in.subspan(take);
    if (bodyFill_ == bodyLength_ && !deliverBody(onPack)) return PackDecodeStatus::Stopped;
  }
  return PackDecodeStatus::Ok;
}

template <class OnPack>
PackDecodeStatus PackDecoder::commitBody(std::size_t n, OnPack&& onPack) {
  if (failed_) return PackDecodeStatus::BadLength;
  bodyFill_ += std::min<std::size_t>(n, bodyLength_ - bodyFill_);
  if (bodyLength_ != 0 && bodyFill_ == bodyLength_ && !deliverBody(onPack)) {
    return PackDecodeStatus::Stopped;
  }
  return PackDecodeStatus::Ok;
}

template <class OnPack>
bool PackDecoder::deliverBody(OnPack& onPack) {
  const std::size_t length = bodyLength_;
  bodyLength_ = 0;
  bodyFill_ = 0;
  const bool goOn = onPack(std::span<const std::uint8_t>(body_.get(), length));
  releaseBody();
  return goOn;
}

}  // namespace orvane
