#include "server/pack_framing.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytes(std::initializer_list<int> values) {
  Bytes out;
  for (const int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes pattern(std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return out;
}

// Cuts a stream into chunks of the given sizes (the last takes the rest).
std::vector<Bytes> cut(const Bytes& stream, std::initializer_list<std::size_t> sizes) {
  std::vector<Bytes> chunks;
  std::size_t at = 0;
  for (const std::size_t size : sizes) {
    const std::size_t take = std::min(size, stream.size() - at);
    chunks.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                        stream.begin() + static_cast<std::ptrdiff_t>(at + take));
    at += take;
  }
  if (at < stream.size())
    chunks.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at), stream.end());
  return chunks;
}

std::vector<Bytes> everyByte(const Bytes& stream) {
  std::vector<Bytes> chunks;
  for (const std::uint8_t b : stream) chunks.push_back({b});
  return chunks;
}

struct DecodeRun {
  std::vector<Bytes> packs;
  PackDecodeStatus last = PackDecodeStatus::Ok;
  bool midPack = false;
};

DecodeRun decode(std::uint32_t maxPackSize, const std::vector<Bytes>& chunks) {
  PackDecoder decoder(maxPackSize);
  DecodeRun run;
  for (const auto& chunk : chunks) {
    run.last = decoder.feed(chunk, [&](std::span<const std::uint8_t> pack) {
      run.packs.emplace_back(pack.begin(), pack.end());
      return true;
    });
  }
  run.midPack = decoder.midPack();
  return run;
}

TEST(PackHeader, IsLittleEndianLengthWithFlagInTopTenBits) {
  EXPECT_EQ(encodePackHeader(3), (std::array<std::uint8_t, 4>{0x03, 0x00, 0x00, 0x00}));
  EXPECT_EQ(encodePackHeader(0x123456), (std::array<std::uint8_t, 4>{0x56, 0x34, 0x12, 0x00}));
  EXPECT_EQ(encodePackHeader(kPackMaxSizeLimit),
            (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0x3F, 0x00}));
  EXPECT_EQ(encodePackHeader(1, 0x3FF), (std::array<std::uint8_t, 4>{0x01, 0x00, 0xC0, 0xFF}));
  EXPECT_EQ(encodePack(text("login")), concat({bytes({5, 0, 0, 0}), text("login")}));
}

TEST(PackHeader, MaxPackSizeRange) {
  EXPECT_FALSE(isValidMaxPackSize(0));
  EXPECT_TRUE(isValidMaxPackSize(1));
  EXPECT_TRUE(isValidMaxPackSize(3145728));
  EXPECT_TRUE(isValidMaxPackSize(0x3FFFFF));
  EXPECT_FALSE(isValidMaxPackSize(0x400000));
}

struct DecodeCase {
  const char* name;
  std::uint32_t maxPackSize;
  std::vector<Bytes> chunks;
  std::vector<Bytes> packs;  // expected, in order
  PackDecodeStatus status;   // of the last feed
  bool midPack;              // an unfinished pack is held at the end
};

