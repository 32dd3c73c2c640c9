#include "server/pack_client.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "server/pack_framing.h"
#include "support/pack_server/pack_test_server.h"

namespace orvane {
namespace {

using testing::PackTestServer;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

constexpr auto kWait = 20s;  // generous: the machine is shared and busy
constexpr const char* kLocalhost = PackTestServer::kAddress;

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes pattern(std::size_t size, std::uint8_t seed) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i)
    out[i] = static_cast<std::uint8_t>(seed + i * 31 + i / 997);
  return out;
}

struct CloseEvent {
  PackClientHandle client;
  PackConnectionId connection;
  SocketOperation operation;
  int errorCode;
};

// What the handlers saw, recorded from the client's I/O thread.
class Events {
 public:
  void connected(PackClientHandle client, PackConnectionId connection) {
    std::lock_guard lock(mutex_);
    connects_.emplace_back(client, connection);
    changed_.notify_all();
  }
  void received(std::span<const std::uint8_t> pack) {
    std::lock_guard lock(mutex_);
    packs_.emplace_back(pack.begin(), pack.end());
    changed_.notify_all();
  }
  void closed(CloseEvent event) {
    std::lock_guard lock(mutex_);
    closes_.push_back(event);
    changed_.notify_all();
  }

  bool waitForPacks(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWait, [&] { return packs_.size() >= count; });
  }
  bool waitForCloses(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWait, [&] { return closes_.size() >= count; });
  }
  bool waitForConnects(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWait, [&] { return connects_.size() >= count; });
  }

  std::vector<Bytes> packs() const {
    std::lock_guard lock(mutex_);
    return packs_;
  }
  std::vector<CloseEvent> closes() const {
    std::lock_guard lock(mutex_);
    return closes_;
  }
  std::vector<std::pair<PackClientHandle, PackConnectionId>> connects() const {
    std::lock_guard lock(mutex_);
    return connects_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::pair<PackClientHandle, PackConnectionId>> connects_;
  std::vector<Bytes> packs_;
  std::vector<CloseEvent> closes_;
};

class PackClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client_ = packs_.create();
    ASSERT_NE(client_, 0u);
    ASSERT_TRUE(packs_.setOnConnect([this](PackClientHandle c, PackConnectionId id) {
      if (onConnect_) onConnect_(c, id);
      events_.connected(c, id);
    }));
    ASSERT_TRUE(packs_.setOnReceive(
        [this](PackClientHandle c, PackConnectionId, std::span<const std::uint8_t> pack) {
          events_.received(pack);
          if (onReceive_) onReceive_(c, pack);
        }));
    ASSERT_TRUE(packs_.setOnClose(
        [this](PackClientHandle c, PackConnectionId id, SocketOperation op, int error) {
          events_.closed({c, id, op, error});
        }));
  }

  // Connects and returns the server's id for this client.
  PackTestServer::ClientId connect() {
    const std::size_t before = server_.acceptedCount();
    EXPECT_TRUE(packs_.start(client_, kLocalhost, server_.port()));
    EXPECT_EQ(packs_.getState(client_), PackClientState::Started);
    EXPECT_TRUE(server_.waitForClients(1, kWait));
    EXPECT_EQ(server_.acceptedCount(), before + 1);
    const auto ids = server_.clients();
    return ids.empty() ? 0 : ids.back();
  }

  Events events_;
  PackTestServer server_;
  PackClient packs_;
  PackClientHandle client_ = 0;
  // Extra behaviour for a test, run inside the handlers (set before start).
  std::function<void(PackClientHandle, PackConnectionId)> onConnect_;
  std::function<void(PackClientHandle, std::span<const std::uint8_t>)> onReceive_;
};

