#pragma once
// A small server speaking the push service's pack framing, for tests, the
// benchmark and the demo. It reads the framing with its own code (not the
// client's decoder), so a framing fault in the client cannot hide behind the
// same fault here.
//
// Listens on 127.0.0.1 at an ephemeral port (or where it is told) and runs
// its own I/O thread; the destructor closes every connection and ends the
// thread. Every operation may be called from any thread; a client is named by
// the id its accept got.

#include <asio/io_context.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace orvane::testing {

class PackTestServer {
 public:
  using ClientId = std::uint64_t;
  using Bytes = std::vector<std::uint8_t>;
  struct ReceivedPack {
    ClientId client;
    Bytes body;
  };
  // Runs on the server's thread for every pack received, before it is queued.
  using PackHook = std::function<void(PackTestServer& server, ClientId client, const Bytes& body)>;
  using AcceptHook = std::function<void(PackTestServer& server, ClientId client)>;
  // Runs on the server's thread once a client's connection is gone.
  using CloseHook = std::function<void(PackTestServer& server, ClientId client)>;

  static constexpr const char* kAddress = "127.0.0.1";
  static constexpr std::uint32_t kMaxPackSizeLimit = 0x3FFFFF;

  // A pack from a client longer than maxPackSize, or empty, closes that client.
  explicit PackTestServer(std::uint32_t maxPackSize = kMaxPackSizeLimit);
  // Listens on `address` (numeric) and `port`, 0 for an ephemeral one. Throws
  // std::system_error when it cannot listen there.
  PackTestServer(std::string_view address, std::uint16_t port,
                 std::uint32_t maxPackSize = kMaxPackSizeLimit);
  ~PackTestServer();
  PackTestServer(const PackTestServer&) = delete;
  PackTestServer& operator=(const PackTestServer&) = delete;

  std::uint16_t port() const { return port_; }

  // Set these before clients connect.
  void setPackHook(PackHook hook);
  void setAcceptHook(AcceptHook hook);
  void setCloseHook(CloseHook hook);

  // Waits: true once the condition holds, false when the timeout passed first.
  bool waitForClients(std::size_t connected, std::chrono::milliseconds timeout);
  bool waitForDisconnects(std::size_t total, std::chrono::milliseconds timeout);
  // The next pack received from any client, in arrival order.
  std::optional<ReceivedPack> waitForPack(std::chrono::milliseconds timeout);
  // Everything queued to the client has been written to its socket.
  bool waitUntilWritten(ClientId client, std::chrono::milliseconds timeout);

  std::vector<ClientId> clients() const;  // connected now, oldest first
  // "address:port" of a connected client's end; empty when not connected.
  std::string remoteEndpoint(ClientId client) const;
  std::size_t acceptedCount() const;
  std::size_t protocolErrorCount() const;  // clients closed for an illegal pack length

  // Queue writes; false when the client is not connected. Writes to one
  // client go out in the order they were queued.
  bool send(ClientId client, std::span<const std::uint8_t> body);  // one pack
  bool send(ClientId client, std::string_view body);
  std::size_t sendToAll(std::string_view body);  // returns how many clients got it
  // Raw bytes, no framing: garbage, bare or illegal headers.
  bool sendRaw(ClientId client, Bytes bytes, std::size_t repeat = 1);
  // A bare header word (length in the low 22 bits, flag above), no body:
  // zero or oversize lengths.
  bool sendHeader(ClientId client, std::uint32_t word);
  // The bytes one at a time, each written on its own after a short pause, so
  // the client's reads see them in separate segments.
  bool drip(ClientId client, Bytes bytes,
            std::chrono::microseconds gap = std::chrono::microseconds(500));

  // Orderly close after what is queued has been written (the client sees end
  // of stream).
  bool closeClient(ClientId client);
  // Abortive close (the client sees a connection reset).
  bool resetClient(ClientId client);

  // The framing written out by hand, independent of the client's code.
  static Bytes header(std::uint32_t word);
  static Bytes frame(std::span<const std::uint8_t> body, std::uint32_t flag = 0);

 private:
  struct Connection;
  struct WriteItem;

  void acceptNext();
  void readHeader(const std::shared_ptr<Connection>& connection);
  void readBody(const std::shared_ptr<Connection>& connection, std::uint32_t length);
  void queueWrite(const std::shared_ptr<Connection>& connection, WriteItem item);
  void writeNext(const std::shared_ptr<Connection>& connection);
  void drop(const std::shared_ptr<Connection>& connection);
  bool withClient(ClientId client,
                  const std::function<void(const std::shared_ptr<Connection>&)>& action);
  void notify();

  const std::uint32_t maxPackSize_;
  asio::io_context io_{1};
  struct Acceptor;
  std::unique_ptr<Acceptor> acceptor_;
  std::uint16_t port_ = 0;
  std::thread thread_;

  // Shared with waiting threads.
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<ClientId, std::shared_ptr<Connection>> connections_;
  std::deque<ReceivedPack> received_;
  ClientId lastId_ = 0;
  std::size_t accepted_ = 0;
  std::size_t disconnected_ = 0;
  std::size_t protocolErrors_ = 0;
  PackHook packHook_;
  AcceptHook acceptHook_;
  CloseHook closeHook_;
};

}  // namespace orvane::testing
