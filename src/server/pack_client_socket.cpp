#include "server/pack_client_socket.h"

#include <asio/connect.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>
#include <deque>
#include <system_error>
#include <vector>

#include "server/pack_framing.h"
#include "server/tcp_keepalive.h"

namespace orvane {
namespace {

// Large enough that a busy link hands over several long packs per read.
constexpr std::size_t kReadChunk = 256 * 1024;
// A body still missing at least this much is read into the decoder directly.
constexpr std::size_t kDirectReadThreshold = 16 * 1024;

// Handlers report errno-style codes. Name resolution errors come from their
// own category and are reported as an unusable address.
int errorNumber(const asio::error_code& ec) {
  if (!ec) return 0;
  if (ec.category() == asio::system_category()) return ec.value();
  if (ec == asio::error::eof) return 0;
  return EADDRNOTAVAIL;
}

}  // namespace

// One connection attempt and, when it succeeds, the connection. Completion
// handlers hold it by shared_ptr; once ended (alive false) late completions
// find it dead and do nothing, so a stopped connection never reaches a handler.
struct PackClientSocket::Session {
  Session(asio::io_context& io, std::uint32_t maxPackSize)
      : socket(io), timer(io), resolver(io), decoder(maxPackSize), readBuffer(kReadChunk) {}

