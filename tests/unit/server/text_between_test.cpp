#include "server/text_between.h"

#include <gtest/gtest.h>

#include "server/local_text.h"

namespace orvane {
namespace {

struct BetweenCase {
  const char* text;
  const char* left;
  const char* right;
  TextBetweenOptions options;
  const char* expected;
};

TEST(TextBetween, Table) {
  using enum NotFoundMode;
  const BetweenCase cases[] = {
      {"Hello [World] and [More]", "[", "]", {}, "World"},
      {"Hello [World] and [More]", "[", "]", {.fromEnd = true}, "World] and [More"},
      {"Hello [World] and [More]", "[", "]", {.start = 8}, "More"},
      {"Hello [World] and [More]", "[", "]", {.start = 7}, "World"},
      {"Hello [World] and [More]",
       "[",
       "]",
       {.start = 100, .notFound = WholeText},
       "Hello [World] and [More]"},
      // Markers are found regardless of case unless asked otherwise.
      {"aXbYc", "x", "y", {}, "b"},
      {"aXbYc", "x", "y", {.caseSensitive = true}, ""},
      {"aXbYc", "X", "Y", {.caseSensitive = true}, "b"},
      // Left marker missing.
      {"key=value", "name=", ";", {.notFound = Empty}, ""},
      {"key=value", "name=", ";", {.notFound = ToEnd}, ""},
      {"key=value", "name=", ";", {.notFound = WholeText}, "key=value"},
      // Right marker missing.
      {"key=value", "key=", ";", {.notFound = Empty}, ""},
      {"key=value", "key=", ";", {.notFound = ToEnd}, "value"},
      {"key=value", "key=", ";", {.notFound = WholeText}, "key=value"},
      // Empty markers: from the beginning, to the end.
      {"abc;def", "", ";", {}, "abc"},
      {"a;b;c", "", ";", {.start = 3}, "a;b"},
      {"k=v", "=", "", {}, "v"},
      {"", "", "", {.notFound = WholeText}, ""},
      // The right marker is searched behind the left one, never inside it.
      {"abab", "ab", "b", {}, "a"},
      {"ab", "ab", "b", {.fromEnd = true, .notFound = ToEnd}, ""},
      {"x]a[b", "[", "]", {.fromEnd = true}, ""},
      {"x]a[b", "[", "]", {.fromEnd = true, .notFound = ToEnd}, "b"},
      {"<p>名字=张三;</p>", "名字=", ";", {}, "张三"},
  };
  for (const BetweenCase& c : cases) {
    EXPECT_EQ(textBetween(c.text, c.left, c.right, c.options), c.expected)
        << "text=" << c.text << " left=" << c.left << " right=" << c.right
        << " start=" << c.options.start;
  }
}

TEST(Utf8ToLocalText, KeepsValidTextAndReplacesBrokenSequences) {
  EXPECT_EQ(utf8ToLocalText(""), "");
  EXPECT_EQ(utf8ToLocalText("  6001\r\n"), "  6001\r\n");
  EXPECT_EQ(utf8ToLocalText("排行榜"), "排行榜");
  EXPECT_EQ(utf8ToLocalText("a\xff"
                            "b"),
            "a\xEF\xBF\xBD"
            "b");
  // A character cut off at the end of the body.
  EXPECT_EQ(utf8ToLocalText("\xE6\x8E"), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace orvane
