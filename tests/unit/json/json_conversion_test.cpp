// The reading conversions of JsonDocument, node kind by node kind.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "json/json_document.h"
#include "sys/utf.h"

namespace orvane {
namespace {

struct ConversionCase {
  const char* json;  // the node, as the element of an array
  const char* text;
  bool boolean;
  double decimal;
  std::int64_t integer64;
  std::int32_t integer;
};

TEST(JsonConversions, ReadingTable) {
  constexpr auto kMax64 = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin64 = std::numeric_limits<std::int64_t>::min();
  constexpr auto kMax32 = std::numeric_limits<std::int32_t>::max();
  constexpr auto kMin32 = std::numeric_limits<std::int32_t>::min();
  const ConversionCase cases[] = {
      {"null", "null", false, 0, 0, 0},
      // Decimal: text form, |value| > 1e-7, value, truncated toward zero.
      {"-2.7", "-2.7", true, -2.7, -2, -2},
      {"2.50", "2.50", true, 2.5, 2, 2},
      {"1e-8", "1e-8", false, 1e-8, 0, 0},
      {"-1.5e-7", "-1.5e-7", true, -1.5e-7, 0, 0},
      {"1e300", "1e300", true, 1e300, kMax64, kMax32},
      {"-1e300", "-1e300", true, -1e300, kMin64, kMin32},
      {"3e9", "3e9", true, 3e9, 3000000000, kMax32},
      // Integer: text form, not 0, as double, value, low 32 bits.
      {"4294967296", "4294967296", true, 4294967296.0, 4294967296, 0},
      {"4294967297", "4294967297", true, 4294967297.0, 4294967297, 1},
      {"-1", "-1", true, -1, -1, -1},
      {"0", "0", false, 0, 0, 0},
      {"+5", "+5", true, 5, 5, 5},
      // Boolean.
      {"true", "true", true, 1, 1, 1},
      {"false", "false", false, 0, 0, 0},
      // String: the string, false, read as numbers.
      {R"("true")", "true", false, 0, 0, 0},
      {R"("12abc")", "12abc", false, 12, 12, 12},
      {R"("  -7.9x")", "  -7.9x", false, -7.9, -7, -7},
      {R"("1e3")", "1e3", false, 1000, 1, 1},
      {R"("99999999999")", "99999999999", false, 99999999999.0, 99999999999, kMax32},
      {R"("-99999999999999999999")", "-99999999999999999999", false, -1e20, kMin64, kMin32},
      {R"("")", "", false, 0, 0, 0},
      {R"("排行")", "排行", false, 0, 0, 0},
      // Containers.
      {"[1]", "", false, 0, 0, 0},
      {R"({"a":1})", "", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(std::string("[") + c.json + "]"));
    EXPECT_EQ(doc.getText("[0]"), c.text);
    EXPECT_EQ(doc.getText(u"[0]"), text::utf8ToUtf16(c.text));
    EXPECT_EQ(doc.getBoolean("[0]"), c.boolean);
    EXPECT_DOUBLE_EQ(doc.getDecimal("[0]"), c.decimal);
    EXPECT_EQ(doc.getInteger64("[0]"), c.integer64);
    EXPECT_EQ(doc.getInteger("[0]"), c.integer);
  }
}

TEST(JsonConversions, NoNodeGivesTheEmptyValue) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"a":5})"));
  EXPECT_EQ(doc.getText("b"), "");
  EXPECT_FALSE(doc.getBoolean("b"));
  EXPECT_EQ(doc.getDecimal("b"), 0.0);
  EXPECT_EQ(doc.getInteger64("b"), 0);
  EXPECT_EQ(doc.getInteger(u"b"), 0);
  EXPECT_EQ(doc.textFormAt("b"), "");
  EXPECT_FALSE(doc.exists("b"));  // reads create nothing
}

TEST(JsonConversions, SetValuesReadBack) {
  JsonDocument doc;
  ASSERT_TRUE(doc.reset());
  ASSERT_TRUE(doc.setInteger("i32", -2147483647 - 1));
  ASSERT_TRUE(doc.setInteger64(u"i64", 9007199254740993));
  ASSERT_TRUE(doc.setDecimal("d", -0.125));
  ASSERT_TRUE(doc.setBoolean("b", true));
  ASSERT_TRUE(doc.setNull(u"n"));
  EXPECT_EQ(doc.getInteger64("i32"), -2147483648LL);
  EXPECT_EQ(doc.textFormAt("i32"), "-2147483648");
  EXPECT_EQ(doc.getInteger64("i64"), 9007199254740993);
  EXPECT_EQ(doc.getDecimal("d"), -0.125);
  EXPECT_EQ(doc.getText("d"), "-0.125");
  EXPECT_EQ(doc.textFormAt(u"b"), u"true");
  EXPECT_EQ(doc.getText("n"), "null");
  EXPECT_EQ(doc.kindAt("n"), static_cast<std::int32_t>(JsonKind::Null));
  EXPECT_EQ(doc.toText(),
            R"({"i32":-2147483648,"i64":9007199254740993,"d":-0.125,"b":true,"n":null})");
}

}  // namespace
}  // namespace orvane
