#include "json/json_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/json_document.h"

namespace orvane {
namespace {

std::vector<std::u16string> segmentsOf(std::u16string_view path) {
  std::vector<std::u16string> out;
  JsonPath reader(path);
  JsonPathSegment segment;
  while (reader.next(segment)) {
    out.push_back(segment.isIndex
                      ? u"#" + std::u16string(1, static_cast<char16_t>(u'0' + segment.index))
                      : segment.key);
  }
  return out;
}

TEST(JsonPath, SplitsKeysIndexesAndEscapes) {
  struct Case {
    std::u16string path;
    std::vector<std::u16string> segments;  // "#n" for an index
  };
  const Case cases[] = {
      {u"", {}},
      {u"...", {}},
      {u"a", {u"a"}},
      {u"list[0].id", {u"list", u"#0", u"id"}},
      {u"..a..b.", {u"a", u"b"}},
      {u"[2][3]", {u"#2", u"#3"}},
      {u"a.[1]", {u"a", u"#1"}},
      {uR"(a\.b)", {u"a.b"}},
      {uR"(a\[0\])", {u"a[0]"}},
      {uR"(a\\.b)", {uR"(a\)", u"b"}},
      {uR"(a\b)", {uR"(a\b)"}},
      {uR"(a\)", {uR"(a\)"}},
      {u"[x]", {u"#0"}},
      {u"[ 4]", {u"#4"}},
      {u"[5", {u"#5"}},
      {u"名字.值", {u"名字", u"值"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path.begin(), c.path.end()));
    EXPECT_EQ(segmentsOf(c.path), c.segments);
  }
}

TEST(JsonPath, FindNeedsEverySegment) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"list":[{"id":7},{"id":8}],"a.b":1,"o":{"x":1,"y":2,"z":3},"s":"t"})"));
  EXPECT_EQ(doc.getInteger("list[1].id"), 8);
  EXPECT_EQ(doc.getInteger(R"(a\.b)"), 1);
  EXPECT_EQ(doc.getInteger("o[2]"), 3);  // index on an object: n-th member
  EXPECT_EQ(doc.keyAt("o[1]"), "y");
  EXPECT_EQ(doc.kindAt("list[2]"), -1);
  EXPECT_EQ(doc.kindAt("list[-1]"), -1);
  EXPECT_EQ(doc.kindAt("s.x"), -1);
  EXPECT_EQ(doc.kindAt("s[0]"), -1);
  EXPECT_EQ(doc.kindAt("list.id"), -1);
  EXPECT_EQ(doc.kindAt("missing"), -1);
  EXPECT_EQ(doc.kindAt(""), static_cast<std::int32_t>(JsonKind::Object));
  EXPECT_FALSE(doc.exists(""));
  EXPECT_FALSE(doc.exists("..."));
  EXPECT_TRUE(doc.exists("list[0]"));
  EXPECT_FALSE(doc.exists("list[0].name"));
  // Reads never change the tree.
  EXPECT_EQ(doc.toText(),
            R"({"list":[{"id":7},{"id":8}],"a.b":1,"o":{"x":1,"y":2,"z":3},"s":"t"})");
}

TEST(JsonPath, FindOrCreateMakesThePathExist) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"o":{"x":1,"y":2},"a":"text","n":5})"));

  // An index on an object turns it into an array of Nulls up to the index.
  JsonDocument third = doc.nodeAt("o[2]");
  EXPECT_EQ(third.kindAt(), static_cast<std::int32_t>(JsonKind::Null));
  EXPECT_EQ(doc.toText("o"), "[null,null,null]");

  // A key on a String turns it into an object.
  ASSERT_TRUE(doc.setString("a.b", "deep"));
  EXPECT_EQ(doc.toText("a"), R"({"b":"deep"})");

  ASSERT_TRUE(doc.setInteger("new.list[1].id", 3));
  EXPECT_EQ(doc.toText("new"), R"({"list":[null,{"id":3}]})");

  // A negative index finds nothing, but what came before it stays changed.
  EXPECT_FALSE(doc.setInteger("n[-1]", 1));
  EXPECT_EQ(doc.toText("n"), "[]");

  // Even a failing operation keeps what resolving the path created.
  EXPECT_FALSE(doc.removeMember("created", "nothing"));
  EXPECT_EQ(doc.kindAt("created"), static_cast<std::int32_t>(JsonKind::Null));
}

}  // namespace
}  // namespace orvane
