#include "json/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "json/json_document.h"
#include "sys/utf.h"

namespace orvane {
namespace {

JsonDocument parsed(const std::string& text) {
  JsonDocument doc;
  EXPECT_TRUE(doc.parse(text)) << text;
  return doc;
}

TEST(JsonWriter, PrettyAndCompactOutputIsExact) {
  const JsonDocument doc = parsed(R"({"a":1,"b":[1,2],"c":{"d":true}})");
  EXPECT_EQ(doc.toText("", true),
            "{\r\n"
            "\t\"a\":1,\r\n"
            "\t\"b\":[1,2],\r\n"
            "\t\"c\":{\r\n"
            "\t\t\"d\":true\r\n"
            "\t}\r\n"
            "}");
  EXPECT_EQ(doc.toText("", false), R"({"a":1,"b":[1,2],"c":{"d":true}})");
  EXPECT_EQ(doc.toText(u"", true), text::utf8ToUtf16(doc.toText("", true)));
}

TEST(JsonWriter, PrettyShapesOfEmptyAndNestedContainers) {
  struct Case {
    const char* text;
    const char* pretty;
  };
  const Case cases[] = {
      {"{}", "{\r\n}"},
      {"[]", "[]"},
      {R"([{"a":1}])", "[{\r\n\t\t\"a\":1\r\n\t}]"},
      {R"({"x":[{"a":[]},{}]})", "{\r\n\t\"x\":[{\r\n\t\t\t\"a\":[]\r\n\t\t},{\r\n\t\t}]\r\n}"},
      {R"({"o":{}})", "{\r\n\t\"o\":{\r\n\t}\r\n}"},
      {"7", "7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parsed(c.text).toText("", true), c.pretty);
  }
}

TEST(JsonWriter, EscapesExactlyTheTabledCharacters) {
  JsonDocument doc;
  ASSERT_TRUE(doc.reset());
  const std::u16string value = u"q\" b\\ s/ \b\t\n\f\r one' 排\x01\x1F";
  ASSERT_TRUE(doc.setString(u"k\"/", value));
  EXPECT_EQ(doc.toText(), "{\"k\\\"\\/\":\"q\\\" b\\\\ s\\/ \\b\\t\\n\\f\\r one' 排\x01\x1F\"}");
  // Without escaping everything goes out as it is.
  EXPECT_EQ(doc.toText("", false, false), "{\"k\"/\":\"q\" b\\ s/ \b\t\n\f\r one' 排\x01\x1F\"}");
  // The escaped text reads back to the same string.
  JsonDocument again = parsed(doc.toText());
  EXPECT_EQ(again.getText(u"k\"/"), value);
}

// Long ASCII runs are copied several characters at a time: every character
// that needs care must still be found at every offset inside such a run.
TEST(JsonWriter, EscapesAtEveryOffsetOfAnAsciiRun) {
  const char16_t specials[] = {u'"', u'\\', u'/', 0x08, 0x09, 0x0A, 0x0C,
                               0x0D, 0x01,  0x1F, 0x7F, u'~', u' ', 0xE9};
  const auto expectedEscaped = [](char16_t c) -> std::string {
    switch (c) {
      case u'"':
        return "\\\"";
      case u'\\':
        return "\\\\";
      case u'/':
        return "\\/";
      case 0x08:
        return "\\b";
      case 0x09:
        return "\\t";
      case 0x0A:
        return "\\n";
      case 0x0C:
        return "\\f";
      case 0x0D:
        return "\\r";
      case 0xE9:
        return "\xC3\xA9";
      default:
        return std::string(1, static_cast<char>(c));
    }
  };
  for (const char16_t special : specials) {
    for (std::size_t offset = 0; offset < 12; ++offset) {
      std::u16string value(12, u'a');
      value[offset] = special;
      JsonDocument doc;
      ASSERT_TRUE(doc.reset());
      ASSERT_TRUE(doc.setString(u"", value));
      std::string expected = "\"" + std::string(offset, 'a') + expectedEscaped(special) +
                             std::string(11 - offset, 'a') + "\"";
      EXPECT_EQ(doc.toText(), expected)
          << "character " << static_cast<int>(special) << " at " << offset;
      std::string raw =
          "\"" + std::string(offset, 'a') +
          (special == 0xE9 ? std::string("\xC3\xA9") : std::string(1, static_cast<char>(special))) +
          std::string(11 - offset, 'a') + "\"";
      EXPECT_EQ(doc.toText("", false, false), raw);
    }
  }
}

TEST(JsonWriter, NumbersAreWrittenAsTheirTextForm) {
  const JsonDocument doc = parsed("[1.50,+5,1E3,-0.0,1e-7]");
  EXPECT_EQ(doc.toText(), "[1.50,+5,1E3,-0.0,1e-7]");

  JsonDocument set;
  ASSERT_TRUE(set.reset());
  ASSERT_TRUE(set.setInteger64("i", -9007199254740993));
  ASSERT_TRUE(set.setInteger("j", -5));
  ASSERT_TRUE(set.setDecimal("d", 0.1));
  ASSERT_TRUE(set.setDecimal("w", 100.0));
  ASSERT_TRUE(set.setDecimal("nan", std::nan("")));
  EXPECT_EQ(set.toText(), R"({"i":-9007199254740993,"j":-5,"d":0.1,"w":100.0,"nan":null})");
  EXPECT_EQ(set.kindAt("w"), static_cast<std::int32_t>(JsonKind::Decimal));
}

TEST(JsonWriter, NodeAtPathAndMissingPath) {
  const JsonDocument doc = parsed(R"({"a":{"b":[1,{"c":"x"}]}})");
  EXPECT_EQ(doc.toText("a.b"), R"([1,{"c":"x"}])");
  EXPECT_EQ(doc.toText("a.b[1].c"), R"("x")");
  EXPECT_EQ(doc.toText("a.missing"), "");
  EXPECT_EQ(doc.toText(u"a.missing"), u"");
  EXPECT_EQ(JsonDocument().toText(), "");
}

TEST(JsonWriter, SmallInitialCapacityGrows) {
  const std::string text =
      R"({"name":"排行榜","list":[1,2,3,4,5,6,7,8,9,10],"long":")" + std::string(5000, 'x') + "\"}";
  const JsonDocument doc = parsed(text);
  for (const std::int32_t capacity : {-5, 0, 1, 2, 3, 7, 1024, 1 << 20}) {
    SCOPED_TRACE(capacity);
    EXPECT_EQ(doc.toText("", false, true, capacity), text);
    EXPECT_EQ(doc.toText(u"", false, true, capacity), text::utf8ToUtf16(text));
  }
}

TEST(JsonWriter, TextOutsideGbkSurvivesTheNarrowInterface) {
  // Emoji, a CJK extension B character and Hangul have no GBK form: a code
  // page 936 round trip would lose them.
  const std::string text =
      "{\"emoji\":\"\xF0\x9F\x8F\x86\",\"ext-b\":\"\xF0\xA0\x80\x80\",\"한국어\":\"한\"}";
  const JsonDocument doc = parsed(text);
  EXPECT_EQ(doc.getText("emoji"), "\xF0\x9F\x8F\x86");
  EXPECT_EQ(doc.getText("한국어"), "한");
  EXPECT_EQ(doc.toText(), text);
  EXPECT_EQ(doc.getText(u"emoji"), u"\U0001F3C6");
}

TEST(JsonWriter, LoneSurrogatesInUtf8AreEscapedOrReplaced) {
  JsonDocument doc;
  ASSERT_TRUE(doc.reset());
  std::u16string high = u"a";
  high.push_back(static_cast<char16_t>(0xD800));
  std::u16string low = u"a";
  low.push_back(static_cast<char16_t>(0xDC01));
  ASSERT_TRUE(doc.setString(high, u"x"));
  ASSERT_TRUE(doc.setString(low, low));
  // UTF-8 cannot hold them: escaped output keeps them as \u escapes, so the
  // two keys stay distinct when read back with escape decoding.
  const std::string escaped = doc.toText();
  EXPECT_EQ(escaped, R"({"a\uD800":"x","a\uDC01":"a\uDC01"})");
  JsonDocument again;
  ASSERT_TRUE(again.parse(escaped, true));
  EXPECT_EQ(again.getText(u"a\xD800"), u"x");
  EXPECT_EQ(again.getText(low), low);
  // Raw output can only replace them.
  EXPECT_EQ(doc.toText("", false, false),
            "{\"a\xEF\xBF\xBD\":\"x\",\"a\xEF\xBF\xBD\":\"a\xEF\xBF\xBD\"}");
  // UTF-16 output keeps them as they are.
  EXPECT_EQ(doc.toText(u""), u"{\"" + high + u"\":\"x\",\"" + low + u"\":\"" + low + u"\"}");
}

}  // namespace
}  // namespace orvane
