#include "support/pack_server/pack_test_server.h"

#include <asio/ip/tcp.hpp>
#include <asio/post.hpp>
#include <asio/read.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>
#include <stdexcept>

namespace orvane::testing {

struct PackTestServer::Acceptor {
  Acceptor(asio::io_context& io, std::string_view address, std::uint16_t port)
      : acceptor(io, asio::ip::tcp::endpoint(asio::ip::make_address(address), port)) {}
  asio::ip::tcp::acceptor acceptor;
};

namespace {

std::string remoteText(const asio::ip::tcp::socket& socket) {
  asio::error_code error;
  const auto remote = socket.remote_endpoint(error);
  if (error) return {};
  return remote.address().to_string() + ":" + std::to_string(remote.port());
}

}  // namespace

struct PackTestServer::WriteItem {
  enum class Kind { Data, Drip, Close };
  Kind kind = Kind::Data;
  std::shared_ptr<const Bytes> bytes;
  std::size_t repeat = 1;
  std::chrono::microseconds gap{0};
  std::size_t offset = 0;  // bytes of a drip already written
};

struct PackTestServer::Connection {
  Connection(asio::io_context& io, ClientId clientId) : socket(io), timer(io), id(clientId) {}
  asio::ip::tcp::socket socket;
  asio::steady_timer timer;
  ClientId id;
  std::string remote;  // "address:port", set before the connection is shared
  std::array<std::uint8_t, 4> header{};
  Bytes body;
  std::deque<WriteItem> writes;  // I/O thread only
  std::size_t unwritten = 0;     // items queued and not yet written; guarded by mutex_
  bool open = true;              // I/O thread only
};

PackTestServer::PackTestServer(std::uint32_t maxPackSize)
    : PackTestServer(kAddress, 0, maxPackSize) {}

PackTestServer::PackTestServer(std::string_view address, std::uint16_t port,
                               std::uint32_t maxPackSize)
    : maxPackSize_(maxPackSize), acceptor_(std::make_unique<Acceptor>(io_, address, port)) {
  port_ = acceptor_->acceptor.local_endpoint().port();
  acceptNext();
  thread_ = std::thread([this] { io_.run(); });
}

PackTestServer::~PackTestServer() {
  asio::post(io_, [this] {
    asio::error_code ignored;
    acceptor_->acceptor.close(ignored);
    std::map<ClientId, std::shared_ptr<Connection>> connections;
    {
      std::lock_guard lock(mutex_);
      connections = connections_;
    }
    for (auto& [id, connection] : connections) drop(connection);
  });
  // Once every socket is closed the pending operations end and run() returns.
  thread_.join();
}

void PackTestServer::setPackHook(PackHook hook) {
  std::lock_guard lock(mutex_);
  packHook_ = std::move(hook);
}

void PackTestServer::setAcceptHook(AcceptHook hook) {
  std::lock_guard lock(mutex_);
  acceptHook_ = std::move(hook);
}

void PackTestServer::setCloseHook(CloseHook hook) {
  std::lock_guard lock(mutex_);
  closeHook_ = std::move(hook);
}

void PackTestServer::notify() { changed_.notify_all(); }

void PackTestServer::acceptNext() {
  acceptor_->acceptor.async_accept(
      [this](const asio::error_code& ec, asio::ip::tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor_->acceptor.is_open()) return;
        if (!ec) {
          asio::error_code ignored;
          socket.set_option(asio::ip::tcp::no_delay(true), ignored);
          AcceptHook hook;
          std::shared_ptr<Connection> connection;
          {
            std::lock_guard lock(mutex_);
            connection = std::make_shared<Connection>(io_, ++lastId_);
            connection->socket = std::move(socket);
            connection->remote = remoteText(connection->socket);
            connections_.emplace(connection->id, connection);
            ++accepted_;
            hook = acceptHook_;
          }
          notify();
          if (hook) hook(*this, connection->id);
          readHeader(connection);
        }
        acceptNext();
      });
}

