#include "json/json_utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "sys/utf.h"

namespace orvane {
namespace {

std::u16string fastConversion(const std::string& utf8) {
  std::u16string out(utf8.size(), u'\0');
  out.resize(convertUtf8ToUtf16(utf8, out.data()));
  return out;
}

// The parser's own converter must agree with the program's, byte for byte,
// including how ill-formed input is replaced.
TEST(JsonUtf8, AgreesWithTheProgramsConversion) {
  const std::string cases[] = {
      "",
      "plain ascii, longer than eight bytes",
      "排行榜",
      "\xF0\x9F\x8F\x86 trophy",
      "12345678\xE6\x8E\x92"
      "abcdefgh",
      "a\x80z",
      "\xC0\xAF",
      "\xE0\x80\xAF",
      "\xED\xA0\x80",
      "\xF4\x90\x80\x80",
      "x\xE6\x8E",
      "\xF0\x9F\x8Fz",
      "\xC5\xC5\xD0\xD0",
      std::string("nul\0inside", 10),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c);
    EXPECT_EQ(fastConversion(c), text::utf8ToUtf16(c));
  }
  // Random bytes, biased towards the lead and continuation ranges.
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> length(0, 40);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    const int n = length(random);
    for (int k = 0; k < n; ++k) {
      int b = byte(random);
      if (b < 96) b = 0x80 + (b % 64);  // continuation bytes
      bytes.push_back(static_cast<char>(b));
    }
    ASSERT_EQ(fastConversion(bytes), text::utf8ToUtf16(bytes)) << "round " << round;
  }
}

TEST(JsonUtf8, ScratchBuffersDoNotInterfere) {
  const Utf16Scratch outer("outer \xE6\x8E\x92");
  {
    const Utf16Scratch inner("inner text that is longer than the outer one");
    EXPECT_EQ(inner.text(), u"inner text that is longer than the outer one");
  }
  EXPECT_EQ(outer.text(), u"outer 排");
  const Utf16Scratch big(std::string(300000, 'x'));
  EXPECT_EQ(big.text().size(), 300000u);
}

}  // namespace
}  // namespace orvane
