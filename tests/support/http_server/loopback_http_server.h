#pragma once
// A cpp-httplib server for tests: 127.0.0.1, an ephemeral port, served on its
// own thread from start() until stop() or destruction. Every request answered
// is recorded before its answer is sent, so a test can check what the client
// sent as soon as the client has its answer.
//
//   testing::LoopbackHttpServer web;
//   web.server().Get("/", [](const httplib::Request&, httplib::Response& res) {
//     res.set_content("ok", "text/plain");
//   });
//   ASSERT_TRUE(web.start());
//   fetch(web.base() + "/");

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane::testing {

struct RecordedRequest {
  std::string method;
  std::string target;  // path and query as sent
  std::string path;
  httplib::Headers headers;
  std::string body;
  int status = 0;  // the status answered
  int remotePort = -1;

  std::string header(const std::string& name) const;  // "" when absent
  bool hasHeader(const std::string& name) const;
};

class LoopbackHttpServer {
 public:
  LoopbackHttpServer();
  ~LoopbackHttpServer();

  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Routes and settings go here, before start(). The post-routing handler is
  // taken: it keeps the record.
  httplib::Server& server() { return server_; }

  // Binds and starts serving; false when no port could be bound.
  bool start();
  // Stops serving and joins the thread; harmless when not running.
  void stop();

  int port() const { return port_; }
  std::string host() const { return "127.0.0.1"; }
  std::string hostPort() const;  // "127.0.0.1:<port>"
  std::string base() const;      // "http://127.0.0.1:<port>"

  std::vector<RecordedRequest> requests() const;
  std::size_t requestCount() const;
  // Waits until at least `count` requests were answered; false on time-out.
  bool waitForRequests(std::size_t count,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = -1;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<RecordedRequest> requests_;
};

}  // namespace orvane::testing
