#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bridge/ui_thread_null.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;

TEST(UiThread, HandOversFromFourThreadsRunOneAtATimeInArrivalOrder) {
  NullUiThread ui;
  std::mutex mutex;
  std::vector<std::string> ran;
  std::atomic<int> running{0};
  std::atomic<int> maxRunning{0};

  auto producer = [&](int id) {
    for (int i = 0; i < 50; ++i) {
      const std::string tag = std::to_string(id) + ":" + std::to_string(i);
      bool sawOwnTask = false;
      const bool ok = ui.invoke([&] {
        EXPECT_TRUE(ui.isUiThread());
        const int now = ++running;
        int seen = maxRunning.load();
        while (now > seen && !maxRunning.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(50us);
        {
          std::lock_guard lock(mutex);
          ran.push_back(tag);
        }
        --running;
      });
      // invoke returns only once the task has run.
      {
        std::lock_guard lock(mutex);
        for (const auto& t : ran) sawOwnTask = sawOwnTask || t == tag;
      }
      EXPECT_TRUE(ok);
      EXPECT_TRUE(sawOwnTask) << tag;
    }
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id) threads.emplace_back(producer, id);
  for (auto& t : threads) t.join();

  EXPECT_EQ(ran.size(), 200u);
  EXPECT_EQ(maxRunning.load(), 1);
  // Each producer's own tasks keep their order.
  for (int id = 0; id < 4; ++id) {
    int expected = 0;
    for (const auto& t : ran) {
      if (t.rfind(std::to_string(id) + ":", 0) == 0) {
        EXPECT_EQ(t, std::to_string(id) + ":" + std::to_string(expected));
        ++expected;
      }
    }
    EXPECT_EQ(expected, 50);
  }
}

TEST(UiThread, CallOnTheUiThreadRunsAtOnce) {
  NullUiThread ui;
  std::vector<int> order;
  ASSERT_TRUE(ui.invoke([&] {
    order.push_back(1);
    // A nested hand-over from the UI thread itself must not wait for the
    // queue it is being run from.
    EXPECT_TRUE(ui.invoke([&] { order.push_back(2); }));
    order.push_back(3);
  }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(ui.isUiThread());
}

TEST(UiThread, TeardownReleasesWaitersWithoutRunningTheirTasks) {
  NullUiThread ui;
  std::promise<void> blockerStarted;
  std::promise<void> releaseBlocker;
  auto releaseFuture = releaseBlocker.get_future().share();

  // Keep the UI thread busy so the next hand-overs have to queue.
  std::thread busy([&] {
    EXPECT_TRUE(ui.invoke([&] {
      blockerStarted.set_value();
      releaseFuture.wait();
    }));
  });
  blockerStarted.get_future().wait();

  std::atomic<bool> queuedRan{false};
  auto queued = std::async(std::launch::async, [&] {
    return ui.invoke([&] { queuedRan = true; });
  });
  // The queued caller is blocked behind the busy task.
  EXPECT_EQ(queued.wait_for(100ms), std::future_status::timeout);

  ui.beginTeardown();
  EXPECT_FALSE(queued.get());
  EXPECT_FALSE(queuedRan.load());
  // After teardown has begun a hand-over returns at once.
  EXPECT_FALSE(ui.invoke([] { ADD_FAILURE() << "ran after teardown"; }));

  releaseBlocker.set_value();
  busy.join();
}

}  // namespace
}  // namespace orvane