TEST_F(PackClientTest, LoginSentFromConnectHandlerArrivesAsOnePack) {
  const std::string login = R"({"c":"sys","a":"login","data":"排行榜 wall"})";
  onConnect_ = [&](PackClientHandle c, PackConnectionId) { EXPECT_TRUE(packs_.send(c, login)); };
  connect();
  // start() returns after the connect handler has run.
  ASSERT_EQ(events_.connects().size(), 1u);
  EXPECT_EQ(events_.connects()[0].first, client_);
  EXPECT_EQ(events_.connects()[0].second, 1u);

  const auto pack = server_.waitForPack(kWait);
  ASSERT_TRUE(pack.has_value());
  EXPECT_EQ(pack->body, text(login));
  EXPECT_FALSE(server_.waitForPack(200ms).has_value()) << "one login, one pack";
}

TEST_F(PackClientTest, PushesArriveWholeAndInOrderWhateverTheChunking) {
  const auto id = connect();
  std::vector<Bytes> sent;
  for (const std::size_t size : {1u, 200u, 4096u, 70000u, 200000u}) {
    sent.push_back(pattern(size, static_cast<std::uint8_t>(sent.size())));
    ASSERT_TRUE(server_.send(id, sent.back()));
  }
  // Several packs in one write, the last one cut short and finished by a drip.
  Bytes burst;
  for (const std::size_t size : {5u, 300u, 17u}) {
    sent.push_back(pattern(size, static_cast<std::uint8_t>(sent.size())));
    const Bytes framed = PackTestServer::frame(sent.back());
    burst.insert(burst.end(), framed.begin(), framed.end());
  }
  const Bytes tail(burst.end() - 9, burst.end());
  burst.resize(burst.size() - 9);
  ASSERT_TRUE(server_.sendRaw(id, burst));
  ASSERT_TRUE(server_.drip(id, tail));
  // Whole packs one byte at a time.
  for (const std::size_t size : {3u, 150u}) {
    sent.push_back(pattern(size, static_cast<std::uint8_t>(sent.size())));
    ASSERT_TRUE(server_.drip(id, PackTestServer::frame(sent.back())));
  }
  ASSERT_TRUE(events_.waitForPacks(sent.size()));
  EXPECT_EQ(events_.packs(), sent);
  EXPECT_TRUE(events_.closes().empty());
  EXPECT_EQ(packs_.getState(client_), PackClientState::Started);
}

TEST_F(PackClientTest, ThreeMegabytePackAcceptedAndOneByteMoreClosesTheLink) {
  ASSERT_TRUE(packs_.setMaxPackSize(client_, 3145728));
  const auto id = connect();
  const Bytes largest = pattern(3145728, 9);
  ASSERT_TRUE(server_.send(id, largest));
  ASSERT_TRUE(events_.waitForPacks(1));
  EXPECT_EQ(events_.packs()[0], largest);

  ASSERT_TRUE(server_.sendHeader(id, 3145729));
  ASSERT_TRUE(events_.waitForCloses(1));
  const CloseEvent close = events_.closes()[0];
  EXPECT_EQ(close.operation, SocketOperation::Receive);
  EXPECT_EQ(close.errorCode, kPackBadLengthError);
  EXPECT_NE(close.errorCode, 0);
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  EXPECT_EQ(events_.packs().size(), 1u);
  EXPECT_TRUE(server_.waitForDisconnects(1, kWait));
}

TEST_F(PackClientTest, IllegalHeadersCloseTheLinkAsReceiveErrors) {
  struct Case {
    const char* name;
    std::uint32_t headerWord;
  };
  const Case cases[] = {
      {"zero length", 0},
      {"zero length with flag bits", 0x3FFu << 22},
      {"one above the default maximum", kDefaultMaxPackSize + 1},
      {"the 22-bit limit", kPackMaxSizeLimit},
  };
  std::size_t round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ++round;
    const auto id = connect();
    ASSERT_TRUE(server_.send(id, "before"));
    // The bad header and a good pack behind it in one write: nothing after
    // the bad header may come through.
    Bytes bad = PackTestServer::frame(text("after"));
    const Bytes header = PackTestServer::header(c.headerWord);
    bad.insert(bad.begin(), header.begin(), header.end());
    ASSERT_TRUE(server_.sendRaw(id, bad));
    ASSERT_TRUE(events_.waitForCloses(round));
    const CloseEvent close = events_.closes().back();
    EXPECT_EQ(close.operation, SocketOperation::Receive);
    EXPECT_EQ(close.errorCode, kPackBadLengthError);
    EXPECT_EQ(close.connection, round);
    EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
    EXPECT_EQ(events_.packs().size(), round);
    EXPECT_EQ(events_.packs().back(), text("before"));
    ASSERT_TRUE(server_.waitForDisconnects(round, kWait));
  }
}

