#include "log/log_line.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(LogLine, Format) {
  const struct {
    LocalTime time;
    std::string_view category;
    std::string_view message;
    std::string line;
  } cases[] = {
      {{2024, 1, 5, 9, 5, 7},
       "页面地址",
       "http://127.0.0.1:8099/client/app/orvane/",
       "09:05:07->[页面地址] http://127.0.0.1:8099/client/app/orvane/\r\n"},
      {{2024, 1, 5, 23, 10, 2}, "开始销毁", "", "23:10:02->[开始销毁] \r\n"},
      {{2024, 1, 5, 0, 0, 0}, "", "", "00:00:00->[] \r\n"},
      // Inserted unchanged, without escaping.
      {{2024, 1, 5, 12, 34, 56},
       "WKE",
       "OnServer json:{\"c\":\"win\",\"a\":\"max\"}] [x",
       "12:34:56->[WKE] OnServer json:{\"c\":\"win\",\"a\":\"max\"}] [x\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatLogLine(c.time, c.category, c.message), c.line);
  }
}

TEST(LogLine, DayFileNames) {
  EXPECT_EQ(dayFileName({2024, 1, 5, 23, 59, 59}), "20240105.txt");
  EXPECT_EQ(dayFileName({2025, 12, 31, 0, 0, 0}), "20251231.txt");

  EXPECT_TRUE(isDayFileName("20240105.txt"));
  for (const char* name : {"notes.txt", "2024010.txt", "202401055.txt", "20240105.log",
                           "2024a105.txt", "20240105.TXT", ""}) {
    EXPECT_FALSE(isDayFileName(name)) << name;
  }
}

}  // namespace
}  // namespace orvane
