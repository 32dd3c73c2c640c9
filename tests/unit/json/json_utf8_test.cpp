#include "json/json_utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

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
