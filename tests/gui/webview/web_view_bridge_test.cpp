// The page bridge of the WebKitGTK view: "serverJS" calls and what the engine
// says about their callers, console capture, and scripts from other threads.

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "app/ui_thread_gtk.h"
#include "web_view_fixture.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;

TEST_F(WebViewTest, ServerJsAnswersEveryReplyType) {
  std::vector<ScriptCall> calls;
  view.bindFunction("serverJS", [&](const ScriptCall& call) -> ScriptValue {
    calls.push_back(call);
    const std::string& a = call.argument;
    if (a == "false") return false;
    if (a == "true") return true;
    if (a == "negative") return std::int32_t{-123456};
    if (a == "largest") return std::int32_t{2147483647};
    if (a == "text") return std::string("排行榜 🏆 \"quoted\" \\ 'single'\nsecond line");
    if (a == "empty") return std::string();
    if (a.rfind("echo:", 0) == 0) return a.substr(5);
    return ScriptUndefined{};
  });
  addPage("/", "<!doctype html><meta charset=utf-8><body>page</body>");
  bindAndShow();
  const auto load = loadAndWait(web.base() + "/");
  ASSERT_TRUE(load);
  ASSERT_EQ(load->result, kLoadSucceeded) << load->reason;

  EXPECT_EQ(evaluate(R"JS(JSON.stringify(
      ['nothing', 'false', 'true', 'negative', 'largest', 'text', 'empty'].map(function (a) {
        var v = serverJS(a);
        return [typeof v, v === undefined ? 'undefined' : v];
      })))JS"),
            R"([["undefined","undefined"],["boolean",false],["boolean",true],)"
            R"(["number",-123456],["number",2147483647],)"
            R"(["string","排行榜 🏆 \"quoted\" \\ 'single'\nsecond line"],["string",""]])");

  // The argument arrives as the page wrote it; a missing one as empty text.
  EXPECT_EQ(evaluate("serverJS('echo:中文 😀 \\u00e9')"), "中文 😀 é");
  EXPECT_EQ(evaluate("String(serverJS())"), "undefined");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().argument, "");

  // Every call came from the top page of the server's origin.
  for (const ScriptCall& call : calls) {
    EXPECT_EQ(call.origin, "http://127.0.0.1:" + std::to_string(web.port()));
    EXPECT_TRUE(call.topFrame);
  }
}

TEST_F(WebViewTest, ServerJsRunsWhileThePageScriptWaitsAndMayRunScriptsItself) {
  // The page's call is synchronous: the function's effects on the page (a
  // script run from inside the call) come after the call has returned.
  view.bindFunction("serverJS", [&](const ScriptCall& call) -> ScriptValue {
    view.runScript("window.order.push('script from the call')");
    return call.argument + " answered";
  });
  addPage("/", "<!doctype html><body><script>window.order = [];</script></body>");
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  EXPECT_EQ(evaluate("window.order.push(serverJS('first')); JSON.stringify(window.order)"),
            R"(["first answered"])");
  EXPECT_EQ(evaluate("JSON.stringify(window.order)"),
            R"(["first answered","script from the call"])");
}

TEST_F(WebViewTest, AnIframeOfAnotherOriginIsReportedWithItsOwnOriginAndNotAsTopFrame) {
  LoopbackHttpServer other;
  other.server().set_keep_alive_max_count(1);
  other.server().Get("/frame", [](const httplib::Request&, httplib::Response& response) {
    // The frame has no serverJS of its own; it crafts the call itself and
    // claims to be the top page.
    response.set_content(R"(<!doctype html><script>
      var request = new XMLHttpRequest();
      request.open('POST', 'orvane-call://call/serverJS', false);
      request.send('from the frame, serverJS is ' + typeof window.serverJS);
      parent.postMessage('frame called: ' + request.responseText, '*');
    </script>)",
                         "text/html");
  });
  ASSERT_TRUE(other.start());
  std::vector<ScriptCall> calls;
  view.bindFunction("serverJS", [&](const ScriptCall& call) -> ScriptValue {
    calls.push_back(call);
    return std::string("ok");
  });
  addPage("/",
          "<!doctype html><body><script>window.frameSaid = '';"
          "addEventListener('message', function (e) { window.frameSaid = e.data; });"
          "</script><iframe src='http://localhost:" +
              std::to_string(other.port()) + "/frame'></iframe></body>");
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  ASSERT_TRUE(runLoopUntil([&] { return !calls.empty(); }));
  EXPECT_EQ(calls[0].argument, "from the frame, serverJS is undefined");
  EXPECT_EQ(calls[0].origin, "http://localhost:" + std::to_string(other.port()));
  EXPECT_FALSE(calls[0].topFrame);

  // The top page calling at the same time is still the top page.
  EXPECT_EQ(evaluate("serverJS('top')"), "ok");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].origin, "http://127.0.0.1:" + std::to_string(web.port()));
  EXPECT_TRUE(calls[1].topFrame);
}