TEST_F(PackClientTest, ServerCloseIsReportedAsOrderlyClose) {
  const auto id = connect();
  ASSERT_TRUE(server_.send(id, "last words"));
  ASSERT_TRUE(server_.closeClient(id));
  ASSERT_TRUE(events_.waitForCloses(1));
  const CloseEvent close = events_.closes()[0];
  EXPECT_EQ(close.client, client_);
  EXPECT_EQ(close.operation, SocketOperation::Close);
  EXPECT_EQ(close.errorCode, 0);
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  EXPECT_EQ(events_.packs(), std::vector<Bytes>{text("last words")});
}

TEST_F(PackClientTest, ServerResetIsReportedAsReceiveError) {
  const auto id = connect();
  ASSERT_TRUE(server_.resetClient(id));
  ASSERT_TRUE(events_.waitForCloses(1));
  const CloseEvent close = events_.closes()[0];
  EXPECT_EQ(close.operation, SocketOperation::Receive);
  EXPECT_EQ(close.errorCode, ECONNRESET);
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
}

// A port nothing listens on: bound and closed again.
std::uint16_t closedPort() {
  asio::io_context io;
  asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address(kLocalhost), 0});
  return acceptor.local_endpoint().port();
}

TEST_F(PackClientTest, ConnectToClosedPortFailsAndStaysStopped) {
  EXPECT_FALSE(packs_.start(client_, kLocalhost, closedPort()));
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  EXPECT_EQ(packs_.lastError(client_), ECONNREFUSED);
  EXPECT_FALSE(packs_.start(client_, "no-such-host.invalid", 80));
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  EXPECT_NE(packs_.lastError(client_), 0);
  // A failed synchronous connect is reported by the result alone.
  EXPECT_TRUE(events_.connects().empty());
  EXPECT_TRUE(events_.closes().empty());
  // The client is usable afterwards.
  connect();
  EXPECT_EQ(packs_.lastError(client_), 0);
}

TEST_F(PackClientTest, AsynchronousConnectReportsFailureThroughCloseHandler) {
  EXPECT_TRUE(packs_.start(client_, kLocalhost, closedPort(), true));
  ASSERT_TRUE(events_.waitForCloses(1));
  EXPECT_EQ(events_.closes()[0].operation, SocketOperation::Connect);
  EXPECT_EQ(events_.closes()[0].errorCode, ECONNREFUSED);
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);

  EXPECT_TRUE(packs_.start(client_, kLocalhost, server_.port(), true));
  ASSERT_TRUE(events_.waitForConnects(1));
  EXPECT_TRUE(server_.waitForClients(1, kWait));
}

// A loopback listener whose accept queue is full: the kernel drops further
// SYNs, so a connect to it neither succeeds nor fails until it gives up.
class BlackholeListener {
 public:
  BlackholeListener() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 0) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    // Fill the queue until a connect hangs.
    for (int i = 0; i < 64; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 300) == 0) {
        ::close(fd);
        full_ = true;
        return;
      }
      fillers_.push_back(fd);
    }
  }
  ~BlackholeListener() {
    for (const int fd : fillers_) ::close(fd);
    if (listener_ >= 0) ::close(listener_);
  }
  bool ready() const { return full_; }
  std::uint16_t port() const { return port_; }

 private:
  int listener_ = -1;
  std::uint16_t port_ = 0;
  bool full_ = false;
  std::vector<int> fillers_;
};

