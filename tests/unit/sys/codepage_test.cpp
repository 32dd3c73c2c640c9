#include "sys/codepage.h"

#include <gtest/gtest.h>

#include "sys/utf.h"

namespace orvane::text {
namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

TEST(GbkToUtf8, TableOfValidAndInvalidInput) {
  const struct {
    const char* name;
    std::string gbk;
    std::string utf8;
  } cases[] = {
      {"empty", "", ""},
      {"ascii", "ip=127.0.0.1", "ip=127.0.0.1"},
      {"chinese", "\xC5\xC5\xD0\xD0\xB0\xF1", "排行榜"},
      {"mixed", "[\xD1\xA1\xD4\xF1] index=2", "[选择] index=2"},
      {"euro sign of code page 936", "\x80", "€"},
      {"trail byte that looks like ']'", "\xB5\x5D", "礭"},
      {"lone lead byte at the end", "ab\x81", "ab" + kFFFD},
      {"lead byte before ascii keeps the ascii",
       "\x81"
       "=1",
       kFFFD + "=1"},
      {"lead byte and a letter are one character",
       "\x81"
       "A",
       "丄"},
      {"0xff is never valid", "x\xFFy", "x" + kFFFD + "y"},
      {"unmapped pair is one character", "\xA2\xE3z", kFFFD + "z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = gbkToUtf8(c.gbk);
    EXPECT_EQ(out, c.utf8);
    EXPECT_TRUE(isValidUtf8(out));
  }
}

TEST(Utf8ToGbk, TableOfValidAndInvalidInput) {
  const struct {
    const char* name;
    std::string utf8;
    std::string gbk;
  } cases[] = {
      {"empty", "", ""},
      {"ascii", "webport=8099", "webport=8099"},
      {"chinese", "排行榜", "\xC5\xC5\xD0\xD0\xB0\xF1"},
      {"euro sign", "€", "\x80"},
      {"character outside code page 936", "a\U0001F3C6b", "a?b"},
      {"korean outside code page 936", "\xED\x95\x9C", "?"},
      {"overlong bytes", "\xC0\xAF!",
       "?"
       "?!"},
      {"stray continuation", "x\x80y", "x?y"},
      {"cut off at the end", "ok\xE6\x8E", "ok?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf8ToGbk(c.utf8), c.gbk);
  }
}

TEST(CodePage936, EveryMappedCharacterOfTheBasicPlaneRoundTrips) {
  int mapped = 0;
  for (char32_t cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string utf8;
    appendCodePointAsUtf8(cp, utf8);
    const std::string gbk = utf8ToGbk(utf8);
    if (gbk == "?") continue;
    ++mapped;
    ASSERT_EQ(gbkToUtf8(gbk), utf8) << "U+" << std::hex << static_cast<unsigned>(cp);
  }
  // Code page 936 holds more than 21,000 characters.
  EXPECT_GT(mapped, 21000);
}

TEST(CodePage936, LongTextCrossesTheOutputBufferSize) {
  std::string utf8;
  std::string gbk;
  for (int i = 0; i < 5000; ++i) {
    utf8 += "榜a";
    gbk +=
        "\xB0\xF1"
        "a";
  }
  EXPECT_EQ(utf8ToGbk(utf8), gbk);
  EXPECT_EQ(gbkToUtf8(gbk), utf8);
}

}  // namespace
}  // namespace orvane::text
