// Trees nested far deeper than the C++ stack could recurse: parsing, writing,
// copying, merging and releasing them all run in loops.
#include <gtest/gtest.h>

#include <string>

#include "json/json_document.h"

namespace orvane {
namespace {

constexpr int kDepth = 100000;

std::string nestedArrays(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

std::string nestedObjects(int depth, const std::string& innermost) {
  std::string text;
  text.reserve(static_cast<std::size_t>(depth) * 6 + innermost.size());
  for (int i = 0; i < depth; ++i) text += "{\"a\":";
  text += innermost;
  text.append(static_cast<std::size_t>(depth), '}');
  return text;
}

TEST(JsonDeepNesting, ArraysParseWriteCopyAndRelease) {
  const std::string text = nestedArrays(kDepth);
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(text));
  EXPECT_EQ(doc.toText(), text);
  EXPECT_EQ(doc.toText("", true), text);  // arrays stay on one line when pretty

  JsonDocument copy = doc.copyAt("");
  doc.clear();
  EXPECT_EQ(copy.toText(), text);
}

TEST(JsonDeepNesting, ObjectsParseWriteCopyMergeAndRelease) {
  const std::string text = nestedObjects(kDepth, "1");
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(text));
  EXPECT_EQ(doc.toText(), text);

  std::string deepPath = "a";
  for (int i = 1; i < kDepth; ++i) deepPath += ".a";
  EXPECT_EQ(doc.getInteger(deepPath), 1);

  JsonDocument copy = doc.copyAt("");
  ASSERT_TRUE(copy.setInteger(deepPath, 2));
  EXPECT_EQ(doc.getInteger(deepPath), 1);

  // Merging one deep tree into another walks both to the bottom.
  ASSERT_TRUE(doc.mergeText("", nestedObjects(kDepth, "3"), false, false));
  EXPECT_EQ(doc.getInteger(deepPath), 3);
}

TEST(JsonDeepNesting, InnerHandleOutlivesTheDeepRoot) {
  JsonDocument inner;
  {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(nestedArrays(kDepth)));
    std::string path;
    for (int i = 0; i < kDepth / 2; ++i) path += "[0]";
    inner = doc.nodeAt(path);
    ASSERT_TRUE(inner.hasRoot());
  }
  EXPECT_EQ(inner.node()->parent(), nullptr);
  EXPECT_EQ(inner.toText(), nestedArrays(kDepth / 2));
}

TEST(JsonDeepNesting, FailureDeepDownEmptiesTheRoot) {
  JsonDocument doc;
  std::int32_t code = 0;
  std::int32_t position = 0;
  const std::string unclosed(kDepth, '[');
  EXPECT_FALSE(doc.parse(unclosed, false, &code, &position));
  EXPECT_EQ(code, JsonUnclosed);
  EXPECT_EQ(position, kDepth + 1);
  EXPECT_EQ(doc.toText(), "[]");

  std::string bad = nestedObjects(kDepth, "x");
  EXPECT_FALSE(doc.parse(bad, false, &code, &position));
  EXPECT_EQ(code, JsonBadToken);
  EXPECT_EQ(position, kDepth * 5);
  EXPECT_EQ(doc.toText(), "{}");
}

}  // namespace
}  // namespace orvane
