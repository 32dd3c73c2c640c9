#include "support/http_server/loopback_http_server.h"

namespace orvane::testing {

std::string RecordedRequest::header(const std::string& name) const {
  const auto it = headers.find(name);
  return it == headers.end() ? std::string() : it->second;
}

bool RecordedRequest::hasHeader(const std::string& name) const {
  return headers.find(name) != headers.end();
}

LoopbackHttpServer::LoopbackHttpServer() {
  // Recorded before the response goes out, so a client that has its answer
  // finds its request in the record.
  server_.set_post_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        RecordedRequest record;
        record.method = request.method;
        record.target = request.target;
        record.path = request.path;
        record.headers = request.headers;
        record.body = request.body;
        record.status = response.status;
        record.remotePort = request.remote_port;
        {
          std::lock_guard lock(mutex_);
          requests_.push_back(std::move(record));
        }
        changed_.notify_all();
      });
}

LoopbackHttpServer::~LoopbackHttpServer() { stop(); }

bool LoopbackHttpServer::start() {
  if (thread_.joinable()) {
    return true;
  }
  // Bound and listening from here on: clients may connect before the
  // serving thread gets to accept.
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    return false;
  }
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  return true;
}

void LoopbackHttpServer::stop() {
  if (!thread_.joinable()) {
    return;
  }
  // stop() only acts on a running server; the thread may not have got there.
  while (!server_.is_running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  server_.stop();
  thread_.join();
}

std::string LoopbackHttpServer::hostPort() const { return host() + ":" + std::to_string(port_); }

std::string LoopbackHttpServer::base() const { return "http://" + hostPort(); }

std::vector<RecordedRequest> LoopbackHttpServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::size_t LoopbackHttpServer::requestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

bool LoopbackHttpServer::waitForRequests(std::size_t count,
                                         std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

}  // namespace orvane::testing
