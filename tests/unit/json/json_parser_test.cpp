#include "json/json_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "json/json_document.h"
#include "json/json_escape.h"
#include "json/json_number.h"
#include "sys/utf.h"

namespace orvane {
namespace {

std::string compact(const JsonDocument& doc) { return doc.toText("", false, true); }

struct Accepted {
  const char* name;
  std::string text;
  std::string written;  // compact output of the parsed tree
};

TEST(JsonParser, AcceptsStandardAndLenientSyntax) {
  const Accepted cases[] = {
      {"standard", R"({"a":1,"b":[true,false,null],"c":{"d":"x"}})",
       R"({"a":1,"b":[true,false,null],"c":{"d":"x"}})"},
      {"blanks everywhere", " {\r\n\t\"a\" :  1 ,\n \"b\" : [ 1 , 2 ] } ", R"({"a":1,"b":[1,2]})"},
      {"trailing comma in object", R"({"a":1,"b":2,})", R"({"a":1,"b":2})"},
      {"empty array slots", "[,1,,2,]", "[1,2]"},
      {"only empty slots", "[,,]", "[]"},
      {"unquoted key ends at colon", "{abc:1}", R"({"abc":1})"},
      {"single-quoted key and string", "{'a':'x'}", R"({"a":"x"})"},
      {"quoted key holds the other quote", R"({"it's":1,'say "hi"':2})",
       R"({"it's":1,"say \"hi\"":2})"},
      {"string holds the other quote", R"(['say "hi"',"it's"])", R"(["say \"hi\"","it's"])"},
      {"unquoted colon inside a value", R"({"a":"b:c"})", R"({"a":"b:c"})"},
      {"no comma after nested container", R"({"a":{"x":1}"b":[2]"c":3})",
       R"({"a":{"x":1},"b":[2],"c":3})"},
      {"object then number in array", "[{},5]", "[{},5]"},
      {"object directly followed by number", "[{}5]", "[{},5]"},
      {"duplicate key keeps first place, last value", R"({"a":1,"b":2,"a":3})", R"({"a":3,"b":2})"},
      {"second object adds its members", R"({"a":1}{"b":2})", R"({"a":1,"b":2})"},
      {"scalar after root replaces it", R"({"a":1} 7)", "7"},
      {"array after object replaces it", R"({"a":1}[2])", "[2]"},
      {"top-level string", R"("hi")", R"("hi")"},
      {"top-level literal after blanks", "  \r\n true", "true"},
      {"top-level number keeps trailing blank", "5 ", "5 "},
      {"blanks only leave the root empty", " \t\r\n", "{}"},
      {"empty object and array", R"({"a":{},"b":[]})", R"({"a":{},"b":[]})"},
      {"numbers keep their text", "[1.50,+5,1E3,-0,1e5,1-2,.5]", "[1.50,+5,1E3,-0,1e5,1-2,.5]"},
      {"chinese text", R"({"名字":"排行榜"})", R"({"名字":"排行榜"})"},
      {"empty quoted key before brace is no member", R"({""})", "{}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JsonDocument doc;
    std::int32_t code = 99;
    std::int32_t position = 99;
    EXPECT_TRUE(doc.parse(c.text, false, &code, &position));
    EXPECT_EQ(code, JsonOk);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(compact(doc), c.written);
  }
}

struct Rejected {
  const char* name;
  std::string text;
  std::int32_t code;
  std::int32_t position;
};

TEST(JsonParser, RejectsWithCodeAndPosition) {
  const Rejected cases[] = {
      {"empty text", "", JsonNoInput, 0},
      {"empty quoted key", R"({"":1})", JsonBadStructure, 3},
      {"colon without key", "{:1}", JsonBadStructure, 1},
      {"two quoted strings as key", R"({"a" "b":1})", JsonBadStructure, 5},
      {"character after closed key", R"({"a"x:1})", JsonBadStructure, 4},
      {"quote after unquoted key", R"({a"b":1})", JsonBadStructure, 2},
      {"brace where a key belongs", "{{", JsonBadStructure, 1},
      {"brace after a closed member", R"({"a":1,{}})", JsonBadStructure, 7},
      {"two objects in an array without comma", "[{}{}]", JsonBadStructure, 3},
      {"key then colon then brace", R"({"a":})", JsonBadToken, 5},
      {"object ends inside", R"({"a":1)", JsonUnclosed, 7},
      {"array ends inside", "[1,2", JsonUnclosed, 5},
      {"nested ends inside", R"({"a":[{"b":1}])", JsonUnclosed, 15},
      {"two dots", "[1.2.3]", JsonBadToken, 1},
      {"hexadecimal", "[0x1F]", JsonBadToken, 1},
      {"misspelt literal", "[tru]", JsonBadToken, 1},
      {"literal case matters", "[True]", JsonBadToken, 1},
      {"comma right after brace", "{,}", JsonBadToken, 1},
      {"two commas in object", R"({"a":1,,"b":2})", JsonBadToken, 7},
      {"unterminated string in array", R"(["abc])", JsonBadToken, 1},
      {"quotes differ", R"(['abc"])", JsonBadToken, 1},
      {"bracket after value characters", "[1{}]", JsonBadToken, 1},
      {"brace after member value", R"({"a":1{}})", JsonBadToken, 5},
      {"invalid member value", R"({"a":nul})", JsonBadToken, 5},
      {"top-level literal followed by blank", "true ", JsonBadToken, 0},
      {"top-level misspelt after blanks", "  nul", JsonBadToken, 2},
      {"blank inside an array token", "[1 2]", JsonBadToken, 1},
      {"blank inside a member value", R"({"a":tr ue})", JsonBadToken, 5},
      {"blank inside an unquoted key", "{a b:1}", JsonBadStructure, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JsonDocument doc;
    ASSERT_TRUE(doc.reset(R"({"before":1})"));
    std::int32_t code = 99;
    std::int32_t position = 99;
    EXPECT_FALSE(doc.parse(c.text, false, &code, &position));
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(position, c.position);
    // No partial content survives, whatever the parse had built.
    EXPECT_EQ(doc.countAt(), 0);
    EXPECT_FALSE(doc.exists("before"));
  }
}

TEST(JsonParser, FailureEmptiesTheRootButKeepsTheKindTheParseGaveIt) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"a":1})"));
  EXPECT_FALSE(doc.parse(R"([1,2,{"b":[3)"));
  EXPECT_EQ(doc.kindAt(), static_cast<std::int32_t>(JsonKind::Array));
  EXPECT_EQ(compact(doc), "[]");

