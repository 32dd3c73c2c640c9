#pragma once
// PackClient: TCP clients for the push service, wire-compatible with
// HP-Socket's TCP pack client (see pack_framing.h for the framing).
//
// One PackClient per process. Its first create() makes the listener, which
// holds the connect, receive and close handlers for every client it hands
// out; a client is named by its handle. Each client has its own I/O thread,
// started by create() and ended by destroy(); every handler runs on that
// thread, one at a time.
//
// Handlers may call send() and stop() on their own client. A synchronous
// start() from inside a handler is refused (it would wait for its own thread).
// A handler's exception is swallowed: it must not take the I/O thread down.

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

namespace orvane {

using PackClientHandle = std::uintptr_t;  // 0: no client
using PackConnectionId = std::uint64_t;   // counts the connections of one client from 1

enum class PackClientState : int { Starting = 0, Started = 1, Stopping = 2, Stopped = 3 };

// Where a connection ended. An orderly close by the peer, and a local stop(),
// report Close with error code 0.
enum class SocketOperation : int {
  Unknown = 0,
  Accept = 1,
  Connect = 2,
  Send = 3,
  Receive = 4,
  Close = 5,
};

// The error reported with SocketOperation::Receive when the peer sent a pack
// header with length 0 or above the maximum pack size.
inline constexpr int kPackBadLengthError = EMSGSIZE;

class PackListener;
class PackClientSocket;

class PackClient {
 public:
  using ConnectHandler = std::function<void(PackClientHandle client, PackConnectionId connection)>;
  // The pack's bytes are valid only during the call.
  using ReceiveHandler = std::function<void(PackClientHandle client, PackConnectionId connection,
                                            std::span<const std::uint8_t> pack)>;
  using CloseHandler = std::function<void(PackClientHandle client, PackConnectionId connection,
                                          SocketOperation operation, int errorCode)>;

  static constexpr std::chrono::milliseconds kDefaultConnectTimeout{10000};

  PackClient();
  ~PackClient();  // destroys the clients still alive
  PackClient(const PackClient&) = delete;
  PackClient& operator=(const PackClient&) = delete;

  // A new client in the stopped state; 0 when it cannot be made. There is no
  // TLS client: asking for one gives 0.
  PackClientHandle create(bool tls = false);
  // Stops the client when it runs, then ends its thread. Client 0 or an
  // unknown handle: nothing.
  void destroy(PackClientHandle client);

  // Connects to address (numeric or host name) and port. Synchronous: returns
  // once the connection is up and the connect handler has run (true), or it
  // failed or took longer than the connect timeout (false, lastError() says
  // why; no handler runs). Asynchronous: returns true at once, and the
  // outcome arrives as the connect handler or the close handler with
  // SocketOperation::Connect. False when the client is not stopped.
  bool start(PackClientHandle client, std::string_view address, std::uint16_t port,
             bool asyncConnect = false);
  // Closes the connection; the close handler runs with (Close, 0) when it was
  // up. From another thread it returns once no handler of this client runs
  // and the state is Stopped. From inside a handler it returns at once: the
  // close handler and the Stopped state follow when the handler has returned.
  // False when there was nothing to stop.
  bool stop(PackClientHandle client);
  // Queues one pack. False when not connected, or the pack is empty or longer
  // than the maximum pack size.
  bool send(PackClientHandle client, std::span<const std::uint8_t> pack);
  bool send(PackClientHandle client, std::string_view pack);
  // Stopped for an unknown handle.
  PackClientState getState(PackClientHandle client) const;
  // errno-style code of the last failed synchronous connect; 0 otherwise.
  int lastError(PackClientHandle client) const;

  // The largest pack accepted in either direction, 1 to kPackMaxSizeLimit;
  // default kDefaultMaxPackSize. Received packs are checked against the value
  // set when the connection was started. False for a size out of range.
  bool setMaxPackSize(PackClientHandle client, std::uint32_t size);
  // How long a connect may take before it gives up; default 10 s.
  bool setConnectTimeout(PackClientHandle client, std::chrono::milliseconds timeout);

  // False (and nothing registered) before the first create(). An empty
  // function removes the handler.
  bool setOnConnect(ConnectHandler handler);
  bool setOnReceive(ReceiveHandler handler);
  bool setOnClose(CloseHandler handler);

 private:
  std::shared_ptr<PackClientSocket> find(PackClientHandle client) const;

  mutable std::mutex mutex_;
  std::shared_ptr<PackListener> listener_;
  std::map<PackClientHandle, std::shared_ptr<PackClientSocket>> clients_;
  PackClientHandle nextHandle_ = 1;
};

}  // namespace orvane