TEST(PackDecoder, TableOfStreams) {
  const Bytes abc = concat({bytes({3, 0, 0, 0}), text("abc")});
  const Bytes big = pattern(100000);
  const Bytes bigPack = concat({bytes({0xA0, 0x86, 0x01, 0x00}), big});
  const Bytes two = concat({abc, bytes({1, 0, 0, 0, 'z'})});
  const DecodeCase cases[] = {
      {"one pack, one chunk", 1024, {abc}, {text("abc")}, PackDecodeStatus::Ok, false},
      {"one byte at a time", 1024, everyByte(abc), {text("abc")}, PackDecodeStatus::Ok, false},
      {"header split 1+3", 1024, cut(abc, {1, 3}), {text("abc")}, PackDecodeStatus::Ok, false},
      {"header split 3+2+rest", 1024, cut(abc, {3, 2}), {text("abc")}, PackDecodeStatus::Ok, false},
      {"two packs, one chunk", 1024, {two}, {text("abc"), text("z")}, PackDecodeStatus::Ok, false},
      {"second header in the first chunk's tail",
       1024,
       cut(two, {9}),
       {text("abc"), text("z")},
       PackDecodeStatus::Ok,
       false},
      {"empty chunks change nothing",
       1024,
       {Bytes{}, abc, Bytes{}},
       {text("abc")},
       PackDecodeStatus::Ok,
       false},
      {"truncated body is held", 1024, {cut(abc, {5})[0]}, {}, PackDecodeStatus::Ok, true},
      {"truncated header is held", 1024, {bytes({3, 0})}, {}, PackDecodeStatus::Ok, true},
      {"flag bits are ignored",
       1024,
       {bytes({2, 0, 0xC0, 0xFF, 'h', 'i'})},
       {text("hi")},
       PackDecodeStatus::Ok,
       false},
      {"large pack across uneven chunks",
       200000,
       cut(bigPack, {2, 5, 40000, 1, 30000}),
       {big},
       PackDecodeStatus::Ok,
       false},
      {"length equal to the maximum", 3, {abc}, {text("abc")}, PackDecodeStatus::Ok, false},
      {"length one above the maximum", 2, {abc}, {}, PackDecodeStatus::BadLength, false},
      {"zero length", 1024, {bytes({0, 0, 0, 0})}, {}, PackDecodeStatus::BadLength, false},
      {"zero length with flag bits",
       1024,
       {bytes({0, 0, 0x40, 0})},
       {},
       PackDecodeStatus::BadLength,
       false},
      {"packs before a bad header are delivered",
       1024,
       {concat({abc, bytes({0, 0, 0, 0}), abc})},
       {text("abc")},
       PackDecodeStatus::BadLength,
       false},
      {"nothing after a bad header, even in later chunks",
       1024,
       {bytes({0, 0, 0, 0}), abc, abc},
       {},
       PackDecodeStatus::BadLength,
       false},
      {"bad header split across chunks",
       2,
       cut(abc, {1, 1, 1}),
       {},
       PackDecodeStatus::BadLength,
       false},
      {"header at the 22-bit limit is legal under that maximum",
       kPackMaxSizeLimit,
       {bytes({0xFF, 0xFF, 0x3F, 0x00, 'x'})},
       {},
       PackDecodeStatus::Ok,
       true},
      {"3 MiB maximum rejects 3 MiB + 1",
       3145728,
       {bytes({0x01, 0x00, 0x30, 0x00})},
       {},
       PackDecodeStatus::BadLength,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DecodeRun run = decode(c.maxPackSize, c.chunks);
    EXPECT_EQ(run.packs, c.packs);
    EXPECT_EQ(run.last, c.status);
    EXPECT_EQ(run.midPack, c.midPack);
  }
}

TEST(PackDecoder, HandlerCanStopDecodingMidChunk) {
  const Bytes stream = concat({bytes({1, 0, 0, 0, 'a'}), bytes({1, 0, 0, 0, 'b'})});
  PackDecoder decoder(16);
  std::vector<Bytes> packs;
  const auto status = decoder.feed(stream, [&](std::span<const std::uint8_t> pack) {
    packs.emplace_back(pack.begin(), pack.end());
    return false;
  });
  EXPECT_EQ(status, PackDecodeStatus::Stopped);
  EXPECT_EQ(packs, std::vector<Bytes>{text("a")});
}

TEST(PackDecoder, AssembledPacksDoNotLeakIntoTheNext) {
  // A long pack assembled from pieces, then a short one also assembled: the
  // internal buffer must hold only the second pack's bytes.
  const Bytes first = pattern(70000);
  const Bytes stream =
      concat({bytes({0x70, 0x11, 0x01, 0x00}), first, bytes({2, 0, 0, 0}), text("ok")});
  const DecodeRun run = decode(100000, cut(stream, {10, 69990, 6}));
  ASSERT_EQ(run.packs.size(), 2u);
  EXPECT_EQ(run.packs[0], first);
  EXPECT_EQ(run.packs[1], text("ok"));
}

TEST(PackDecoder, BodyCanBeReadStraightIntoItsRoom) {
  const Bytes body = pattern(100);
  const Bytes stream = concat({bytes({100, 0, 0, 0}), body, bytes({2, 0, 0, 0}), text("ok")});
  PackDecoder decoder(1024);
  std::vector<Bytes> packs;
  const auto collect = [&](std::span<const std::uint8_t> pack) {
    packs.emplace_back(pack.begin(), pack.end());
    return true;
  };
  EXPECT_TRUE(decoder.bodyRoom().empty());
  ASSERT_EQ(decoder.feed(std::span(stream).first(10), collect), PackDecodeStatus::Ok);
  auto room = decoder.bodyRoom();
  ASSERT_EQ(room.size(), 94u);
  std::copy_n(stream.begin() + 10, 50, room.begin());
  ASSERT_EQ(decoder.commitBody(50, collect), PackDecodeStatus::Ok);
  EXPECT_TRUE(packs.empty());
  room = decoder.bodyRoom();
  ASSERT_EQ(room.size(), 44u);
  std::copy_n(stream.begin() + 60, 44, room.begin());
  ASSERT_EQ(decoder.commitBody(44, collect), PackDecodeStatus::Ok);
  EXPECT_TRUE(decoder.bodyRoom().empty());
  EXPECT_FALSE(decoder.midPack());
  ASSERT_EQ(decoder.feed(std::span(stream).subspan(104), collect), PackDecodeStatus::Ok);
  EXPECT_EQ(packs, (std::vector<Bytes>{body, text("ok")}));
}

}  // namespace
}  // namespace orvane