TEST_F(WebViewTest, ACallFromAPageOfAnotherOriginInTheTopFrameIsNotTheServersOrigin) {
  // The page navigated elsewhere (a link, a redirect): its calls carry that
  // origin, so the bridge can refuse them.
  LoopbackHttpServer elsewhere;
  elsewhere.server().set_keep_alive_max_count(1);
  elsewhere.server().Get("/", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("<!doctype html><body>elsewhere</body>", "text/html");
  });
  ASSERT_TRUE(elsewhere.start());
  std::vector<ScriptCall> calls;
  view.bindFunction("serverJS", [&](const ScriptCall& call) -> ScriptValue {
    calls.push_back(call);
    return ScriptUndefined{};
  });
  bindAndShow();
  ASSERT_EQ(loadAndWait(elsewhere.base() + "/")->result, kLoadSucceeded);
  evaluate("serverJS('x')");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].origin, "http://127.0.0.1:" + std::to_string(elsewhere.port()));
  EXPECT_NE(calls[0].origin, "http://127.0.0.1:" + std::to_string(web.port()));
  EXPECT_TRUE(calls[0].topFrame);
}

TEST_F(WebViewTest, ConsoleMessagesAndUncaughtErrorsReachTheConsoleHandler) {
  std::vector<ConsoleMessage> messages;
  view.setConsoleHandler([&](const ConsoleMessage& m) { messages.push_back(m); });
  // Line numbers below count from the doctype line as line 1.
  addPage("/",
          "<!doctype html>\n"                              // 1
          "<body><script>\n"                               // 2
          "console.log('log', 1);\n"                       // 3
          "console.warn('warn');\n"                        // 4
          "console.error('错误', {code: 42});\n"           // 5
          "console.debug('debug');\n"                      // 6
          "console.info('info');\n"                        // 7
          "function fail() { throw new Error('bad'); }\n"  // 8
          "setTimeout(fail, 0);\n"                         // 9
          "Promise.reject(new Error('rejected'));\n"       // 10
          "</script></body>\n");
  bindAndShow();
  const std::string page = web.base() + "/";
  ASSERT_EQ(loadAndWait(page)->result, kLoadSucceeded);
  ASSERT_TRUE(runLoopUntil([&] { return messages.size() >= 7; })) << messages.size();

  struct Expected {
    int level;
    std::string text;
    unsigned line;
  };
  const Expected expected[] = {
      {1, "log 1", 3}, {2, "warn", 4}, {3, "错误 {\"code\":42}", 5},
      {4, "debug", 6}, {5, "info", 7},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(messages[i].level, expected[i].level) << i;
    EXPECT_EQ(messages[i].message, expected[i].text) << i;
    EXPECT_EQ(messages[i].sourceName, page) << i;
    EXPECT_EQ(messages[i].line, expected[i].line) << i;
  }
  // The uncaught error and the unhandled rejection, in either order.
  bool sawError = false;
  bool sawRejection = false;
  for (std::size_t i = 5; i < messages.size(); ++i) {
    EXPECT_EQ(messages[i].level, 3);
    if (messages[i].message.find("bad") != std::string::npos) {
      sawError = true;
      EXPECT_EQ(messages[i].sourceName, page);
      EXPECT_EQ(messages[i].line, 8u);
      EXPECT_NE(messages[i].stackTrace.find("fail"), std::string::npos) << messages[i].stackTrace;
    }
    if (messages[i].message.find("rejected") != std::string::npos) sawRejection = true;
  }
  EXPECT_TRUE(sawError);
  EXPECT_TRUE(sawRejection);
}

// Sends `count` scripts from another thread the way the push channel does:
// wait for room, then hand the script to the UI thread.
struct Sender {
  std::atomic<int> sent{0};
  std::atomic<int> refused{0};
  std::atomic<bool> done{false};
  std::thread thread;

  void start(GtkWebView& view, UiThread& ui, int count, const std::string& body) {
    thread = std::thread([&, count, body] {
      for (int i = 0; i < count; ++i) {
        const std::string script = "window.got.push(" + std::to_string(i) + ");" + body;
        if (!view.waitForScriptCapacity(60s) || !ui.invoke([&] { view.runScript(script); })) {
          ++refused;
          continue;
        }
        ++sent;
      }
      done = true;
    });
  }
  ~Sender() {
    if (thread.joinable()) thread.join();
  }
};

std::string expectedSequence(int count) {
  std::string text = "[";
  for (int i = 0; i < count; ++i) text += (i > 0 ? "," : "") + std::to_string(i);
  return text + "]";
}

