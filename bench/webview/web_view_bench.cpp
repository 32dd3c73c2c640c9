// The WebKitGTK view's two roads between program and page, on the test's own
// Xvfb desktop with a real window and page:
//  - "serverJS" round trip: the page calls the bound function 1000 times in a
//    row (synchronous request to the program's scheme and back); time per
//    call as the page measures it.
//  - scripts handed over from another thread, the push channel's road: wait
//    for room in the view's script window, hand the script to the UI thread,
//    go on (bounded window), against waiting for each script to have run
//    before the next (awaiting each). Scripts per second until the last ran.
//
//   orvane_web_view_bench [rounds]      (default 5; each figure is the median)
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window_gtk.h"
#include "app/ui_thread_gtk.h"
#include "support/gtk_desktop/gtk_desktop.h"
#include "support/gtk_desktop/main_loop.h"
#include "support/http_server/loopback_http_server.h"
#include "webview/web_view_gtk.h"

namespace {

using namespace orvane;
using Clock = std::chrono::steady_clock;

constexpr int kCalls = 1000;
constexpr int kScripts = 20000;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs a script in the page and returns its value as text.
std::string evaluate(GtkWebView& view, const std::string& script) {
  struct Result {
    bool done = false;
    std::string text;
  } result;
  webkit_web_view_evaluate_javascript(
      view.webKitView(), script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* async, gpointer data) {
        auto* out = static_cast<Result*>(data);
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), async, nullptr);
        if (value != nullptr) {
          gchar* text = jsc_value_to_string(value);
          out->text = text != nullptr ? text : "";
          g_free(text);
          g_object_unref(value);
        }
        out->done = true;
      },
      &result);
  testing::runLoopUntil([&] { return result.done; }, std::chrono::minutes(10));
  return result.text;
}

// Scripts per second from a sender thread until the page has run them all.
double scriptsPerSecond(GtkWebView& view, GtkUiThread& ui, bool awaitEach) {
  evaluate(view, "window.n = 0");
  std::atomic<bool> sent{false};
  const auto start = Clock::now();
  std::thread sender([&] {
    std::mutex mutex;
    std::condition_variable ran;
    int finished = 0;
    for (int i = 0; i < kScripts; ++i) {
      const std::string script = "window.n++;";
      if (awaitEach) {
        ui.invoke([&] {
          view.runScriptThen(script, [&] {
            std::lock_guard lock(mutex);
            ++finished;
            ran.notify_all();
          });
        });
        std::unique_lock lock(mutex);
        ran.wait(lock, [&] { return finished == i + 1; });
      } else {
        if (!view.waitForScriptCapacity(std::chrono::seconds(60))) break;
        ui.invoke([&] { view.runScript(script); });
      }
    }
    sent = true;
  });
  testing::runLoopUntil([&] { return sent.load() && view.scriptsInFlight() == 0; },
                        std::chrono::minutes(10));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  sender.join();
  const std::string count = evaluate(view, "String(window.n)");
  if (count != std::to_string(kScripts))
    std::fprintf(stderr, "page ran %s scripts\n", count.c_str());
  return kScripts / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::string error;
  if (!testing::setUpGtkDesktop({}, &error)) {
    std::fprintf(stderr, "no desktop: %s\n", error.c_str());
    return 1;
  }
  testing::LoopbackHttpServer web;
  web.server().Get("/", [](const httplib::Request&, httplib::Response& response) {
    response.set_content("<!doctype html><body><script>window.n = 0;</script></body>", "text/html");
  });
  if (!web.start()) return 1;

  GtkUiThread ui;
  GtkMainWindow window;
  GtkWebView view;
  if (!view.bind(window, true)) return 1;
  int served = 0;
  view.bindFunction("serverJS", [&](const ScriptCall& call) -> ScriptValue {
    ++served;
    return "reply to " + call.argument;
  });
  bool loaded = false;
  view.setLoadFinishedHandler([&](int result, const std::string&) { loaded = result == 0; });
  window.placeOn({0, 0, 800, 600});
  view.load(web.base() + "/");
  if (!testing::runLoopUntil([&] { return loaded; })) return 1;

  std::vector<double> perCallUs;
  std::vector<double> bounded;
  std::vector<double> awaited;
  for (int round = 0; round < rounds; ++round) {
    const std::string ms = evaluate(view,
                                    "(function () { var t = performance.now();"
                                    "  for (var i = 0; i < " +
                                        std::to_string(kCalls) +
                                        "; ++i) serverJS('{\"c\":\"window\",\"a\":\"left\"}');"
                                        "  return String(performance.now() - t); })()");
    perCallUs.push_back(std::atof(ms.c_str()) * 1000.0 / kCalls);
    bounded.push_back(scriptsPerSecond(view, ui, false));
    awaited.push_back(scriptsPerSecond(view, ui, true));
  }
  std::printf(
      "serverJS round trip (%d calls, median of %d rounds): %.1f us per call (%d calls served)\n",
      kCalls, rounds, median(perCallUs), served);
  std::printf("scripts from another thread (%d scripts, median of %d rounds):\n", kScripts, rounds);
  std::printf("  bounded window of %d: %.0f scripts/s\n", GtkWebView::kScriptWindow,
              median(bounded));
  std::printf("  awaiting each:        %.0f scripts/s\n", median(awaited));
  std::printf("  ratio:                %.1fx\n", median(bounded) / median(awaited));
  view.unbind();
  window.destroy();
  return 0;
}
