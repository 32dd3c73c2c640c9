#include "server/server_link.h"

#include <curl/curl.h>

#include <condition_variable>
#include <utility>

#include "config/config_keys.h"
#include "server/http_request.h"
#include "server/local_text.h"
#include "sys/number_text.h"
#include "sys/uptime.h"

namespace orvane {

namespace {

constexpr int kHighestPort = 65535;

}  // namespace

ServerLink::ServerLink(ServerLinkTiming timing) : timing_(std::move(timing)) {}

ServerLink::~ServerLink() { shutdown(); }

void ServerLink::init(const std::string& configPath) {
  const std::string address = readConfigString(configPath, kServerIp);
  const int webPort = readConfigInt(configPath, kServerWebPort);

  std::lock_guard lock(mutex_);
  configPath_ = configPath;
  if (!initialized_) {
    initialized_ = true;
    if (transportReady_) {
      curl_global_cleanup();
      transportReady_ = false;
    }
    // A failure is not reported here: requests made later simply fail.
    transportReady_ = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  }
  serverAddress_ = address;
  webPort_ = webPort;
}

void ServerLink::shutdown() {
  std::lock_guard lock(mutex_);
  if (!initialized_) {
    return;
  }
  initialized_ = false;
  if (transportReady_) {
    curl_global_cleanup();
    transportReady_ = false;
  }
}

std::string ServerLink::serverAddress() const {
  std::lock_guard lock(mutex_);
  return serverAddress_;
}

std::string ServerLink::webBase() const {
  std::lock_guard lock(mutex_);
  if (webPort_ <= 0) {
    return {};
  }
  return std::string(kScheme) + serverAddress_ + ":" + std::to_string(webPort_);
}

int ServerLink::getPort(PortKind kind, std::stop_token stop) {
  switch (kind) {
    case PortKind::Web: {
      std::lock_guard lock(mutex_);
      return webPort_;
    }
    case PortKind::Tcp:
      return discoverTcpPort(std::move(stop));
  }
  return 0;
}

bool ServerLink::initialized() const {
  std::lock_guard lock(mutex_);
  return initialized_;
}

bool ServerLink::transportReady() const {
  std::lock_guard lock(mutex_);
  return transportReady_;
}

int ServerLink::discoverTcpPort(std::stop_token stop) {
  const std::int64_t now = timing_.uptimeMs ? timing_.uptimeMs() : queryUptimeMs();
  {
    std::lock_guard lock(mutex_);
    if (tcpPort_ >= 1 && tcpQueriedAt_ != 0 && now - tcpQueriedAt_ < kPortCacheMs) {
      return tcpPort_;
    }
  }

  const HttpRequest request({.timeoutMs = timing_.requestTimeoutMs, .stop = stop});
  int port = 0;
  for (int attempt = 0; attempt < kDiscoveryAttempts; ++attempt) {
    // Without a web base there is no address to ask; the attempt fails as a
    // request to nowhere would.
    const std::string base = webBase();
    const std::string body =
        base.empty() ? std::string() : request.fetch(base + std::string(kPortQuery));
    port = parseLeadingInt(utf8ToLocalText(body));
    // Only a number a socket can use is a port.
    if (port > 0 && port <= kHighestPort) {
      break;
    }
    port = 0;
    if (!pause(stop)) {
      break;
    }
  }

  std::lock_guard lock(mutex_);
  if (port > 0) {
    tcpPort_ = port;
  }
  tcpQueriedAt_ = now;
  return tcpPort_;
}

bool ServerLink::pause(std::stop_token stop) const {
  if (timing_.wait) {
    return timing_.wait(timing_.retryDelay, stop);
  }
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  wake.wait_for(lock, stop, timing_.retryDelay, [] { return false; });
  return !stop.stop_requested();
}

}  // namespace orvane