  EXPECT_FALSE(doc.parse(R"({"x":"unterminated)"));
  EXPECT_EQ(doc.kindAt(), static_cast<std::int32_t>(JsonKind::Object));
  EXPECT_EQ(compact(doc), "{}");
}

TEST(JsonParser, ParsesIntoTheExistingRootAndEmptiesItFirst) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"a":1})"));
  JsonDocument sameRoot = doc;  // shares the root
  ASSERT_TRUE(doc.parse(R"({"b":2})"));
  EXPECT_EQ(compact(sameRoot), R"({"b":2})");

  // Blanks only: the root is emptied and keeps its kind.
  ASSERT_TRUE(doc.parse("[1]"));
  ASSERT_TRUE(doc.parse("   "));
  EXPECT_EQ(compact(doc), "[]");
}

TEST(JsonParser, PositionsCountUtf16Units) {
  JsonDocument doc;
  std::int32_t code = 0;
  std::int32_t position = 0;
  // 排 and 行 are one unit each, the trophy is a surrogate pair (two units).
  EXPECT_FALSE(doc.parse("{\"排行\":1,\"\xF0\x9F\x8F\x86\":x}", false, &code, &position));
  EXPECT_EQ(code, JsonBadToken);
  EXPECT_EQ(position, 13);
  EXPECT_FALSE(doc.parse(u"{\"排行\":1,\"\U0001F3C6\":x}", false, &code, &position));
  EXPECT_EQ(position, 13);
}

