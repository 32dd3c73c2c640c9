#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
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
  auto queued =
      std::async(std::launch::async, [&] { return ui.invoke([&] { queuedRan = true; }); });
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

TEST(UiThread, APostFromTheUiThreadRunsAfterTheCurrentTaskHasReturned) {
  NullUiThread ui;
  std::vector<int> order;  // touched on the UI thread only, read after a hand-over
  ASSERT_TRUE(ui.invoke([&] {
    order.push_back(1);
    EXPECT_TRUE(ui.post([&] {
      EXPECT_TRUE(ui.isUiThread());
      order.push_back(3);
    }));
    order.push_back(2);
  }));
  // A later hand-over runs after the posted task: one arrival order.
  ASSERT_TRUE(ui.invoke([&] { order.push_back(4); }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(UiThread, PostedAndHandedOverTasksKeepOneArrivalOrder) {
  NullUiThread ui;
  std::promise<void> blockerStarted;
  std::promise<void> releaseBlocker;
  std::vector<std::string> order;
  std::thread busy([&] {
    ui.invoke([&] {
      blockerStarted.set_value();
      releaseBlocker.get_future().wait();
    });
  });
  blockerStarted.get_future().wait();
  // Queued while the UI thread is busy: post, post, then a waiting hand-over.
  ASSERT_TRUE(ui.post([&] { order.push_back("post 1"); }));
  ASSERT_TRUE(ui.post([&] { order.push_back("post 2"); }));
  auto waiting =
      std::async(std::launch::async, [&] { return ui.invoke([&] { order.push_back("invoke"); }); });
  // post returned without waiting; the hand-over is still queued.
  EXPECT_EQ(waiting.wait_for(50ms), std::future_status::timeout);
  releaseBlocker.set_value();
  EXPECT_TRUE(waiting.get());
  busy.join();
  EXPECT_EQ(order, (std::vector<std::string>{"post 1", "post 2", "invoke"}));
}

TEST(UiThread, TeardownDropsQueuedPostsAndRefusesNewOnes) {
  NullUiThread ui;
  std::promise<void> blockerStarted;
  std::promise<void> releaseBlocker;
  std::thread busy([&] {
    ui.invoke([&] {
      blockerStarted.set_value();
      releaseBlocker.get_future().wait();
    });
  });
  blockerStarted.get_future().wait();

  auto token = std::make_shared<int>(0);
  std::weak_ptr<int> watch = token;
  std::atomic<bool> postedRan{false};
  ASSERT_TRUE(ui.post([&postedRan, token] { postedRan = true; }));
  token.reset();
  ASSERT_FALSE(watch.expired());  // the queue holds the task

  ui.beginTeardown();
  EXPECT_TRUE(watch.expired());  // dropped, and what it held is released
  EXPECT_FALSE(ui.post([] { ADD_FAILURE() << "posted after teardown"; }));
  EXPECT_TRUE(ui.tearingDown());

  releaseBlocker.set_value();
  busy.join();
  EXPECT_FALSE(postedRan.load());
}

}  // namespace
}  // namespace orvane