void PackTestServer::readHeader(const std::shared_ptr<Connection>& connection) {
  asio::async_read(connection->socket, asio::buffer(connection->header),
                   [this, connection](const asio::error_code& ec, std::size_t) {
                     if (ec || !connection->open) {
                       drop(connection);
                       return;
                     }
                     const auto& h = connection->header;
                     const std::uint32_t word =
                         h[0] | (h[1] << 8) | (h[2] << 16) | (std::uint32_t{h[3]} << 24);
                     const std::uint32_t length = word & kMaxPackSizeLimit;
                     if (length == 0 || length > maxPackSize_) {
                       {
                         std::lock_guard lock(mutex_);
                         ++protocolErrors_;
                       }
                       drop(connection);
                       return;
                     }
                     readBody(connection, length);
                   });
}

void PackTestServer::readBody(const std::shared_ptr<Connection>& connection, std::uint32_t length) {
  connection->body.resize(length);
  asio::async_read(connection->socket, asio::buffer(connection->body),
                   [this, connection](const asio::error_code& ec, std::size_t) {
                     if (ec || !connection->open) {
                       drop(connection);
                       return;
                     }
                     PackHook hook;
                     {
                       std::lock_guard lock(mutex_);
                       hook = packHook_;
                     }
                     if (hook) hook(*this, connection->id, connection->body);
                     {
                       std::lock_guard lock(mutex_);
                       received_.push_back({connection->id, std::move(connection->body)});
                     }
                     notify();
                     readHeader(connection);
                   });
}

void PackTestServer::drop(const std::shared_ptr<Connection>& connection) {
  if (!connection->open) return;
  connection->open = false;
  asio::error_code ignored;
  connection->timer.cancel();
  connection->socket.close(ignored);
  CloseHook hook;
  {
    std::lock_guard lock(mutex_);
    connections_.erase(connection->id);
    connection->unwritten = 0;
    ++disconnected_;
    hook = closeHook_;
  }
  notify();
  if (hook) hook(*this, connection->id);
}

bool PackTestServer::withClient(
    ClientId client, const std::function<void(const std::shared_ptr<Connection>&)>& action) {
  std::shared_ptr<Connection> connection;
  {
    std::lock_guard lock(mutex_);
    const auto it = connections_.find(client);
    if (it == connections_.end()) return false;
    connection = it->second;
  }
  asio::post(io_, [connection, action] {
    if (connection->open) action(connection);
  });
  return true;
}

void PackTestServer::queueWrite(const std::shared_ptr<Connection>& connection, WriteItem item) {
  connection->writes.push_back(std::move(item));
  if (connection->writes.size() == 1) writeNext(connection);
}

void PackTestServer::writeNext(const std::shared_ptr<Connection>& connection) {
  if (!connection->open || connection->writes.empty()) return;
  WriteItem& item = connection->writes.front();
  const auto finished = [this, connection] {
    connection->writes.pop_front();
    {
      std::lock_guard lock(mutex_);
      if (connection->unwritten > 0) --connection->unwritten;
    }
    notify();
    writeNext(connection);
  };
  switch (item.kind) {
    case WriteItem::Kind::Close: {
      asio::error_code ignored;
      // Half-close: the client reads end of stream; our read side ends when
      // the client closes in turn.
      connection->socket.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
      finished();
      return;
    }
    case WriteItem::Kind::Data:
      asio::async_write(connection->socket, asio::buffer(*item.bytes),
                        [this, connection, finished](const asio::error_code& ec, std::size_t) {
                          if (ec) {
                            drop(connection);
                            return;
                          }
                          if (--connection->writes.front().repeat > 0) {
                            writeNext(connection);
                          } else {
                            finished();
                          }
                        });
      return;
    case WriteItem::Kind::Drip:
      if (item.offset == item.bytes->size()) {
        finished();
        return;
      }
      asio::async_write(connection->socket, asio::buffer(item.bytes->data() + item.offset, 1),
                        [this, connection](const asio::error_code& ec, std::size_t) {
                          if (ec) {
                            drop(connection);
                            return;
                          }
                          WriteItem& current = connection->writes.front();
                          ++current.offset;
                          connection->timer.expires_after(current.gap);
                          connection->timer.async_wait([this, connection](const asio::error_code&) {
                            writeNext(connection);
                          });
                        });
      return;
  }
}

