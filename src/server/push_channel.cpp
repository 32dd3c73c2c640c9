#include "server/push_channel.h"

#include <utility>

#include "bridge/bridge_message.h"
#include "log/log_writer.h"
#include "log/start_thread.h"
#include "server/server_link.h"
#include "webview/web_view.h"

namespace orvane {

namespace {

constexpr std::string_view kLinkCategory = "客户通信";
constexpr std::string_view kLoadFailedCategory = "载入页面";
constexpr std::string_view kLoadedCategory = "载入完成";

constexpr int kHighestPort = 65535;
// How often stop() repeats its stop of a connect that had not quite begun
// when it was first asked.
constexpr std::chrono::milliseconds kConnectCutInterval{10};

}  // namespace

PushChannel::PushChannel(PackClient& packClient, ServerLink& serverLink, PushChannelHooks hooks,
                         PushChannelTiming timing)
    : packClient_(packClient), serverLink_(serverLink), hooks_(std::move(hooks)), timing_(timing) {}

PushChannel::~PushChannel() { stop(); }

void PushChannel::log(std::string_view category, std::string_view message) const {
  if (hooks_.log) {
    hooks_.log(category, message);
  } else {
    appLog().write(category, message);
  }
}

PackClientState PushChannel::linkState() const {
  const PackClientHandle client = client_.load();
  return client == 0 ? PackClientState::Stopped : packClient_.getState(client);
}

void PushChannel::onPageLoaded(int result, const std::string& reason) {
  if (result == kLoadSucceeded) {
    {
      std::lock_guard lock(mutex_);
      if (stopped_) return;
      // The page is up: a retry still waiting would only reload it.
      pendingRetry_ = 0;
    }
    wake_.notify_all();
    if (channelStarted_.load()) return;
    channelStarted_.store(true);
    log(kLoadedCategory, "");
    if (!start()) {
      log(kLinkCategory, "失败");
      if (hooks_.startFailed) hooks_.startFailed();
    }
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
  }
  std::string detail = "失败 code:" + std::to_string(result);
  if (!reason.empty()) detail += " " + reason;
  log(kLoadFailedCategory, detail);
  scheduleReload();
}

void PushChannel::scheduleReload() {
  std::uint64_t retry = 0;
  {
    std::lock_guard lock(mutex_);
    if (stopped_ || pendingRetry_ != 0) return;
    retry = pendingRetry_ = ++lastRetry_;
  }
  if (!workers_.start([this, retry] { reloadAfterDelay(retry); })) {
    std::lock_guard lock(mutex_);
    if (pendingRetry_ == retry) pendingRetry_ = 0;
  }
}

void PushChannel::reloadAfterDelay(std::uint64_t retry) {
  {
    std::unique_lock lock(mutex_);
    const auto calledOff = [&] { return stopped_ || pendingRetry_ != retry; };
    wake_.wait_for(lock, timing_.reloadDelay, calledOff);
    if (calledOff()) return;
    // Cleared before the reload is asked for, so that a failure of the load
    // it starts schedules the next retry instead of being taken for this one.
    pendingRetry_ = 0;
  }
  if (hooks_.reloadPage) hooks_.reloadPage();
}

bool PushChannel::start() {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return false;
  }
  if (client_.load() != 0) return true;
  const PackClientHandle client = packClient_.create(false);
  if (client == 0) return false;
  client_.store(client);

  // The handlers hold a raw this: stop() (the destructor too) removes them
  // after the client is gone, so none runs on a channel that is gone.
  handlersSet_ = true;
  packClient_.setOnConnect([this](PackClientHandle from, PackConnectionId) { onConnect(from); });
  packClient_.setOnReceive([this](PackClientHandle from, PackConnectionId,
                                  std::span<const std::uint8_t> pack) { onReceive(from, pack); });
  packClient_.setOnClose([this](PackClientHandle from, PackConnectionId, SocketOperation,
                                int errorCode) { onClose(from, errorCode); });
  packClient_.setMaxPackSize(client, kMaxPackSize);
  packClient_.setConnectTimeout(client, timing_.connectTimeout);

  {
    std::lock_guard lock(mutex_);
    keeperDone_ = false;
  }
  const std::stop_token stop = keeperStop_.get_token();
  const bool running = startThread(
      [this, stop] {
        // Marked even if the loop ends by an exception, so stop() never
        // waits for a keeper that is gone.
        struct MarkDone {
          PushChannel& channel;
          ~MarkDone() {
            {
              std::lock_guard lock(channel.mutex_);
              channel.keeperDone_ = true;
            }
            channel.wake_.notify_all();
          }
        } done{*this};
        keeperLoop(stop);
      },
      &keeper_);
  if (!running) {
    releaseClient();
    return false;
  }
  return true;
}

