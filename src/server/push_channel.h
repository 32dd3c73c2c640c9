#pragma once
// PushChannel: the client's TCP link to the server's push service, and what
// the server pushes over it turned into effects on the page.
//
// Started once, at the first successful page load. From then on a keeper
// thread reconnects whenever the link is down: about every keeper period it
// finds the client stopped, logs "ReStart", asks ServerLink for the push port
// anew and connects synchronously. Every connect sends the login as one pack.
// Every pack the server pushes is decoded once (GBK unless it carries
// "char":"utf-8"), parsed as a bridge envelope, logged, and handed to the page
// as "clientJS2(" + text + ")", the same text throughout; "sys"/"conn" first
// starts the log purge (once per process), "sys"/"update" first reloads the
// page and starts a hidden update. A pack that is not an envelope is dropped
// without a word.
//
// A failed page load is retried whenever it happens, before the channel has
// started and after: logged, and the page address is loaded again a reload
// delay later by a worker thread, so the UI thread carries on meanwhile. While
// one retry waits, further failures are only logged; a successful load or
// stop() calls the waiting retry off.
//
// Threads: onPageLoaded, start and stop come from the UI thread; the keeper
// polls, discovers and connects; the pack client's I/O thread runs the
// handlers, which wait for the UI thread to take each script; short workers
// run the retry, the purge and the update, and stop() joins them.
//
// stop() waits for a receive handler that is handing a script to the page.
// At teardown the UI thread's hand-overs are closed first
// (UiThread::beginTeardown), so that wait ends at once.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "bridge/bridge_context.h"
#include "log/worker_threads.h"
#include "server/pack_client.h"

namespace orvane {

class ServerLink;

// What the channel uses of the rest of the program, as plain functions so the
// server library needs neither the program nor the UI.
struct PushChannelHooks {
  using MessageText =
      std::function<std::string(const std::string& c, const std::string& a, const std::string& uid,
                                const std::optional<std::string>& data)>;

  // The page, through the bridge's page requests (PageRequests::runPageScript
  // and reloadPage): both wait for the UI thread and return false at once
  // once teardown has begun.
  std::function<bool(const std::string& script)> runPageScript;
  std::function<bool()> reloadPage;
  // The maker's library: the text of one message to the server
  // (MakerLibrary::loginText), and the hidden update (runUpdate, mode 0).
  MessageText messageText;
  std::function<void()> hiddenUpdate;
  // The day log; appLog()'s write and purge when empty.
  LogSink log;
  std::function<void()> purgeLog;
  // The channel could not be started; the program ends (the main window is
  // destroyed, and teardown follows).
  std::function<void()> startFailed;
  // Who logs in: the application's and the machine's names.
  std::string appName;
  std::string machineName;
};

struct PushChannelTiming {
  std::chrono::milliseconds keeperPeriod{3000};  // between the keeper's passes
  std::chrono::milliseconds reloadDelay{5000};   // from a failed load to its reload
  std::chrono::milliseconds connectTimeout{PackClient::kDefaultConnectTimeout};
};

class PushChannel {
 public:
  static constexpr std::uint32_t kMaxPackSize = 3145728;

  // The pack client and the server link outlive the channel.
  PushChannel(PackClient& packClient, ServerLink& serverLink, PushChannelHooks hooks,
              PushChannelTiming timing = {});
  ~PushChannel();  // stop()
  PushChannel(const PushChannel&) = delete;
  PushChannel& operator=(const PushChannel&) = delete;

  // The web view's loading-finished event, on the UI thread. Result 0 is a
  // loaded page; the first one starts the channel. Anything else is a failed
  // or cancelled load, retried as described above.
  void onPageLoaded(int result, const std::string& reason);

  // Makes the pack client and starts the keeper, which connects on its first
  // pass. True when both run (also when they ran already); false after stop().
  bool start();

  // Ends the keeper (cutting a port discovery or a connect short), closes and
  // releases the client, calls off a waiting retry and joins the workers.
  // Final: the channel does not start again. Safe when nothing runs.
  void stop();

  // Sends the message the maker's library builds from the four texts as one
  // pack. False when there is no client, no text, or the send fails.
  bool sendMessage(const std::string& c, const std::string& a, const std::string& uid,
                   const std::optional<std::string>& data);

  bool channelStarted() const { return channelStarted_.load(); }
  // The client's state; Stopped while there is none.
  PackClientState linkState() const;

 private:
  void keeperLoop(std::stop_token stop);
  void reconnect(PackClientHandle client, std::stop_token stop);
  void onConnect(PackClientHandle client);
  void onReceive(PackClientHandle client, std::span<const std::uint8_t> pack);
  void handlePush(std::string_view bytes);
  void onClose(PackClientHandle client, int errorCode);
  void scheduleReload();
  void reloadAfterDelay(std::uint64_t retry);
  void startWorker(std::function<void()> routine);
  void endKeeper();
  void releaseClient();
  void log(std::string_view category, std::string_view message) const;

  PackClient& packClient_;
  ServerLink& serverLink_;
  const PushChannelHooks hooks_;
  const PushChannelTiming timing_;

  std::atomic<bool> channelStarted_{false};
  std::atomic<PackClientHandle> client_{0};
  bool handlersSet_ = false;  // UI thread
  std::thread keeper_;
  std::stop_source keeperStop_;
  std::atomic<bool> purgeStarted_{false};

  mutable std::mutex mutex_;
  std::condition_variable_any wake_;  // the keeper's pause, a retry's delay, stop
  bool stopped_ = false;
  bool keeperDone_ = false;
  bool connecting_ = false;         // the keeper is inside a synchronous connect
  std::uint64_t pendingRetry_ = 0;  // the retry waiting to reload; 0 when none
  std::uint64_t lastRetry_ = 0;

  WorkerThreads workers_;
};

}  // namespace orvane
