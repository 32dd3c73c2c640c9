#pragma once
// The HTTP side of the demo: the web base the client probes, the push port
// query, the leaderboard page's files, the board as JSON, and the operator's
// endpoints that act on the push service.

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "demo_options.h"
#include "event_log.h"
#include "push_service.h"

namespace httplib {
class Server;
}

namespace orvane::demo {

class WebService {
 public:
  // The largest operator envelope: the client's largest pack.
  static constexpr std::size_t kMaxPushBytes = 3145728;

  // `push` outlives this object.
  WebService(const DemoOptions& options, std::string pageRoot, PushService& push, EventLog& log);
  ~WebService();
  WebService(const WebService&) = delete;
  WebService& operator=(const WebService&) = delete;

  // Binds and starts serving; false (and `error` says why) when the port
  // cannot be bound.
  bool start(std::string& error);
  // Stops serving and waits for the requests in progress; idempotent.
  void stop();

  std::uint16_t port() const { return port_; }
  std::string pagePath() const { return "/client/app/" + options_.appName + "/"; }

 private:
  void addRoutes();

  const DemoOptions options_;
  const std::string pageRoot_;
  PushService& push_;
  EventLog& log_;
  std::unique_ptr<httplib::Server> server_;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace orvane::demo
