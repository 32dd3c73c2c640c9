// The startup's waits turn the default main context, so sources on it (a
// termination signal's, here a timer's) run meanwhile and can end them.

#include "app/startup_waits_gtk.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace orvane {
namespace {

using namespace std::chrono_literals;

// Runs `action` from the default main context after `delay`.
template <typename Action>
void after(std::chrono::milliseconds delay, Action* action) {
  g_timeout_add(
      static_cast<guint>(delay.count()),
      [](gpointer data) -> gboolean {
        (*static_cast<Action*>(data))();
        return G_SOURCE_REMOVE;
      },
      action);
}

TEST(GtkStartupWaitsTest, SleepKeepsTheLoopTurningAndLastsItsTime) {
  GtkStartupWaits waits;
  int ticks = 0;
  auto tick = [&] { ++ticks; };
  after(10ms, &tick);
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_TRUE(waits.sleep(200ms));
  EXPECT_GE(std::chrono::steady_clock::now() - begun, 200ms);
  EXPECT_EQ(ticks, 1);
}

TEST(GtkStartupWaitsTest, CancelFromTheLoopEndsASleepAndEveryLaterWait) {
  GtkStartupWaits waits;
  auto cancel = [&] { waits.cancel(); };
  after(20ms, &cancel);
  // An hour unless the cancel ends it; the test's time-out would end it first.
  EXPECT_FALSE(waits.sleep(std::chrono::hours(1)));
  EXPECT_FALSE(waits.sleep(1ms));
  EXPECT_FALSE(waits.check([](std::stop_token) { return true; }).has_value());
}

TEST(GtkStartupWaitsTest, CheckRunsOffTheLoopsThreadAndGivesItsAnswer) {
  GtkStartupWaits waits;
  const std::thread::id loopThread = std::this_thread::get_id();
  std::thread::id checkThread;
  int ticks = 0;
  auto tick = [&] { ++ticks; };
  after(5ms, &tick);
  const auto answer = waits.check([&](std::stop_token) {
    checkThread = std::this_thread::get_id();
    std::this_thread::sleep_for(100ms);  // the loop turns meanwhile
    return true;
  });
  ASSERT_TRUE(answer.has_value());
  EXPECT_TRUE(*answer);
  EXPECT_NE(checkThread, loopThread);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(waits.check([](std::stop_token) { return false; }), std::optional<bool>(false));
}

TEST(GtkStartupWaitsTest, CancelDuringACheckStopsItAndWaitsForItToReturn) {
  GtkStartupWaits waits;
  auto cancel = [&] { waits.cancel(); };
  after(20ms, &cancel);
  std::atomic<bool> returned{false};
  const auto answer = waits.check([&](std::stop_token stop) {
    while (!stop.stop_requested()) std::this_thread::sleep_for(1ms);
    returned = true;
    return true;
  });
  EXPECT_FALSE(answer.has_value());
  EXPECT_TRUE(returned.load());
}

}  // namespace
}  // namespace orvane
