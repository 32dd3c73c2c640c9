#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <filesystem>
#include <regex>
#include <string>

#include "app/crash_signals_posix.h"
#include "support/temp_directory.h"

namespace orvane {
namespace {

std::string lineAt(long long localSeconds, int signal) {
  char buffer[256];
  const std::size_t n = formatCrashLine(buffer, sizeof buffer, localSeconds, signal);
  return std::string(buffer, n);
}

std::string pathAt(const char* folder, long long localSeconds) {
  char buffer[256];
  const std::size_t n = formatDayFilePath(buffer, sizeof buffer, folder, localSeconds);
  return std::string(buffer, n);
}

TEST(CrashSignalFormatTest, LineIsTheLogsFatalErrorLine) {
  // 2024-01-05 01:02:03
  EXPECT_EQ(lineAt(1704416523, SIGSEGV), "01:02:03->[错误提示] code:11 msg:SIGSEGV\r\n");
  EXPECT_EQ(lineAt(1704499199, SIGABRT), "23:59:59->[错误提示] code:6 msg:SIGABRT\r\n");
  EXPECT_EQ(lineAt(0, SIGFPE), "00:00:00->[错误提示] code:8 msg:SIGFPE\r\n");
}

TEST(CrashSignalFormatTest, DayFileNamesAgreeWithTheCalendarOverCenturies) {
  // Leap days, year ends and a century that is not a leap year, checked
  // against the C library's own calendar (as UTC, so no zone applies).
  for (long long t = -86400LL * 365 * 70; t < 86400LL * 365 * 130; t += 86400LL * 7 + 3607) {
    const time_t asTime = static_cast<time_t>(t);
    tm date{};
    ASSERT_NE(gmtime_r(&asTime, &date), nullptr);
    char expected[64];
    strftime(expected, sizeof expected, "/log/orvane_log/%Y%m%d.txt", &date);
    ASSERT_EQ(pathAt("/log/orvane_log/", t), expected) << t;
    char clock[16];
    strftime(clock, sizeof clock, "%H:%M:%S", &date);
    ASSERT_EQ(lineAt(t, SIGBUS).substr(0, 8), clock) << t;
  }
  EXPECT_EQ(pathAt("/x/", 951782400), "/x/20000229.txt");
  EXPECT_EQ(pathAt("/x/", 4107542400), "/x/21000301.txt");
}

TEST(CrashSignalFormatTest, WhatDoesNotFitIsNotWrittenHalf) {
  char small[12];
  EXPECT_EQ(formatCrashLine(small, sizeof small, 0, SIGSEGV), 0u);
  EXPECT_EQ(formatDayFilePath(small, sizeof small, "/a/long/folder/", 0), 0u);
}

// The day file the crash wrote into, or empty.
std::string onlyDayFile(const std::string& folder) {
  std::string found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!found.empty()) return {};
    found = entry.path().string();
  }
  return found;
}

void faultOnNull() {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
}

void crashWithLog(const std::string& folder, void (*crash)()) {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);  // no core files from the test
  installCrashSignalLog(folder);
  crash();
}

struct CrashCase {
  const char* name;
  int signal;
  void (*crash)();
};

class CrashSignalDeathTest : public ::testing::TestWithParam<CrashCase> {};

TEST_P(CrashSignalDeathTest, WritesTheLineAndEndsWithTheSignal) {
  // Forked, not run again from the start: the child must see this folder.
  GTEST_FLAG_SET(death_test_style, "fast");
  testing::TempDirectory dir;
  const std::string folder = dir.path() + "/";
  const CrashCase c = GetParam();
  EXPECT_EXIT(crashWithLog(folder, c.crash), ::testing::KilledBySignal(c.signal), "");

  const std::string file = onlyDayFile(dir.path());
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(std::regex_match(std::filesystem::path(file).filename().string(),
                               std::regex(R"(\d{8}\.txt)")));
  const std::string expected = std::string(R"(\d\d:\d\d:\d\d->\[错误提示\] code:)") +
                               std::to_string(c.signal) + " msg:" + c.name + "\r\n";
  EXPECT_TRUE(std::regex_match(testing::readFile(file), std::regex(expected)))
      << testing::readFile(file);
}

INSTANTIATE_TEST_SUITE_P(Signals, CrashSignalDeathTest,
                         ::testing::Values(CrashCase{"SIGSEGV", SIGSEGV, faultOnNull},
                                           CrashCase{"SIGABRT", SIGABRT, [] { abort(); }},
                                           CrashCase{"SIGFPE", SIGFPE, [] { raise(SIGFPE); }},
                                           CrashCase{"SIGBUS", SIGBUS, [] { raise(SIGBUS); }},
                                           CrashCase{"SIGILL", SIGILL, [] { raise(SIGILL); }}),
                         [](const ::testing::TestParamInfo<CrashCase>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
}  // namespace orvane
