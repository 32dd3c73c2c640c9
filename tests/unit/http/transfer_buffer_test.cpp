#include "http/transfer_buffer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace orvane {
namespace {

TEST(TransferBuffer, StartsWith512BytesAndGrowsToTwiceTheNeededSize) {
  TransferBuffer buffer;
  EXPECT_EQ(buffer.capacity(), 512u);
  EXPECT_EQ(buffer.length(), 0u);

  const std::string first(500, 'a');
  ASSERT_TRUE(buffer.append(first.data(), first.size()));
  EXPECT_EQ(buffer.capacity(), 512u);

  // 500 + 100 does not fit: one step to 2 x 600.
  const std::string second(100, 'b');
  ASSERT_TRUE(buffer.append(second.data(), second.size()));
  EXPECT_EQ(buffer.capacity(), 1200u);
  EXPECT_EQ(buffer.view(), first + second);

  // A single large piece on an empty buffer.
  TransferBuffer large;
  const std::string piece(5000, 'x');
  ASSERT_TRUE(large.append(piece.data(), piece.size()));
  EXPECT_EQ(large.capacity(), 10000u);
  EXPECT_EQ(large.view(), piece);
}

TEST(TransferBuffer, ImpossibleSizeLeavesTheBufferUnchanged) {
  TransferBuffer buffer;
  ASSERT_TRUE(buffer.append("abc", 3));
  const char dummy = 0;
  EXPECT_FALSE(buffer.append(&dummy, std::numeric_limits<std::size_t>::max()));
  EXPECT_FALSE(buffer.append(&dummy, std::numeric_limits<std::size_t>::max() / 2));
  EXPECT_EQ(buffer.view(), "abc");
  EXPECT_EQ(buffer.capacity(), 512u);
}

TEST(TransferBuffer, ReadHandsOutPiecesThenZero) {
  TransferBuffer buffer;
  ASSERT_TRUE(buffer.append("hello world", 11));
  char out[64] = {};

  // Shorter than asked: everything in one piece, then the end.
  EXPECT_EQ(buffer.read(out, sizeof out), 11u);
  EXPECT_EQ(std::string(out, 11), "hello world");
  EXPECT_EQ(buffer.read(out, sizeof out), 0u);

  buffer.clear();
  EXPECT_EQ(buffer.length(), 0u);
  EXPECT_EQ(buffer.readPosition(), 0u);
  ASSERT_TRUE(buffer.append("abcdef", 6));
  EXPECT_EQ(buffer.read(out, 4), 4u);
  EXPECT_EQ(std::string(out, 4), "abcd");
  EXPECT_EQ(buffer.read(out, 4), 2u);
  EXPECT_EQ(std::string(out, 2), "ef");
  EXPECT_EQ(buffer.read(out, 4), 0u);
}

TEST(TransferBuffer, ClearZeroesTheOldContent) {
  TransferBuffer buffer;
  ASSERT_TRUE(buffer.append("secret", 6));
  buffer.clear();
  ASSERT_TRUE(buffer.append("", 0));
  // The block is still there; its bytes must no longer hold the old data.
  EXPECT_EQ(std::string(buffer.view().data(), 6), std::string(6, '\0'));
}

}  // namespace
}  // namespace orvane
