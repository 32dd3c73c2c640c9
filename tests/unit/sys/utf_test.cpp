#include "sys/utf.h"

#include <gtest/gtest.h>

namespace orvane::text {
namespace {

struct Utf8Case {
  const char* name;
  std::string input;
  std::u16string utf16;  // expected decoding
  bool valid;
};

const std::u16string kFFFD(1, u'\xFFFD');

TEST(Utf8Decoding, TableOfWellFormedAndIllFormedInput) {
  const Utf8Case cases[] = {
      {"empty", "", u"", true},
      {"ascii", "clientJS2({})", u"clientJS2({})", true},
      {"chinese", "\xE6\x8E\x92\xE8\xA1\x8C\xE6\xA6\x9C", u"排行榜", true},
      {"emoji as surrogate pair", "\xF0\x9F\x8F\x86", u"\U0001F3C6", true},
      {"u+fffd itself is valid", "\xEF\xBF\xBD", kFFFD, true},
      {"lone continuation", "a\x80z", u"a" + kFFFD + u"z", false},
      {"overlong slash", "\xC0\xAF", kFFFD + kFFFD, false},
      {"overlong three-byte", "\xE0\x80\xAF", kFFFD + kFFFD + kFFFD, false},
      {"surrogate encoded", "\xED\xA0\x80", kFFFD + kFFFD + kFFFD, false},
      {"above u+10ffff", "\xF4\x90\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD, false},
      {"truncated at end is one subpart", "x\xE6\x8E", u"x" + kFFFD, false},
      {"truncated then ascii", "\xF0\x9F\x8Fz", kFFFD + u"z", false},
      {"gbk bytes are not utf-8", "\xC5\xC5\xD0\xD0", kFFFD + kFFFD + kFFFD + kFFFD, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf8ToUtf16(c.input), c.utf16);
    EXPECT_EQ(isValidUtf8(c.input), c.valid);
    const std::string clean = sanitizeUtf8(c.input);
    EXPECT_TRUE(isValidUtf8(clean));
    EXPECT_EQ(utf8ToUtf16(clean), c.utf16);
    if (c.valid) {
      EXPECT_EQ(clean, c.input);
    }
  }
}

TEST(Utf16Encoding, RoundTripsAndReplacesLoneSurrogates) {
  const std::u16string text = u"排行榜 \U0001F3C6 score=100";
  EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(text)), text);

  std::u16string lone;
  lone.push_back(u'a');
  lone.push_back(static_cast<char16_t>(0xD83C));  // high surrogate, no partner
  lone.push_back(u'b');
  lone.push_back(static_cast<char16_t>(0xDFC6));  // low surrogate alone
  EXPECT_EQ(utf16ToUtf8(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Utf8Encoding, CodePointsOutsideUnicodeBecomeReplacement) {
  std::string out;
  appendCodePointAsUtf8(0x110000, out);
  appendCodePointAsUtf8(0xD800, out);
  appendCodePointAsUtf8(0x24, out);
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD$");
}

}  // namespace
}  // namespace orvane::text
