// Feeds arbitrary bytes to PackDecoder in arbitrary chunks (through feed(),
// or straight into bodyRoom() as the client reads long bodies) and checks every
// result against a plain decode of the whole buffer: the same packs in the
// same order, the bad length found where the whole-buffer decode finds it,
// nothing delivered after it, and an unfinished tail held back.
//
// Input: 4 control bytes, then the stream.
//   [0] maximum pack size (index into kMaxSizes)
//   [1] largest chunk (index into kChunkLimits); chunk sizes vary below it
//   [2] seed of the chunk sizes and of the choice feed / bodyRoom
//   [3] 0, or the number of the pack at which the handler asks to stop
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "server/pack_framing.h"

namespace {

using orvane::PackDecodeStatus;

constexpr std::uint32_t kMaxSizes[] = {1, 2, 7, 64, 255, 1024, 3145728, orvane::kPackMaxSizeLimit};
constexpr std::size_t kChunkLimits[] = {1, 2, 3, 5, 16, 255, 4096, SIZE_MAX};

void check(bool ok) {
  if (!ok) std::abort();
}

struct Reference {
  std::vector<std::span<const std::uint8_t>> packs;
  bool badLength = false;
  bool tail = false;  // bytes of an unfinished pack at the end
};

Reference decodeWhole(std::span<const std::uint8_t> stream, std::uint32_t maxPackSize) {
  Reference ref;
  std::size_t at = 0;
  while (stream.size() - at >= orvane::kPackHeaderSize) {
    const std::uint32_t word = stream[at] | (stream[at + 1] << 8) | (stream[at + 2] << 16) |
                               (std::uint32_t{stream[at + 3]} << 24);
    const std::uint32_t length = word & 0x3FFFFF;
    if (length == 0 || length > maxPackSize) {
      ref.badLength = true;
      return ref;
    }
    if (stream.size() - at - orvane::kPackHeaderSize < length) break;
    ref.packs.push_back(stream.subspan(at + orvane::kPackHeaderSize, length));
    at += orvane::kPackHeaderSize + length;
  }
  ref.tail = at < stream.size();
  return ref;
}

bool same(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint32_t maxPackSize = kMaxSizes[data[0] % std::size(kMaxSizes)];
  const std::size_t chunkLimit = kChunkLimits[data[1] % std::size(kChunkLimits)];
  std::uint32_t seed = data[2] | 0x9E3779B8u;
  const std::size_t stopAt = data[3];
  const std::span<const std::uint8_t> stream(data + 4, size - 4);

  const Reference ref = decodeWhole(stream, maxPackSize);

  orvane::PackDecoder decoder(maxPackSize);
  std::size_t delivered = 0;
  bool stopped = false;
  bool failed = false;
  std::size_t at = 0;
  while (at < stream.size() && !stopped) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    const std::size_t left = stream.size() - at;
    const std::size_t limit = chunkLimit < left ? chunkLimit : left;
    const std::size_t take = 1 + seed % limit;
    const auto onPack = [&](std::span<const std::uint8_t> pack) {
      check(!failed);
      check(delivered < ref.packs.size());
      check(same(pack, ref.packs[delivered]));
      ++delivered;
      return delivered != stopAt;
    };
    PackDecodeStatus status;
    const std::span<std::uint8_t> room = decoder.bodyRoom();
    if (!room.empty() && (seed & 0x100) != 0) {
      // The way the client reads the rest of a long body: straight into the
      // decoder, never past the body's end.
      const std::size_t direct = take < room.size() ? take : room.size();
      std::memcpy(room.data(), stream.data() + at, direct);
      at += direct;
      status = decoder.commitBody(direct, onPack);
    } else {
      // A copy of exactly the chunk, so a read past its end is caught.
      const std::vector<std::uint8_t> chunk(
          stream.begin() + static_cast<std::ptrdiff_t>(at),
          stream.begin() + static_cast<std::ptrdiff_t>(at + take));
      at += take;
      status = decoder.feed(chunk, onPack);
    }
    if (status == PackDecodeStatus::Stopped) {
      check(delivered == stopAt);
      stopped = true;
    } else if (status == PackDecodeStatus::BadLength) {
      check(ref.badLength);
      check(decoder.failed());
      failed = true;
    } else {
      check(!failed);
    }
  }
  if (stopped) return 0;
  check(delivered == ref.packs.size());
  check(failed == ref.badLength);
  check(decoder.failed() == ref.badLength);
  if (!ref.badLength) check(decoder.midPack() == ref.tail);
  // Once failed, more input changes nothing.
  if (failed) {
    const std::uint8_t more[] = {1, 0, 0, 0, 'x'};
    check(decoder.feed(more, [](auto) { return true; }) == PackDecodeStatus::BadLength);
  }
  return 0;
}