namespace {

std::shared_ptr<const PackTestServer::Bytes> share(PackTestServer::Bytes bytes) {
  return std::make_shared<const PackTestServer::Bytes>(std::move(bytes));
}

}  // namespace

PackTestServer::Bytes PackTestServer::header(std::uint32_t word) {
  return {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
          static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
}

PackTestServer::Bytes PackTestServer::frame(std::span<const std::uint8_t> body,
                                            std::uint32_t flag) {
  Bytes out = header((flag << 22) | static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

bool PackTestServer::send(ClientId client, std::span<const std::uint8_t> body) {
  return sendRaw(client, frame(body));
}

bool PackTestServer::send(ClientId client, std::string_view body) {
  return send(client, std::span<const std::uint8_t>(
                          reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
}

std::size_t PackTestServer::sendToAll(std::string_view body) {
  std::size_t sent = 0;
  for (const ClientId client : clients()) {
    if (send(client, body)) ++sent;
  }
  return sent;
}

bool PackTestServer::sendRaw(ClientId client, Bytes bytes, std::size_t repeat) {
  if (repeat == 0) return false;
  WriteItem item;
  item.bytes = share(std::move(bytes));
  item.repeat = repeat;
  {
    std::lock_guard lock(mutex_);
    const auto it = connections_.find(client);
    if (it == connections_.end()) return false;
    ++it->second->unwritten;
  }
  return withClient(client, [this, item](const auto& connection) { queueWrite(connection, item); });
}

bool PackTestServer::sendHeader(ClientId client, std::uint32_t word) {
  return sendRaw(client, header(word));
}

bool PackTestServer::drip(ClientId client, Bytes bytes, std::chrono::microseconds gap) {
  WriteItem item;
  item.kind = WriteItem::Kind::Drip;
  item.bytes = share(std::move(bytes));
  item.gap = gap;
  {
    std::lock_guard lock(mutex_);
    const auto it = connections_.find(client);
    if (it == connections_.end()) return false;
    ++it->second->unwritten;
  }
  return withClient(client, [this, item](const auto& connection) { queueWrite(connection, item); });
}

bool PackTestServer::closeClient(ClientId client) {
  WriteItem item;
  item.kind = WriteItem::Kind::Close;
  return withClient(client, [this, item](const auto& connection) { queueWrite(connection, item); });
}

bool PackTestServer::resetClient(ClientId client) {
  return withClient(client, [this](const auto& connection) {
    asio::error_code ignored;
    connection->socket.set_option(asio::socket_base::linger(true, 0), ignored);
    drop(connection);
  });
}

bool PackTestServer::waitForClients(std::size_t connected, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return connections_.size() >= connected; });
}

bool PackTestServer::waitForDisconnects(std::size_t total, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return disconnected_ >= total; });
}

std::optional<PackTestServer::ReceivedPack> PackTestServer::waitForPack(
    std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [&] { return !received_.empty(); })) return std::nullopt;
  ReceivedPack pack = std::move(received_.front());
  received_.pop_front();
  return pack;
}

bool PackTestServer::waitUntilWritten(ClientId client, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    const auto it = connections_.find(client);
    return it == connections_.end() || it->second->unwritten == 0;
  });
}

std::vector<PackTestServer::ClientId> PackTestServer::clients() const {
  std::lock_guard lock(mutex_);
  std::vector<ClientId> ids;
  for (const auto& [id, connection] : connections_) ids.push_back(id);
  return ids;
}

std::string PackTestServer::remoteEndpoint(ClientId client) const {
  std::lock_guard lock(mutex_);
  const auto it = connections_.find(client);
  return it == connections_.end() ? std::string() : it->second->remote;
}

std::size_t PackTestServer::acceptedCount() const {
  std::lock_guard lock(mutex_);
  return accepted_;
}

std::size_t PackTestServer::protocolErrorCount() const {
  std::lock_guard lock(mutex_);
  return protocolErrors_;
}

}  // namespace orvane::testing
