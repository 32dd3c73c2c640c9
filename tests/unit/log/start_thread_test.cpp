#include "log/start_thread.h"

#include <gtest/gtest.h>

#include <future>

namespace orvane {
namespace {

TEST(StartThread, KeptAndDetachedThreadsRunTheRoutine) {
  std::thread kept;
  int value = 0;
  ASSERT_TRUE(startThread([&] { value = 42; }, &kept));
  ASSERT_TRUE(kept.joinable());
  kept.join();
  EXPECT_EQ(value, 42);

  std::promise<int> done;
  ASSERT_TRUE(startThread([&] { done.set_value(7); }));
  EXPECT_EQ(done.get_future().get(), 7);
}

TEST(StartThread, RefusesAMissingRoutineAndARunningHandle) {
  EXPECT_FALSE(startThread(nullptr));
  std::promise<void> release;
  std::thread kept;
  ASSERT_TRUE(startThread([f = release.get_future().share()] { f.wait(); }, &kept));
  EXPECT_FALSE(startThread([] {}, &kept));  // would lose the running thread
  release.set_value();
  kept.join();
}

TEST(StartThread, AnExceptionEndsOnlyTheThread) {
  std::thread kept;
  ASSERT_TRUE(startThread([] { throw std::runtime_error("boom"); }, &kept));
  kept.join();
  SUCCEED();  // the process is still here
}

}  // namespace
}  // namespace orvane