TEST_F(PackClientTest, ConnectToBlackholeGivesUpAfterTheTimeout) {
  BlackholeListener blackhole;
  ASSERT_TRUE(blackhole.ready());
  ASSERT_TRUE(packs_.setConnectTimeout(client_, 300ms));
  EXPECT_FALSE(packs_.start(client_, kLocalhost, blackhole.port()));
  EXPECT_EQ(packs_.lastError(client_), ETIMEDOUT);
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  EXPECT_TRUE(events_.closes().empty());
}

TEST_F(PackClientTest, StopDuringConnectEndsTheWaitingStart) {
  BlackholeListener blackhole;
  ASSERT_TRUE(blackhole.ready());
  ASSERT_TRUE(packs_.setConnectTimeout(client_, 60s));
  std::promise<bool> started;
  std::thread connecting(
      [&] { started.set_value(packs_.start(client_, kLocalhost, blackhole.port())); });
  while (packs_.getState(client_) != PackClientState::Starting) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(packs_.stop(client_));
  auto result = started.get_future();
  ASSERT_EQ(result.wait_for(kWait), std::future_status::ready);
  EXPECT_FALSE(result.get());
  connecting.join();
  EXPECT_EQ(packs_.lastError(client_), ECANCELED);
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
}

TEST_F(PackClientTest, StopWhileConnectedClosesAndAllowsRestart) {
  connect();
  EXPECT_TRUE(packs_.stop(client_));
  // stop() returns after the close handler ran and the state settled.
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  ASSERT_EQ(events_.closes().size(), 1u);
  EXPECT_EQ(events_.closes()[0].operation, SocketOperation::Close);
  EXPECT_EQ(events_.closes()[0].errorCode, 0);
  EXPECT_TRUE(server_.waitForDisconnects(1, kWait));
  EXPECT_FALSE(packs_.stop(client_));
  EXPECT_FALSE(packs_.send(client_, "after stop"));

  onConnect_ = [&](PackClientHandle c, PackConnectionId) { packs_.send(c, "hello again"); };
  const auto id = connect();
  const auto pack = server_.waitForPack(kWait);
  ASSERT_TRUE(pack.has_value());
  EXPECT_EQ(pack->body, text("hello again"));
  EXPECT_EQ(pack->client, id);
  EXPECT_EQ(events_.connects().back().second, 2u);
}

TEST_F(PackClientTest, StopFromInsideHandlersDoesNotDeadlock) {
  // From the receive handler, while more packs of the same read wait behind.
  std::atomic<bool> stopResult{false};
  std::atomic<bool> restartRefused{false};
  onReceive_ = [&](PackClientHandle c, std::span<const std::uint8_t>) {
    restartRefused = !packs_.start(c, kLocalhost, server_.port());
    stopResult = packs_.stop(c);
  };
  const auto id = connect();
  Bytes two = PackTestServer::frame(text("first"));
  const Bytes second = PackTestServer::frame(text("second"));
  two.insert(two.end(), second.begin(), second.end());
  ASSERT_TRUE(server_.sendRaw(id, two));
  ASSERT_TRUE(events_.waitForCloses(1));
  EXPECT_TRUE(stopResult);
  EXPECT_TRUE(restartRefused) << "a synchronous start from the I/O thread would wait for itself";
  EXPECT_EQ(events_.closes()[0].operation, SocketOperation::Close);
  EXPECT_EQ(events_.closes()[0].errorCode, 0);
  EXPECT_EQ(events_.packs(), std::vector<Bytes>{text("first")});
  // stop() from another thread waits for the queued close; nothing is left to stop.
  EXPECT_FALSE(packs_.stop(client_));
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  EXPECT_TRUE(server_.waitForDisconnects(1, kWait));

  // From the connect handler: the synchronous start reports the failure.
  onReceive_ = nullptr;
  onConnect_ = [&](PackClientHandle c, PackConnectionId) { stopResult = packs_.stop(c); };
  stopResult = false;
  EXPECT_FALSE(packs_.start(client_, kLocalhost, server_.port()));
  EXPECT_TRUE(stopResult);
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  ASSERT_EQ(events_.closes().size(), 2u);
  EXPECT_EQ(events_.closes()[1].operation, SocketOperation::Close);
}

