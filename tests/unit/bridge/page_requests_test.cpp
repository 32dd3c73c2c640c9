#include "bridge/page_requests.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "bridge/bridge_context.h"
#include "bridge/bridge_message_filter.h"
#include "bridge/ui_thread_null.h"
#include "config/app_config.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;

class PageRequestsTest : public ::testing::Test {
 protected:
  PageRequestsTest() {
    state.pageUrl = "http://127.0.0.1:8099/client/app/orvane/";
    EXPECT_TRUE(view.bind(window, true));
  }

  NullMainWindow window;
  NullWebView view;
  AppConfig config;
  AppState state;
  BridgeMessageFilter filter{view, config, state};
  NullUiThread ui;
  PageRequests requests{ui, view, filter};
};

TEST_F(PageRequestsTest, ScriptsFromFourThreadsReachThePageOneAtATimeInArrivalOrder) {
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  std::atomic<bool> offUiThread{false};
  view.onScript = [&](const std::string&) {
    if (++running > 1) overlapped = true;
    if (!ui.isUiThread()) offUiThread = true;
    std::this_thread::sleep_for(20us);
    --running;
  };

  constexpr int kPerThread = 50;
  auto sender = [&](int id) {
    for (int i = 0; i < kPerThread; ++i) {
      const std::string script =
          "clientJS2({\"c\":\"t" + std::to_string(id) + "\",\"n\":" + std::to_string(i) + "})";
      ASSERT_TRUE(requests.runPageScript(script));
      // The sender waits until the UI thread has handed the script over.
      const auto seen = view.scripts();
      ASSERT_NE(std::find(seen.begin(), seen.end(), script), seen.end());
      if (i % 10 == 9) {
        ASSERT_TRUE(requests.reloadPage());
      }
    }
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id) threads.emplace_back(sender, id);
  for (auto& t : threads) t.join();

  EXPECT_FALSE(overlapped.load());
  EXPECT_FALSE(offUiThread.load());
  const auto scripts = view.scripts();
  ASSERT_EQ(scripts.size(), 4u * kPerThread);
  for (int id = 0; id < 4; ++id) {
    const std::string prefix = "clientJS2({\"c\":\"t" + std::to_string(id) + "\",\"n\":";
    int next = 0;
    for (const auto& script : scripts) {
      if (script.rfind(prefix, 0) != 0) continue;
      EXPECT_EQ(script, prefix + std::to_string(next) + "})");
      ++next;
    }
    EXPECT_EQ(next, kPerThread);
  }
  // Reloads ran on the UI thread too: the view's list is only touched there.
  bool loadedDone = false;
  ASSERT_TRUE(ui.invoke([&] { loadedDone = view.loadedUrls.size() == 4u * kPerThread / 10; }));
  EXPECT_TRUE(loadedDone);
}

TEST_F(PageRequestsTest, ReloadLoadsThePageAddressEvenWhenThePageShowsAnother) {
  ASSERT_TRUE(ui.invoke([&] { view.load("http://elsewhere.example/"); }));
  ASSERT_TRUE(requests.reloadPage());
  std::vector<std::string> loaded;
  ASSERT_TRUE(ui.invoke([&] { loaded = view.loadedUrls; }));
  EXPECT_EQ(loaded, (std::vector<std::string>{"http://elsewhere.example/", state.pageUrl}));
}

TEST_F(PageRequestsTest, OnTheUiThreadARequestRunsAtOnceWithoutWaitingForRoom) {
  // A view that would refuse other threads: the UI thread must not ask it,
  // since it is the thread that makes room.
  view.unbind();
  view.failWhenUnbound = true;
  std::vector<std::string> duringCall;
  ASSERT_TRUE(ui.invoke([&] {
    EXPECT_TRUE(requests.runPageScript("location.reload(true)"));
    duringCall = view.scripts();
    EXPECT_TRUE(requests.reloadPage());
    EXPECT_EQ(view.loadedUrls.size(), 1u);
  }));
  EXPECT_EQ(duringCall, (std::vector<std::string>{"location.reload(true)"}));
}

TEST_F(PageRequestsTest, AScriptIsDroppedWhenThePageHasNoRoomForIt) {
  view.unbind();
  view.failWhenUnbound = true;
  EXPECT_FALSE(requests.runPageScript("clientJS2({})"));
  EXPECT_TRUE(view.scripts().empty());
}

TEST_F(PageRequestsTest, OnceTeardownHasBegunRequestsReturnAtOnceWithoutRunning) {
  // Keep the UI thread busy, as a teardown in progress does: nothing queued
  // behind it may wait for it.
  std::promise<void> started;
  std::promise<void> release;
  std::thread busy([&] {
    ui.invoke([&] {
      started.set_value();
      release.get_future().wait();
    });
  });
  started.get_future().wait();

  auto queued = std::async(std::launch::async, [&] { return requests.runPageScript("queued()"); });
  EXPECT_EQ(queued.wait_for(50ms), std::future_status::timeout);
  ui.beginTeardown();
  EXPECT_FALSE(queued.get());
  EXPECT_FALSE(requests.runPageScript("late()"));
  EXPECT_FALSE(requests.reloadPage());

  release.set_value();
  busy.join();
  EXPECT_TRUE(view.scripts().empty());
  EXPECT_TRUE(view.loadedUrls.empty());
}

}  // namespace
}  // namespace orvane