  asio::ip::tcp::socket socket;
  asio::steady_timer timer;
  asio::ip::tcp::resolver resolver;
  PackDecoder decoder;
  std::vector<std::uint8_t> readBuffer;
  std::deque<std::vector<std::uint8_t>> writeQueue;
  PackConnectionId id = 0;
  bool alive = true;
  bool connected = false;
  bool asyncConnect = false;
  Waiter waiter;  // a synchronous start() waiting for the outcome
};

void PackListener::setOnConnect(PackClient::ConnectHandler handler) {
  auto shared = std::make_shared<const PackClient::ConnectHandler>(std::move(handler));
  std::lock_guard lock(mutex_);
  handlers_.onConnect = std::move(shared);
}

void PackListener::setOnReceive(PackClient::ReceiveHandler handler) {
  auto shared = std::make_shared<const PackClient::ReceiveHandler>(std::move(handler));
  std::lock_guard lock(mutex_);
  handlers_.onReceive = std::move(shared);
}

void PackListener::setOnClose(PackClient::CloseHandler handler) {
  auto shared = std::make_shared<const PackClient::CloseHandler>(std::move(handler));
  std::lock_guard lock(mutex_);
  handlers_.onClose = std::move(shared);
}

PackListener::Handlers PackListener::handlers() const {
  std::lock_guard lock(mutex_);
  return handlers_;
}

PackClientSocket::PackClientSocket(PackClientHandle handle, std::shared_ptr<PackListener> listener)
    : handle_(handle),
      listener_(std::move(listener)),
      work_(asio::make_work_guard(io_)),
      maxPackSize_(kDefaultMaxPackSize),
      connectTimeoutMs_(PackClient::kDefaultConnectTimeout.count()) {}

PackClientSocket::~PackClientSocket() {
  // Only reached after shutdown() (joined or let go) or when launch() failed.
  if (thread_.joinable()) thread_.detach();
}

bool PackClientSocket::launch() {
  try {
    // The thread owns the object until its loop ends, so a thread that was
    // let go by shutdown() never runs on freed memory. Completion handlers
    // below capture a raw this for the same reason: they run only inside
    // that loop.
    thread_ = std::thread([self = shared_from_this()] {
      for (;;) {
        try {
          self->io_.run();
          return;
        } catch (...) {
          // Only an allocation failure gets here; the loop goes on.
        }
      }
    });
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void PackClientSocket::shutdown() {
  if (io_.get_executor().running_in_this_thread()) {
    stopOnThread();
    thread_.detach();
    work_.reset();
    return;
  }
  if (!thread_.joinable()) return;
  stop();
  work_.reset();
  thread_.join();
}

bool PackClientSocket::setMaxPackSize(std::uint32_t size) {
  if (!isValidMaxPackSize(size)) return false;
  maxPackSize_.store(size);
  return true;
}

void PackClientSocket::setConnectTimeout(std::chrono::milliseconds timeout) {
  connectTimeoutMs_.store(timeout.count());
}

bool PackClientSocket::start(const std::string& address, std::uint16_t port, bool asyncConnect) {
  // A synchronous connect waits for this client's thread; from that thread
  // it would wait for itself.
  if (!asyncConnect && io_.get_executor().running_in_this_thread()) return false;
  auto expected = PackClientState::Stopped;
  if (!state_.compare_exchange_strong(expected, PackClientState::Starting)) return false;
  lastError_.store(0);
  Waiter waiter = asyncConnect ? nullptr : std::make_shared<std::promise<bool>>();
  std::future<bool> outcome;
  if (waiter) outcome = waiter->get_future();
  asio::post(io_, [this, address, port, asyncConnect, waiter] {
    beginConnect(address, port, asyncConnect, waiter);
  });
  return asyncConnect ? true : outcome.get();
}

void PackClientSocket::beginConnect(const std::string& address, std::uint16_t port,
                                    bool asyncConnect, Waiter waiter) {
  auto session = std::make_shared<Session>(io_, maxPackSize_.load());
  session->id = ++lastConnectionId_;
  session->asyncConnect = asyncConnect;
  session->waiter = std::move(waiter);
  session_ = session;

  session->timer.expires_after(std::chrono::milliseconds(connectTimeoutMs_.load()));
  session->timer.async_wait([this, session](const asio::error_code& ec) {
    if (ec || !session->alive || session->connected) return;
    finish(session, SocketOperation::Connect, ETIMEDOUT);
  });

  auto onConnect = [this, session](const asio::error_code& ec, const auto&) {
    if (!session->alive) return;
    if (ec) {
      finish(session, SocketOperation::Connect, errorNumber(ec));
      return;
    }
    onConnected(session);
  };

  asio::error_code parseError;
  const auto ip = asio::ip::make_address(address, parseError);
  if (!parseError) {
    const std::vector<asio::ip::tcp::endpoint> endpoints{{ip, port}};
    asio::async_connect(session->socket, endpoints, onConnect);
    return;
  }
  session->resolver.async_resolve(
      address, std::to_string(port),
      [this, session, onConnect](const asio::error_code& ec,
                                 asio::ip::tcp::resolver::results_type results) {
        if (!session->alive) return;
        if (ec) {
          finish(session, SocketOperation::Connect, errorNumber(ec));
          return;
        }
        asio::async_connect(session->socket, results, onConnect);
      });
}

void PackClientSocket::onConnected(const SessionPtr& session) {
  session->timer.cancel();
  session->connected = true;
  enableKeepAlive(session->socket);
  liveConnection_.store(session->id);
  state_.store(PackClientState::Started);
  invoke(listener_->handlers().onConnect, handle_, session->id);
  if (session->waiter) {
    // Still up unless the connect handler stopped it.
    session->waiter->set_value(session->alive);
    session->waiter.reset();
  }
  if (session->alive) readNext(session);
}

void PackClientSocket::readNext(const SessionPtr& session) {
  // The rest of a long pack goes straight into the decoder's body buffer;
  // everything else through the read buffer, which can take many short packs
  // in one read.
  const std::span<std::uint8_t> room = session->decoder.bodyRoom();
  const bool direct = room.size() >= kDirectReadThreshold;
  const asio::mutable_buffer target =
      direct ? asio::buffer(room.data(), room.size()) : asio::buffer(session->readBuffer);
  session->socket.async_read_some(target, [this, session, direct](const asio::error_code& ec,
                                                                  std::size_t n) {
    if (!session->alive) return;
    if (ec == asio::error::eof) {
      finish(session, SocketOperation::Close, 0);
      return;
    }
    if (ec) {
      finish(session, SocketOperation::Receive, errorNumber(ec));
      return;
    }
    const auto onReceive = listener_->handlers().onReceive;
    const auto onPack = [&](std::span<const std::uint8_t> pack) {
      invoke(onReceive, handle_, session->id, pack);
      return session->alive;
    };
    PackDecodeStatus status;
    try {
      status = direct ? session->decoder.commitBody(n, onPack)
                      : session->decoder.feed(
                            std::span<const std::uint8_t>(session->readBuffer.data(), n), onPack);
    } catch (const std::bad_alloc&) {
      finish(session, SocketOperation::Receive, ENOMEM);
      return;
    }
    if (status == PackDecodeStatus::BadLength) {
      finish(session, SocketOperation::Receive, kPackBadLengthError);
      return;
    }
    if (session->alive) readNext(session);
  });
}

bool PackClientSocket::send(std::span<const std::uint8_t> pack) {
  if (pack.empty() || pack.size() > maxPackSize_.load()) return false;
  const PackConnectionId connection = liveConnection_.load();
  if (connection == 0 || state_.load() != PackClientState::Started) return false;
  std::vector<std::uint8_t> framed;
  try {
    framed = encodePack(pack);
  } catch (const std::bad_alloc&) {
    return false;
  }
  asio::post(io_, [this, connection, framed = std::move(framed)]() mutable {
    // A pack queued for one connection is never written to the next one.
    const SessionPtr session = session_;
    if (!session || !session->alive || session->id != connection) return;
    session->writeQueue.push_back(std::move(framed));
    if (session->writeQueue.size() == 1) writeNext(session);
  });
  return true;
}

void PackClientSocket::writeNext(const SessionPtr& session) {
  asio::async_write(session->socket, asio::buffer(session->writeQueue.front()),
                    [this, session](const asio::error_code& ec, std::size_t) {
                      if (!session->alive) return;
                      if (ec) {
                        finish(session, SocketOperation::Send, errorNumber(ec));
                        return;
                      }
                      session->writeQueue.pop_front();
                      if (!session->writeQueue.empty()) writeNext(session);
                    });
}

bool PackClientSocket::stop() {
  if (io_.get_executor().running_in_this_thread()) return stopOnThread();
  std::promise<bool> done;
  auto stopped = done.get_future();
  // The task runs after any handler of this client that is running now and
  // after a close it has queued, so when it is done no handler runs.
  asio::post(io_, [this, &done] { done.set_value(stopOnThread()); });
  return stopped.get();
}

bool PackClientSocket::stopOnThread() {
  const SessionPtr session = session_;
  if (!session || !session->alive) return false;
  finish(session, SocketOperation::Close, 0);
  return true;
}

void PackClientSocket::finish(const SessionPtr& session, SocketOperation operation, int errorCode) {
  if (!session->alive) return;
  session->alive = false;
  state_.store(PackClientState::Stopping);
  liveConnection_.store(0);
  asio::error_code ignored;
  session->timer.cancel();
  session->resolver.cancel();
  session->socket.close(ignored);
  if (session_ == session) session_.reset();

  // A failed synchronous connect is reported by start()'s result alone.
  const bool report = session->connected || session->asyncConnect;
  if (!session->connected) lastError_.store(errorCode != 0 ? errorCode : ECANCELED);
  Waiter waiter = std::move(session->waiter);
  // Stopped before the close handler runs, so the handler and whoever it
  // tells already see a client that can be started again; a new connection's
  // events still come after this close, as the I/O thread runs in order.
  auto complete = [this, report, id = session->id, operation, errorCode, waiter] {
    state_.store(PackClientState::Stopped);
    if (report) invoke(listener_->handlers().onClose, handle_, id, operation, errorCode);
    if (waiter) waiter->set_value(false);
  };
  if (inHandler_) {
    asio::post(io_, std::move(complete));
  } else {
    complete();
  }
}

template <class Handler, class... Args>
void PackClientSocket::invoke(const std::shared_ptr<const Handler>& handler, Args&&... args) {
  if (!handler || !*handler) return;
  inHandler_ = true;
  try {
    (*handler)(std::forward<Args>(args)...);
  } catch (...) {
    // The handler's own failure; the connection carries on.
  }
  inHandler_ = false;
}

}  // namespace orvane