TEST_F(PackClientTest, DestroyFromInsideHandlerLetsTheThreadGo) {
  onReceive_ = [&](PackClientHandle c, std::span<const std::uint8_t>) { packs_.destroy(c); };
  const auto id = connect();
  ASSERT_TRUE(server_.send(id, "bye"));
  ASSERT_TRUE(events_.waitForCloses(1));
  EXPECT_TRUE(server_.waitForDisconnects(1, kWait));
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  EXPECT_FALSE(packs_.start(client_, kLocalhost, server_.port()));
}

TEST_F(PackClientTest, DestroyOfStartedClientStopsItFirst) {
  connect();
  packs_.destroy(client_);
  ASSERT_EQ(events_.closes().size(), 1u);
  EXPECT_EQ(events_.closes()[0].operation, SocketOperation::Close);
  EXPECT_TRUE(server_.waitForDisconnects(1, kWait));
  EXPECT_EQ(packs_.getState(client_), PackClientState::Stopped);
  EXPECT_FALSE(packs_.start(client_, kLocalhost, server_.port()));
  packs_.destroy(client_);
  packs_.destroy(0);
}

TEST_F(PackClientTest, SendRefusesWhatCannotBeAPack) {
  EXPECT_FALSE(packs_.send(client_, "not connected"));
  ASSERT_TRUE(packs_.setMaxPackSize(client_, 16));
  connect();
  EXPECT_FALSE(packs_.send(client_, ""));
  EXPECT_FALSE(packs_.send(client_, std::span<const std::uint8_t>()));
  EXPECT_FALSE(packs_.send(client_, std::string(17, 'x')));
  EXPECT_TRUE(packs_.send(client_, std::string(16, 'y')));
  EXPECT_FALSE(packs_.send(0, "no client"));
  const auto pack = server_.waitForPack(kWait);
  ASSERT_TRUE(pack.has_value());
  EXPECT_EQ(pack->body, text(std::string(16, 'y')));
  EXPECT_FALSE(server_.waitForPack(200ms).has_value());
  EXPECT_FALSE(packs_.setMaxPackSize(client_, 0));
  EXPECT_FALSE(packs_.setMaxPackSize(client_, kPackMaxSizeLimit + 1));
}

// The client's socket as the kernel lists it in /proc/net/tcp: the keep-alive
// timer shows as timer kind 2 with the time left until the first probe.
struct ProcTcpTimer {
  int kind = -1;
  long ticksLeft = -1;
};

std::optional<ProcTcpTimer> clientSocketTimer(std::uint16_t serverPort) {
  std::ifstream in("/proc/net/tcp");
  std::string line;
  std::getline(in, line);
  char remote[32];
  std::snprintf(remote, sizeof remote, "0100007F:%04X", serverPort);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string slot, local, rem, state, queues, timer;
    fields >> slot >> local >> rem >> state >> queues >> timer;
    if (rem != remote || state != "01") continue;  // 01: established
    ProcTcpTimer t;
    t.kind = std::stoi(timer.substr(0, 2), nullptr, 16);
    t.ticksLeft = std::stol(timer.substr(3), nullptr, 16);
    return t;
  }
  return std::nullopt;
}

TEST_F(PackClientTest, KeepAliveProbesAnIdleLinkAfterSixtySeconds) {
  connect();
  std::optional<ProcTcpTimer> timer;
  const auto deadline = std::chrono::steady_clock::now() + kWait;
  do {
    timer = clientSocketTimer(server_.port());
    if (timer && timer->kind == 2) break;
    std::this_thread::sleep_for(20ms);
  } while (std::chrono::steady_clock::now() < deadline);
  ASSERT_TRUE(timer.has_value());
  ASSERT_EQ(timer->kind, 2) << "keep-alive timer armed";
  const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
  EXPECT_LE(timer->ticksLeft, 60 * ticksPerSecond);
  EXPECT_GT(timer->ticksLeft, 30 * ticksPerSecond) << "idle time is 60 s, not the system's 2 h";
}

