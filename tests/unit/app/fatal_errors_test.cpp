#include "app/fatal_errors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace orvane {
namespace {

TEST(FatalErrorsTest, DescribesTheExceptionInFlight) {
  const auto describe = [](auto exception) {
    return describeFatalError(std::make_exception_ptr(exception));
  };
  const FatalErrorText io = describe(std::system_error(EIO, std::generic_category(), "disk"));
  EXPECT_EQ(io.code, EIO);
  EXPECT_EQ(io.message, std::system_error(EIO, std::generic_category(), "disk").what());

  const FatalErrorText range = describe(std::out_of_range("index 7"));
  EXPECT_EQ(range.code, 0);
  EXPECT_EQ(range.message, "index 7");

  EXPECT_EQ(describe(42).message, "unknown exception");
  EXPECT_EQ(describeFatalError(nullptr).message, "terminate called without an active exception");
}

void reportToStderr(int code, const std::string& message) {
  std::fprintf(stderr, "reported code:%d msg:%s\n", code, message.c_str());
}

TEST(FatalErrorsDeathTest, AnUncaughtExceptionIsReportedOnceAndEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        installTerminateHandler(reportToStderr);
        // On a thread of its own, as a network thread's would be.
        std::thread([] { throw std::system_error(EPIPE, std::generic_category(), "send"); }).join();
      },
      ::testing::ExitedWithCode(kFatalExitCode), "reported code:32 msg:send: Broken pipe\n");
}

TEST(FatalErrorsDeathTest, AFatalErrorInsideTheReportEndsTheProcessAtOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        installTerminateHandler([](int code, const std::string& message) {
          reportToStderr(code, message);
          std::terminate();  // as a teardown that fails again would
        });
        std::thread([] { throw std::runtime_error("first"); }).join();
      },
      ::testing::ExitedWithCode(kFatalExitCode), "reported code:0 msg:first\n");
}

}  // namespace
}  // namespace orvane
