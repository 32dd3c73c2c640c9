#pragma once
// The machinery behind one PackClient handle: a socket, its I/O thread and
// the handlers it calls. Used only by PackClient.

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <span>
#include <string>
#include <thread>

#include "server/pack_client.h"

namespace orvane {

// The handlers shared by every client of one PackClient. Each is swapped as a
// whole, so a running client reads a consistent copy without holding the lock
// while it calls the handler.
class PackListener {
 public:
  struct Handlers {
    std::shared_ptr<const PackClient::ConnectHandler> onConnect;
    std::shared_ptr<const PackClient::ReceiveHandler> onReceive;
    std::shared_ptr<const PackClient::CloseHandler> onClose;
  };

  void setOnConnect(PackClient::ConnectHandler handler);
  void setOnReceive(PackClient::ReceiveHandler handler);
  void setOnClose(PackClient::CloseHandler handler);
  Handlers handlers() const;

 private:
  mutable std::mutex mutex_;
  Handlers handlers_;
};

class PackClientSocket : public std::enable_shared_from_this<PackClientSocket> {
 public:
  PackClientSocket(PackClientHandle handle, std::shared_ptr<PackListener> listener);
  ~PackClientSocket();
  PackClientSocket(const PackClientSocket&) = delete;
  PackClientSocket& operator=(const PackClientSocket&) = delete;

  // Starts the I/O thread; false when it cannot be made.
  bool launch();
  // Stops the connection and ends the I/O thread. From the I/O thread itself
  // (a handler destroying its own client) the thread is let go instead and
  // ends once the handler has returned.
  void shutdown();

  bool start(const std::string& address, std::uint16_t port, bool asyncConnect);
  bool stop();
  bool send(std::span<const std::uint8_t> pack);
  PackClientState state() const { return state_.load(); }
  int lastError() const { return lastError_.load(); }
  bool setMaxPackSize(std::uint32_t size);
  void setConnectTimeout(std::chrono::milliseconds timeout);

 private:
  struct Session;
  using SessionPtr = std::shared_ptr<Session>;
  using Waiter = std::shared_ptr<std::promise<bool>>;

  // Everything below runs on the I/O thread.
  void beginConnect(const std::string& address, std::uint16_t port, bool asyncConnect,
                    Waiter waiter);
  void onConnected(const SessionPtr& session);
  void readNext(const SessionPtr& session);
  void writeNext(const SessionPtr& session);
  bool stopOnThread();
  // Ends a session once: closes the socket, then (now, or after the running
  // handler when called from inside one) settles the state at Stopped and
  // reports the close.
  void finish(const SessionPtr& session, SocketOperation operation, int errorCode);
  template <class Handler, class... Args>
  void invoke(const std::shared_ptr<const Handler>& handler, Args&&... args);

  const PackClientHandle handle_;
  const std::shared_ptr<PackListener> listener_;

  asio::io_context io_{1};
  asio::executor_work_guard<asio::io_context::executor_type> work_;
  std::thread thread_;

  std::atomic<PackClientState> state_{PackClientState::Stopped};
  std::atomic<int> lastError_{0};
  std::atomic<std::uint32_t> maxPackSize_;
  std::atomic<std::int64_t> connectTimeoutMs_;
  std::atomic<PackConnectionId> liveConnection_{0};  // 0 while no connection is up

  // I/O thread only.
  SessionPtr session_;
  PackConnectionId lastConnectionId_ = 0;
  bool inHandler_ = false;
};

}  // namespace orvane