void PushChannel::keeperLoop(std::stop_token stop) {
  const PackClientHandle client = client_.load();
  while (!stop.stop_requested()) {
    if (packClient_.getState(client) == PackClientState::Stopped) reconnect(client, stop);
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, stop, timing_.keeperPeriod, [] { return false; });
  }
}

void PushChannel::reconnect(PackClientHandle client, std::stop_token stop) {
  log(kLinkCategory, "ReStart");
  const std::string address = serverLink_.serverAddress();
  // Asked anew every time: the server may have moved its push service.
  const int port = serverLink_.getPort(PortKind::Tcp, stop);
  // No port known: a connect could only fail; the next pass asks again.
  if (port < 1 || port > kHighestPort) return;
  {
    std::lock_guard lock(mutex_);
    if (stop.stop_requested()) return;
    connecting_ = true;
  }
  // Success shows as the connect handler and the started state; a failure
  // leaves the client stopped for the next pass.
  packClient_.start(client, address, static_cast<std::uint16_t>(port), false);
  std::lock_guard lock(mutex_);
  connecting_ = false;
}

void PushChannel::onConnect(PackClientHandle client) {
  if (client != client_.load()) return;
  log(kLinkCategory, "OnConnect:" + serverLink_.serverAddress());
  sendMessage("login", hooks_.appName, hooks_.machineName, std::nullopt);
}

void PushChannel::onReceive(PackClientHandle client, std::span<const std::uint8_t> pack) {
  if (pack.empty() || client != client_.load()) return;
  // Decoding copies the bytes, which are the pack client's only for this call.
  handlePush(std::string_view(reinterpret_cast<const char*>(pack.data()), pack.size()));
}

void PushChannel::handlePush(std::string_view bytes) {
  const ServerBridgeMessage push = parseServerBridgeMessage(bytes);
  if (!push.message) return;
  log(kLinkCategory, "OnHandle data:" + push.text);
  const BridgeMessage& message = *push.message;
  if (message.c == "sys") {
    if (message.a == "conn") {
      // The server says this on every connect; the old logs go once.
      if (!purgeStarted_.exchange(true)) {
        startWorker(hooks_.purgeLog ? hooks_.purgeLog : [] { appLog().purge(); });
      }
    } else if (message.a == "update") {
      if (hooks_.runPageScript) hooks_.runPageScript("location.reload(true)");
      if (hooks_.hiddenUpdate) startWorker(hooks_.hiddenUpdate);
    }
  }
  if (hooks_.runPageScript) hooks_.runPageScript("clientJS2(" + push.text + ")");
}

void PushChannel::onClose(PackClientHandle client, int errorCode) {
  if (client != client_.load()) return;
  // The keeper finds the client stopped on its next pass and reconnects.
  log(kLinkCategory, "OnClose code:" + std::to_string(errorCode));
}

void PushChannel::startWorker(std::function<void()> routine) {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
  }
  workers_.start(std::move(routine));
}

bool PushChannel::sendMessage(const std::string& c, const std::string& a, const std::string& uid,
                              const std::optional<std::string>& data) {
  const std::string text = hooks_.messageText ? hooks_.messageText(c, a, uid, data) : std::string();
  const PackClientHandle client = client_.load();
  // No text, no pack: an empty one would tell the server nothing.
  if (client == 0 || text.empty()) return false;
  return packClient_.send(client, text);
}

void PushChannel::stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    pendingRetry_ = 0;
  }
  keeperStop_.request_stop();
  wake_.notify_all();
  endKeeper();
  releaseClient();
  workers_.closeAndJoin();
}

void PushChannel::endKeeper() {
  if (!keeper_.joinable()) return;
  const PackClientHandle client = client_.load();
  std::unique_lock lock(mutex_);
  while (!keeperDone_) {
    // A synchronous connect ends when its client is stopped. The keeper may
    // not have reached the connect yet when the first stop comes, so it is
    // stopped again until the keeper has left.
    if (connecting_) {
      lock.unlock();
      packClient_.stop(client);
      lock.lock();
    }
    wake_.wait_for(lock, kConnectCutInterval, [this] { return keeperDone_; });
  }
  lock.unlock();
  keeper_.join();
}

void PushChannel::releaseClient() {
  const PackClientHandle client = client_.load();
  if (client != 0) {
    // Waits for a handler that runs now; at teardown its page request has
    // already returned.
    packClient_.stop(client);
    packClient_.destroy(client);
    client_.store(0);
  }
  if (handlersSet_) {
    handlersSet_ = false;
    packClient_.setOnConnect({});
    packClient_.setOnReceive({});
    packClient_.setOnClose({});
  }
}

}  // namespace orvane