TEST_F(WebViewTest, ScriptsFromAnotherThreadRunInTheOrderTheyWereGiven) {
  GtkUiThread ui;
  addPage("/", "<!doctype html><body><script>window.got = [];</script></body>");
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);

  constexpr int kCount = 2000;
  Sender sender;
  sender.start(view, ui, kCount, "");
  int most = 0;
  EXPECT_TRUE(runLoopUntil([&] {
    most = std::max(most, view.scriptsInFlight());
    return sender.done.load();
  }));
  EXPECT_EQ(sender.sent.load(), kCount);
  EXPECT_LE(most, GtkWebView::kScriptWindow);
  // Scripts evaluated afterwards run after all of them.
  EXPECT_EQ(evaluate("JSON.stringify(window.got)"), expectedSequence(kCount));
  EXPECT_TRUE(runLoopUntil([&] { return view.scriptsInFlight() == 0; }));
}

TEST_F(WebViewTest, ASlowPageHoldsTheSenderBackInsteadOfQueuingWithoutBound) {
  GtkUiThread ui;
  // Every script takes the page 10 ms.
  addPage("/",
          "<!doctype html><body><script>window.got = [];"
          "window.slow = function () { var end = Date.now() + 10; while (Date.now() < end) {} };"
          "</script></body>");
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);

  constexpr int kCount = 3 * GtkWebView::kScriptWindow;
  Sender sender;
  sender.start(view, ui, kCount, "slow();");
  int most = 0;
  EXPECT_TRUE(runLoopUntil([&] {
    most = std::max(most, view.scriptsInFlight());
    return sender.done.load();
  }));
  EXPECT_EQ(sender.sent.load(), kCount);
  // The sender got well ahead of the page and was then held at the window.
  EXPECT_LE(most, GtkWebView::kScriptWindow);
  EXPECT_GE(most, GtkWebView::kScriptWindow / 2);
  EXPECT_EQ(evaluate("JSON.stringify(window.got)"), expectedSequence(kCount));
}

TEST_F(WebViewTest, AWaitingSenderGivesUpOnTimeOutAndIsReleasedByUnbind) {
  // A page that takes a second per script keeps the window full.
  addPage("/",
          "<!doctype html><body><script>"
          "window.slow = function () { var end = Date.now() + 1000; while (Date.now() < end) {} };"
          "</script></body>");
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  EXPECT_TRUE(view.waitForScriptCapacity(0ms));
  for (int i = 0; i < GtkWebView::kScriptWindow; ++i) view.runScript("slow()");
  EXPECT_EQ(view.scriptsInFlight(), GtkWebView::kScriptWindow);
  EXPECT_FALSE(view.waitForScriptCapacity(50ms));

  auto waiting = std::async(std::launch::async, [&] { return view.waitForScriptCapacity(600s); });
  EXPECT_EQ(waiting.wait_for(100ms), std::future_status::timeout);
  view.unbind();
  ASSERT_EQ(waiting.wait_for(60s), std::future_status::ready);
  EXPECT_FALSE(waiting.get());
  EXPECT_FALSE(view.waitForScriptCapacity(0ms));
}

}  // namespace
}  // namespace orvane::testing

namespace orvane::testing {
namespace {

TEST_F(WebViewTest, RunScriptThenReportsWhatTheScriptLoggedOrThrewBeforeItFinishes) {
  std::vector<std::string> events;
  view.setConsoleHandler([&](const ConsoleMessage& m) {
    events.push_back("console " + std::to_string(m.level) + ": " + m.message);
  });
  addPage("/", "<!doctype html><body></body>");
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);

  view.runScriptThen("console.error('inside'); 1", [&] { events.push_back("finished first"); });
  view.runScriptThen("missingFunction()", [&] { events.push_back("finished second"); });
  view.runScript("console.log('third')");
  ASSERT_TRUE(runLoopUntil([&] { return events.size() >= 5; }));
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0], "console 3: inside");
  EXPECT_EQ(events[1], "finished first");
  EXPECT_EQ(events[2].rfind("console 3: ", 0), 0u) << events[2];
  EXPECT_NE(events[2].find("missingFunction"), std::string::npos) << events[2];
  EXPECT_EQ(events[3], "finished second");
  EXPECT_EQ(events[4], "console 1: third");
}

TEST_F(WebViewTest, RunScriptThenFinishesOnceForScriptsTheViewDrops) {
  addPage("/",
          "<!doctype html><body><script>"
          "window.slow = function () { var end = Date.now() + 200; while (Date.now() < end) {} };"
          "</script></body>");
  bindAndShow();
  ASSERT_EQ(loadAndWait(web.base() + "/")->result, kLoadSucceeded);
  constexpr int kCount = 20;
  int finished = 0;
  for (int i = 0; i < kCount; ++i) view.runScriptThen("slow()", [&] { ++finished; });
  view.unbind();
  EXPECT_TRUE(runLoopUntil([&] { return finished == kCount; })) << finished;
  runLoopFor(300ms);
  EXPECT_EQ(finished, kCount);

  // Unbound: dropped at once.
  bool ranAtOnce = false;
  view.runScriptThen("1", [&] { ranAtOnce = true; });
  EXPECT_TRUE(ranAtOnce);
}

}  // namespace
}  // namespace orvane::testing
