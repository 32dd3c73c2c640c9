// Loading results, the page process going away, and where local storage
// lives.

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/http_server/loopback_sockets.h"
#include "support/temp_directory.h"
#include "support/web_processes.h"
#include "web_view_fixture.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;

TEST_F(WebViewTest, AFailedLoadIsReportedOnceAndNotFollowedBySuccess) {
  addPage("/", "<!doctype html><body>up</body>");
  bindAndShow();
  const auto failed = loadAndWait("http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/");
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->result, kLoadFailed);
  EXPECT_FALSE(failed->reason.empty());
  // Nothing else arrives for that load (no error page read as a success).
  runLoopFor(500ms);
  EXPECT_EQ(loads.size(), 1u);

  const auto next = loadAndWait(web.base() + "/");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->result, kLoadSucceeded) << next->reason;
  EXPECT_TRUE(next->reason.empty());
}

// A page the server holds back until the test lets it go. The server's
// handler shares it, so a handler still running after the test is safe.
struct HeldPage {
  std::mutex mutex;
  std::condition_variable changed;
  bool requested = false;
  bool released = false;

  void serve(httplib::Response& response) {
    std::unique_lock lock(mutex);
    requested = true;
    changed.notify_all();
    changed.wait(lock, [&] { return released; });
    response.set_content("<!doctype html><body>late</body>", "text/html");
  }
  bool wasRequested() {
    std::lock_guard lock(mutex);
    return requested;
  }
  void release() {
    std::lock_guard lock(mutex);
    released = true;
    changed.notify_all();
  }
};

// Lets the held page go when the test ends, however it ends.
struct ReleaseAtEnd {
  std::shared_ptr<HeldPage> page;
  ~ReleaseAtEnd() { page->release(); }
};

TEST_F(WebViewTest, AStoppedLoadIsCancelledAndALoadReplacedByAnotherIsNoSuccess) {
  const auto held = std::make_shared<HeldPage>();
  const ReleaseAtEnd releaseAtEnd{held};
  web.server().Get("/held", [held](const httplib::Request&, httplib::Response& response) {
    held->serve(response);
  });
  addPage("/", "<!doctype html><body>up</body>");
  bindAndShow();

  view.load(web.base() + "/held");
  ASSERT_TRUE(runLoopUntil([&] { return held->wasRequested(); }));
  webkit_web_view_stop_loading(view.webKitView());
  ASSERT_TRUE(runLoopUntil([&] { return !loads.empty(); }));
  EXPECT_EQ(loads[0].result, kLoadCancelled) << loads[0].reason;

  // A load that another load replaces never reads as a success; the second
  // one does.
  loads.clear();
  view.load(web.base() + "/held");
  runLoopFor(100ms);
  view.load(web.base() + "/");
  ASSERT_TRUE(runLoopUntil([&] {
    return std::any_of(loads.begin(), loads.end(),
                       [](const LoadEvent& e) { return e.result == kLoadSucceeded; });
  }));
  runLoopFor(300ms);
  int successes = 0;
  for (const LoadEvent& e : loads) successes += e.result == kLoadSucceeded ? 1 : 0;
  EXPECT_EQ(successes, 1);
  EXPECT_EQ(loads.back().result, kLoadSucceeded);
  EXPECT_EQ(evaluate("document.body.textContent"), "up");
}

TEST_F(WebViewTest, AKilledPageProcessIsReportedAndTheNextLoadWorks) {
  std::vector<std::string> gone;
  view.bindFunction("serverJS",
                    [](const ScriptCall& call) -> ScriptValue { return "back: " + call.argument; });
  view.setProcessGoneHandler([&](const std::string& reason) { gone.push_back(reason); });
  addPage("/", "<!doctype html><body>page</body>");
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  EXPECT_EQ(evaluate("serverJS('one')"), "back: one");

  const std::vector<pid_t> processes = webProcessesOf(getpid());
  ASSERT_FALSE(processes.empty());
  for (pid_t pid : processes) kill(pid, SIGKILL);
  ASSERT_TRUE(runLoopUntil([&] { return !gone.empty(); }));
  EXPECT_EQ(gone[0], "crashed");

  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  EXPECT_EQ(evaluate("serverJS('two')"), "back: two");

  webkit_web_view_terminate_web_process(view.webKitView());
  ASSERT_TRUE(runLoopUntil([&] { return gone.size() == 2; }));
  EXPECT_EQ(gone[1], "terminated by API");
}

TEST_F(WebViewTest, LocalStorageLivesUnderTheGivenFolderAndRemakingTheViewKeepsTheHandlers) {
  TempDirectory folder;
  ASSERT_FALSE(folder.path().empty());
  std::vector<ConsoleMessage> messages;
  addPage("/",
          "<!doctype html><body><script>localStorage.setItem('rank', '第一');"
          "console.info('stored ' + localStorage.getItem('rank'));</script></body>");
  bindAndShow();
  // Set after binding, as the startup does: the view is made again, and what
  // was set on it so far still holds.
  view.setConsoleHandler([&](const ConsoleMessage& m) { messages.push_back(m); });
  view.bindFunction("serverJS", [](const ScriptCall&) -> ScriptValue { return true; });
  view.setLocalStoragePath(folder.path());
  ASSERT_TRUE(view.isBound());
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  ASSERT_TRUE(runLoopUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].message, "stored 第一");
  EXPECT_EQ(evaluate("String(serverJS('x'))"), "true");

  // The engine writes its storage into that folder.
  const auto storageFiles = [&] {
    std::vector<std::string> files;
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(folder.path(), ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::string path = it->path().string();
      std::transform(path.begin(), path.end(), path.begin(), ::tolower);
      if (it->is_regular_file() && path.find("localstorage") != std::string::npos) {
        files.push_back(path);
      }
    }
    return files;
  };
  EXPECT_TRUE(runLoopUntil([&] { return !storageFiles().empty(); }));
}

}  // namespace
}  // namespace orvane::testing