TEST(PackClientListener, HandlersNeedTheFirstCreateAndServeEveryClient) {
  PackClient packs;
  EXPECT_FALSE(packs.setOnConnect([](PackClientHandle, PackConnectionId) {}));
  EXPECT_FALSE(packs.setOnReceive([](PackClientHandle, PackConnectionId, auto) {}));
  EXPECT_FALSE(packs.setOnClose([](PackClientHandle, PackConnectionId, SocketOperation, int) {}));
  EXPECT_EQ(packs.create(true), 0u) << "no TLS client";

  const PackClientHandle first = packs.create();
  ASSERT_NE(first, 0u);
  Events events;
  ASSERT_TRUE(packs.setOnConnect(
      [&](PackClientHandle c, PackConnectionId id) { events.connected(c, id); }));
  const PackClientHandle second = packs.create();
  ASSERT_NE(second, 0u);
  EXPECT_NE(first, second);

  // Registered once, after the first create: both clients report through it,
  // each as its own sender.
  PackTestServer server;
  ASSERT_TRUE(packs.start(first, kLocalhost, server.port()));
  ASSERT_TRUE(packs.start(second, kLocalhost, server.port()));
  ASSERT_TRUE(events.waitForConnects(2));
  const auto connects = events.connects();
  EXPECT_EQ(connects[0].first, first);
  EXPECT_EQ(connects[1].first, second);
  EXPECT_TRUE(server.waitForClients(2, kWait));
}

TEST(PackClientListener, HandlerExceptionDoesNotEndTheClient) {
  PackClient packs;
  const PackClientHandle client = packs.create();
  Events events;
  ASSERT_TRUE(packs.setOnReceive(
      [&](PackClientHandle, PackConnectionId, std::span<const std::uint8_t> pack) {
        events.received(pack);
        throw std::runtime_error("handler fault");
      }));
  PackTestServer server;
  ASSERT_TRUE(packs.start(client, kLocalhost, server.port()));
  ASSERT_TRUE(server.waitForClients(1, kWait));
  const auto id = server.clients()[0];
  ASSERT_TRUE(server.send(id, "one"));
  ASSERT_TRUE(server.send(id, "two"));
  ASSERT_TRUE(events.waitForPacks(2));
  EXPECT_EQ(packs.getState(client), PackClientState::Started);
}

TEST(PackTestServerTest, HookAnswersAndSendToAllReachesEveryClient) {
  PackTestServer server;
  server.setPackHook([](PackTestServer& s, PackTestServer::ClientId from, const Bytes& body) {
    Bytes answer = text("echo:");
    answer.insert(answer.end(), body.begin(), body.end());
    s.send(from, answer);
  });
  PackClient packs;
  const PackClientHandle a = packs.create();
  const PackClientHandle b = packs.create();
  Events events;
  ASSERT_TRUE(
      packs.setOnReceive([&](PackClientHandle, PackConnectionId,
                             std::span<const std::uint8_t> pack) { events.received(pack); }));
  ASSERT_TRUE(packs.start(a, kLocalhost, server.port()));
  ASSERT_TRUE(packs.start(b, kLocalhost, server.port()));
  ASSERT_TRUE(server.waitForClients(2, kWait));
  ASSERT_TRUE(packs.send(a, "hi"));
  ASSERT_TRUE(events.waitForPacks(1));
  EXPECT_EQ(events.packs()[0], text("echo:hi"));
  ASSERT_TRUE(server.waitForPack(kWait).has_value());
  EXPECT_EQ(server.sendToAll("all"), 2u);
  for (const auto id : server.clients()) EXPECT_TRUE(server.waitUntilWritten(id, kWait));
  ASSERT_TRUE(events.waitForPacks(3));
  EXPECT_EQ(events.packs()[1], text("all"));
  EXPECT_EQ(events.packs()[2], text("all"));
  EXPECT_EQ(server.protocolErrorCount(), 0u);
}

}  // namespace
}  // namespace orvane
