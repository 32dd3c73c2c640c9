// Pushed messages per second and latency from the loopback pack server through
// PushChannel to the page: the port found by the real discovery, each pack
// decoded, parsed, logged to a real day log and handed to a counting null page
// through the bridge's page requests (the bounded hand-over to a UI thread).
// 200-byte envelopes. Latency runs from the server's send to the page's
// script request, one message at a time.
//
//   orvane_push_bench [rounds]      (default 3; each figure is the median)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/bridge_context.h"
#include "bridge/bridge_message_filter.h"
#include "bridge/page_requests.h"
#include "bridge/ui_thread_null.h"
#include "config/app_config.h"
#include "log/log_writer.h"
#include "server/push_channel.h"
#include "server/server_link.h"
#include "support/http_server/loopback_http_server.h"
#include "support/pack_server/pack_test_server.h"
#include "support/temp_directory.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace {

using namespace orvane;
using orvane::testing::PackTestServer;
using Clock = std::chrono::steady_clock;

constexpr auto kWait = std::chrono::seconds(120);
constexpr std::size_t kEnvelopeSize = 200;
constexpr std::size_t kThroughputMessages = 100'000;
constexpr std::size_t kBatch = 500;  // envelopes per server write in the throughput phase
constexpr std::size_t kLatencySamples = 5000;

struct Figures {
  double messagesPerSecond = 0;
  double p50us = 0;
  double p99us = 0;
};

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
  return values[index];
}

// {"c":"rank","a":"push","n":<sequence, 8 digits>,"data":"xxx..."}, padded
// to exactly kEnvelopeSize bytes.
std::string envelope(std::size_t sequence) {
  char number[16];
  std::snprintf(number, sizeof number, "%08zu", sequence);
  std::string text = std::string(R"({"c":"rank","a":"push","n":)") + number + R"(,"data":")";
  text.append(kEnvelopeSize - text.size() - 2, 'x');
  text += "\"}";
  return text;
}

// The sequence number back out of "clientJS2(" + envelope + ")".
long sequenceOf(const std::string& script) {
  const auto at = script.find("\"n\":");
  return at == std::string::npos ? -1 : std::atol(script.c_str() + at + 4);
}

// The page: counts the scripts it is handed and, in the latency phase, how
// long each took from the server's send.
class CountingPage {
 public:
  void latencyPhase(std::size_t samples) {
    std::lock_guard lock(mutex_);
    count_ = 0;
    sentAt_.assign(samples, Clock::time_point{});
    latencies_.clear();
  }
  void throughputPhase() {
    std::lock_guard lock(mutex_);
    count_ = 0;
    sentAt_.clear();
  }
  void sent(std::size_t sequence) {
    std::lock_guard lock(mutex_);
    sentAt_[sequence] = Clock::now();
  }
  void onScript(const std::string& script) {
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    if (!sentAt_.empty()) {
      const long sequence = sequenceOf(script);
      if (sequence >= 0 && static_cast<std::size_t>(sequence) < sentAt_.size()) {
        latencies_.push_back(
            std::chrono::duration<double, std::micro>(now - sentAt_[sequence]).count());
      }
    }
    ++count_;
    changed_.notify_all();
  }
  bool waitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWait, [&] { return count_ >= count; });
  }
  std::vector<double> latencies() {
    std::lock_guard lock(mutex_);
    return latencies_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t count_ = 0;
  std::vector<Clock::time_point> sentAt_;
  std::vector<double> latencies_;
};

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::exit(1);
}

Figures runRound() {
  orvane::testing::TempDirectory dir;
  PackTestServer push;
  orvane::testing::LoopbackHttpServer web;
  web.server().Get("/api100.php", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::to_string(push.port()), "text/plain");
  });
  if (!web.start()) fail("no HTTP server");
  orvane::testing::writeFile(dir.file("config.ini"), "[server]\nip=127.0.0.1\nwebport=" +
                                                         std::to_string(web.port()) + "\n");
  ServerLink link;
  link.init(dir.file("config.ini"));
  LogWriter log;
  if (!log.open("orvane", dir.path() + "/")) fail("no log");

  CountingPage counter;
  NullMainWindow window;
  NullWebView view;
  view.bind(window, true);
  view.onScript = [&](const std::string& script) { counter.onScript(script); };
  AppConfig config;
  AppState state;
  BridgeMessageFilter filter{view, config, state};
  NullUiThread ui;
  PageRequests page{ui, view, filter};
  PackClient packClient;

  PushChannelHooks hooks;
  hooks.runPageScript = [&](const std::string& script) { return page.runPageScript(script); };
  hooks.reloadPage = [&] { return page.reloadPage(); };
  hooks.messageText = [](const std::string&, const std::string&, const std::string&,
                         const std::optional<std::string>&) { return std::string("login"); };
  hooks.log = [&](std::string_view category, std::string_view message) {
    log.write(category, message);
  };
  hooks.purgeLog = [] {};
  hooks.appName = "orvane";
  hooks.machineName = "BENCH";
  PushChannel channel(packClient, link, hooks);

  if (!ui.invoke([&] { channel.onPageLoaded(kLoadSucceeded, ""); })) fail("no UI thread");
  if (!push.waitForClients(1, kWait) || !push.waitForPack(kWait)) fail("no login");
  const auto client = push.clients().back();

  Figures figures;
  // Throughput: the server writes batches of framed envelopes as fast as it
  // can; the clock stops when the page has the last one.
  std::vector<PackTestServer::Bytes> batches;
  for (std::size_t first = 0; first < kThroughputMessages; first += kBatch) {
    PackTestServer::Bytes batch;
    for (std::size_t i = first; i < first + kBatch; ++i) {
      const std::string text = envelope(i);
      const auto framed = PackTestServer::frame(
          std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
      batch.insert(batch.end(), framed.begin(), framed.end());
    }
    batches.push_back(std::move(batch));
  }
  counter.throughputPhase();
  const auto start = Clock::now();
  for (auto& batch : batches) push.sendRaw(client, std::move(batch));
  if (!counter.waitFor(kThroughputMessages)) fail("throughput phase timed out");
  figures.messagesPerSecond = static_cast<double>(kThroughputMessages) /
                              std::chrono::duration<double>(Clock::now() - start).count();

  // Latency: one message at a time, the next once the page has the last.
  counter.latencyPhase(kLatencySamples);
  for (std::size_t i = 0; i < kLatencySamples; ++i) {
    const std::string text = envelope(i);
    counter.sent(i);
    push.send(client, text);
    if (!counter.waitFor(i + 1)) fail("latency phase timed out");
  }
  const auto latencies = counter.latencies();
  figures.p50us = percentile(latencies, 0.5);
  figures.p99us = percentile(latencies, 0.99);

  ui.beginTeardown();
  channel.stop();
  log.close();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::vector<double> rates, p50, p99;
  for (int r = 0; r < rounds; ++r) {
    const Figures f = runRound();
    std::printf("round %d: %10.0f messages/s   p50 %8.1f us   p99 %8.1f us\n", r + 1,
                f.messagesPerSecond, f.p50us, f.p99us);
    rates.push_back(f.messagesPerSecond);
    p50.push_back(f.p50us);
    p99.push_back(f.p99us);
  }
  std::printf(
      "push, %zu-byte envelopes, server -> PushChannel -> page (median of %d rounds):\n"
      "  %.0f messages/s, latency p50 %.1f us, p99 %.1f us\n",
      kEnvelopeSize, rounds, percentile(rates, 0.5), percentile(p50, 0.5), percentile(p99, 0.5));
  return 0;
}
