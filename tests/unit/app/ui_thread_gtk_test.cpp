#include "app/ui_thread_gtk.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane {
namespace {

using namespace std::chrono_literals;

// Runs the default main context (as gtk_main would) until `done` holds.
template <typename Done>
bool runLoopUntil(Done done, std::chrono::seconds timeout = 60s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const guint ticker = g_timeout_add(
      10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
  }
  g_source_remove(ticker);
  return done();
}

TEST(GtkUiThread, HandOversRunOnTheLoopThreadInArrivalOrder) {
  GtkUiThread ui;
  EXPECT_TRUE(ui.isUiThread());
  const auto loopThread = std::this_thread::get_id();
  std::mutex mutex;
  std::vector<std::string> ran;
  std::atomic<int> finished{0};

  auto producer = [&](int id) {
    EXPECT_FALSE(ui.isUiThread());
    for (int i = 0; i < 50; ++i) {
      const std::string tag = std::to_string(id) + ":" + std::to_string(i);
      const bool ok = ui.invoke([&] {
        EXPECT_EQ(std::this_thread::get_id(), loopThread);
        EXPECT_TRUE(ui.isUiThread());
        std::lock_guard lock(mutex);
        ran.push_back(tag);
      });
      EXPECT_TRUE(ok);
      std::lock_guard lock(mutex);
      EXPECT_NE(std::find(ran.begin(), ran.end(), tag), ran.end()) << "returned before its task";
    }
    ++finished;
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id) threads.emplace_back(producer, id);
  EXPECT_TRUE(runLoopUntil([&] { return finished == 4; }));
  for (auto& t : threads) t.join();

  ASSERT_EQ(ran.size(), 200u);
  for (int id = 0; id < 4; ++id) {
    int expected = 0;
    for (const auto& t : ran) {
      if (t.rfind(std::to_string(id) + ":", 0) == 0) {
        EXPECT_EQ(t, std::to_string(id) + ":" + std::to_string(expected++));
      }
    }
    EXPECT_EQ(expected, 50);
  }
}

TEST(GtkUiThread, AHandOverWaitsUntilTheLoopRuns) {
  GtkUiThread ui;
  std::atomic<bool> ran{false};
  auto caller = std::async(std::launch::async, [&] { return ui.invoke([&] { ran = true; }); });
  // Nobody runs the loop: the task cannot have run, the caller still waits.
  EXPECT_EQ(caller.wait_for(200ms), std::future_status::timeout);
  EXPECT_FALSE(ran.load());
  EXPECT_TRUE(runLoopUntil([&] { return ran.load(); }));
  EXPECT_TRUE(caller.get());
}

TEST(GtkUiThread, TeardownReleasesWaitersAndALateWakeUpFindsNothing) {
  auto ui = std::make_unique<GtkUiThread>();
  std::atomic<bool> ran{false};
  auto caller = std::async(std::launch::async, [&] { return ui->invoke([&] { ran = true; }); });
  // The caller is queued (its wake-up is an idle source waiting in the loop).
  EXPECT_EQ(caller.wait_for(100ms), std::future_status::timeout);
  ui.reset();
  EXPECT_FALSE(caller.get());
  // The idle source of that hand-over still fires; it must find no queue.
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  EXPECT_FALSE(ran.load());
}

TEST(GtkUiThread, BeginTeardownMakesLaterHandOversReturnAtOnce) {
  GtkUiThread ui;
  ui.beginTeardown();
  auto caller = std::async(
      std::launch::async, [&] { return ui.invoke([] { ADD_FAILURE() << "ran after teardown"; }); });
  EXPECT_FALSE(caller.get());
  EXPECT_FALSE(ui.invoke([] { ADD_FAILURE() << "ran after teardown"; }));
}

TEST(GtkUiThread, APostRunsFromTheLoopAfterTheCurrentWorkHasReturned) {
  GtkUiThread ui;
  std::vector<int> order;
  ASSERT_TRUE(ui.post([&] { order.push_back(2); }));
  order.push_back(1);  // posted on the loop thread: nothing ran yet
  EXPECT_EQ(order, (std::vector<int>{1}));
  EXPECT_TRUE(runLoopUntil([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2}));

  ui.beginTeardown();
  EXPECT_TRUE(ui.tearingDown());
  EXPECT_FALSE(ui.post([] { ADD_FAILURE() << "posted after teardown"; }));
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

}  // namespace
}  // namespace orvane