TEST(JsonParser, DecodesEscapesInStringsAndKeys) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(
      R"({"a\nb":"x\ny","crlf":"1\r\n2","q":"\"\\\/","ctl":"\b\t\f","keep":"\q\'","u":"\u0041"})"));
  EXPECT_EQ(doc.getText(u"a\nb"), u"x\ny");
  EXPECT_EQ(doc.getText("crlf"), "1\r\n2");
  EXPECT_EQ(doc.getText("q"), "\"\\/");
  EXPECT_EQ(doc.getText("ctl"), "\b\t\f");
  EXPECT_EQ(doc.getText("keep"), "\\q\\'");
  EXPECT_EQ(doc.getText("u"), "\\u0041");  // left as six characters by default

  ASSERT_TRUE(doc.parse(R"({"u":"\u0041\u6392","k\u0041":1})", true));
  EXPECT_EQ(doc.getText(u"u"), u"A排");
  EXPECT_TRUE(doc.exists("kA"));
}

struct DecodeCase {
  const char* name;
  std::u16string in;
  bool decodeUnicode;
  std::u16string out;
};

TEST(JsonEscapes, DecodeTable) {
  const DecodeCase cases[] = {
      {"simple", uR"(\"\\\/)", false, uR"("\/)"},
      {"controls", uR"(\b\t\n\r\f)", false, u"\b\t\n\r\f"},
      {"escaped backslash is not examined again", uR"(\\n)", false, uR"(\n)"},
      {"unknown stays", uR"(\x\')", false, uR"(\x\')"},
      {"backslash at the end stays", uR"(ab\)", false, uR"(ab\)"},
      {"unicode off", uR"(\u0041)", false, uR"(\u0041)"},
      {"unicode on", uR"(\u0041\u00e9)", true, u"A\u00e9"},
      {"unicode short stays", uR"(\u004)", true, uR"(\u004)"},
      {"unicode not hex stays", uR"(\u00G1\n)", true, u"\\u00G1\n"},
      {"produced backslash is not examined again", uR"(\u005Cn)", true, uR"(\n)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decodeEscapes(c.in, c.decodeUnicode), c.out);
  }
}

struct NumberCase {
  const char* token;
  JsonKind kind;
  double value;
};

TEST(JsonParser, ClassifiesNumbersAndKeepsTheirText) {
  const NumberCase cases[] = {
      {"1.50", JsonKind::Decimal, 1.5},
      {"-3", JsonKind::Integer, -3},
      {"+5", JsonKind::Integer, 5},
      {"1e5", JsonKind::Decimal, 1e5},
      {"1E3", JsonKind::Decimal, 1000},
      {"1-2", JsonKind::Decimal, 1},
      {".5", JsonKind::Decimal, 0.5},
      {"-.5e-1", JsonKind::Decimal, -0.05},
      {"007", JsonKind::Integer, 7},
      {".", JsonKind::Decimal, 0},
      {"1e999", JsonKind::Decimal, HUGE_VAL},
      {"9223372036854775808", JsonKind::Integer, 9223372036854775807.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.token);
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(std::string("[") + c.token + "]"));
    EXPECT_EQ(doc.kindAt("[0]"), static_cast<std::int32_t>(c.kind));
    EXPECT_EQ(doc.textFormAt("[0]"), c.token);
    EXPECT_EQ(doc.getDecimal("[0]"), c.value);
    // The same token alone is the root itself.
    ASSERT_TRUE(doc.parse(c.token));
    EXPECT_EQ(doc.kindAt(), static_cast<std::int32_t>(c.kind));
    EXPECT_EQ(doc.toText(), c.token);
  }
  for (const char* bad : {"1.2.3", "1e5e2", "1+2-3", "0x10", "--1x", "e5", "1,5x"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(isNumberText(text::utf8ToUtf16(bad)));
  }
}

}  // namespace
}  // namespace orvane
