#include "sys/number_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace orvane {
namespace {

TEST(ParseLeadingInt, ReadsLikeAtoi) {
  const struct {
    std::string_view text;
    int value;
  } cases[] = {
      {"8099", 8099},
      {"  \t\n42", 42},
      {"+7", 7},
      {"-15", -15},
      {"12abc", 12},
      {"3.9", 3},
      {"", 0},
      {"abc", 0},
      {"true", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"0x1F", 0},
      {"007", 7},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", INT_MAX},
      {"-2147483649", INT_MIN},
      {"99999999999999999999999999", INT_MAX},
      {"-99999999999999999999999999", INT_MIN},
      {"1\0"
       "2",
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(parseLeadingInt(c.text), c.value);
  }
}

TEST(ParseLeadingInt, StopsAtTheEndOfTheViewNotAtANul) {
  const std::string_view digits = "12345";
  EXPECT_EQ(parseLeadingInt(digits.substr(0, 3)), 123);
}

}  // namespace
}  // namespace orvane
