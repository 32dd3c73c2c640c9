// Page requests over the GTK client's UI thread: a real GLib main loop, run
// here on the test's main thread as gtk_main would run it. No display needed.

#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/ui_thread_gtk.h"
#include "bridge/bridge_context.h"
#include "bridge/bridge_message_filter.h"
#include "bridge/page_requests.h"
#include "config/app_config.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;

TEST(PageRequestsOnTheGlibLoop, FourSendersAtOnceReachThePageOneAtATimeInOrder) {
  GtkUiThread ui;
  const auto loopThread = std::this_thread::get_id();
  NullMainWindow window;
  NullWebView view;
  ASSERT_TRUE(view.bind(window, true));
  AppConfig config;
  AppState state;
  state.pageUrl = "http://127.0.0.1:8099/client/app/orvane/";
  BridgeMessageFilter filter(view, config, state);
  PageRequests requests(ui, view, filter);

  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  std::atomic<bool> offLoop{false};
  view.onScript = [&](const std::string&) {
    if (++running > 1) overlapped = true;
    if (std::this_thread::get_id() != loopThread) offLoop = true;
    --running;
  };

  constexpr int kPerThread = 50;
  std::atomic<int> finished{0};
  std::atomic<int> failures{0};
  auto sender = [&](int id) {
    for (int i = 0; i < kPerThread; ++i) {
      if (!requests.runPageScript("s(" + std::to_string(id) + "," + std::to_string(i) + ")"))
        ++failures;
    }
    if (!requests.reloadPage()) ++failures;
    ++finished;
  };
  std::vector<std::thread> threads;
  for (int id = 0; id < 4; ++id) threads.emplace_back(sender, id);

  // A ticker wakes the loop now and then, so it sees the senders finish.
  const guint ticker = g_timeout_add(
      10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (finished < 4 && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
  }
  g_source_remove(ticker);
  ui.beginTeardown();  // releases any sender still waiting if the deadline passed
  for (auto& t : threads) t.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_FALSE(overlapped.load());
  EXPECT_FALSE(offLoop.load());
  const auto scripts = view.scripts();
  ASSERT_EQ(scripts.size(), 4u * kPerThread);
  for (int id = 0; id < 4; ++id) {
    const std::string prefix = "s(" + std::to_string(id) + ",";
    int next = 0;
    for (const auto& script : scripts) {
      if (script.rfind(prefix, 0) == 0) {
        EXPECT_EQ(script, prefix + std::to_string(next++) + ")");
      }
    }
    EXPECT_EQ(next, kPerThread);
  }
  EXPECT_EQ(view.loadedUrls, std::vector<std::string>(4, state.pageUrl));
}

}  // namespace
}  // namespace orvane
