#pragma once
// Where the server is: its address and web port from config.ini, and the TCP
// port of its push service, which the server's own HTTP interface names
// ("/api100.php?fun=port&name=tcp" answers it as decimal text). Also owns
// libcurl's process-wide state from init() to shutdown().
//
// init() runs on the UI thread before any other thread uses the object; the
// settings are only read afterwards. getPort(PortKind::Tcp) is meant for the
// push channel's keeper thread: a discovery blocks for up to three request
// time-outs plus 9 s of pauses, and the stop token ends it early.

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>

namespace orvane {

enum class PortKind : int {
  Web = 0,  // the configured web port
  Tcp = 1,  // the push service's port, discovered
};

struct ServerLinkTiming {
  long requestTimeoutMs = 30000;               // connect and whole transfer
  std::chrono::milliseconds retryDelay{3000};  // after every failed attempt
  std::function<std::int64_t()> uptimeMs{};    // queryUptimeMs when empty
  // The pause after a failed attempt; false when stopped. When empty: a real
  // wait that the stop token cuts short.
  std::function<bool(std::chrono::milliseconds, std::stop_token)> wait{};
};

class ServerLink {
 public:
  static constexpr std::string_view kScheme = "http://";
  static constexpr std::string_view kPortQuery = "/api100.php?fun=port&name=tcp";
  static constexpr int kDiscoveryAttempts = 3;
  // A discovered port is trusted this long before the server is asked again.
  static constexpr std::int64_t kPortCacheMs = 600000;

  explicit ServerLink(ServerLinkTiming timing = {});
  ~ServerLink();  // shutdown()

  ServerLink(const ServerLink&) = delete;
  ServerLink& operator=(const ServerLink&) = delete;

  // Reads [server] "ip" and "webport" from the file (again on every call);
  // the first call also sets up libcurl for the process.
  void init(const std::string& configPath);
  // Releases libcurl's process-wide state; harmless when not initialised.
  void shutdown();

  std::string serverAddress() const;
  // "http://" + address + ":" + web port, no trailing slash; "" when the web
  // port is 0 or less.
  std::string webBase() const;
  // Web: the configured port. Tcp: the discovered port, 0 while none was ever
  // had (a known port is never given up for 0). Any other kind: 0.
  int getPort(PortKind kind, std::stop_token stop = {});

  bool initialized() const;
  bool transportReady() const;

 private:
  int discoverTcpPort(std::stop_token stop);
  bool pause(std::stop_token stop) const;

  ServerLinkTiming timing_;
  mutable std::mutex mutex_;  // guards every field below; never held while waiting
  std::string configPath_;
  std::string serverAddress_;
  int webPort_ = 0;
  bool initialized_ = false;
  bool transportReady_ = false;
  int tcpPort_ = 0;
  std::int64_t tcpQueriedAt_ = 0;  // uptime when the last discovery began; 0 = never
};

}  // namespace orvane
