// The TCP port discovery against a real HTTP server on loopback.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/server_link.h"
#include "support/http_server/loopback_http_server.h"
#include "support/http_server/loopback_sockets.h"
#include "support/temp_directory.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

// What the fake server answers to the port query, changeable while it runs.
class PortServer {
 public:
  PortServer() {
    web_.server().Get("/api100.php", [this](const httplib::Request&, httplib::Response& res) {
      std::lock_guard lock(mutex_);
      const auto [status, body] = answers_.size() > 1 ? answers_[served_++] : answers_.front();
      if (answers_.size() > 1 && served_ == answers_.size()) {
        answers_.erase(answers_.begin(), answers_.end() - 1);
        served_ = 0;
      }
      res.status = status;
      res.set_content(body, "text/plain");
    });
  }

  bool start() { return web_.start(); }

  // Answers in turn; the last one repeats.
  void answer(std::vector<std::pair<int, std::string>> answers) {
    std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
    served_ = 0;
  }

  testing::LoopbackHttpServer& web() { return web_; }

 private:
  std::mutex mutex_;
  std::vector<std::pair<int, std::string>> answers_{{200, "6001"}};
  std::size_t served_ = 0;
  testing::LoopbackHttpServer web_;
};

class ServerLinkDiscovery : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.start());
    ASSERT_FALSE(folder_.path().empty());
    configFor(server_.web().port());
  }

  void configFor(int port) {
    testing::writeFile(config_, "[server]\nip=127.0.0.1\nwebport=" + std::to_string(port) + "\n");
  }

  // A link whose pauses are recorded, not slept, and whose clock is `now_`.
  std::unique_ptr<ServerLink> makeLink() {
    ServerLinkTiming timing;
    timing.uptimeMs = [this] { return now_.load(); };
    timing.wait = [this](milliseconds delay, std::stop_token) {
      std::lock_guard lock(pausesMutex_);
      pauses_.push_back(delay);
      return true;
    };
    auto link = std::make_unique<ServerLink>(std::move(timing));
    link->init(config_);
    return link;
  }

  std::vector<milliseconds> takePauses() {
    std::lock_guard lock(pausesMutex_);
    return std::exchange(pauses_, {});
  }

  std::size_t requests() { return server_.web().requestCount(); }

  PortServer server_;
  testing::TempDirectory folder_;
  const std::string config_ = folder_.file("config.ini");
  std::atomic<std::int64_t> now_{1'000'000};
  std::mutex pausesMutex_;
  std::vector<milliseconds> pauses_;
};

TEST_F(ServerLinkDiscovery, BodyIsReadAsAtoiDoes) {
  const milliseconds pause(3000);
  struct Case {
    int status;
    const char* body;
    int port;
    std::size_t attempts;
    std::vector<milliseconds> pauses;
  };
  const Case cases[] = {
      {200, "6001", 6001, 1, {}},
      {200, "  6001\r\n", 6001, 1, {}},
      {200, "+6001 tcp", 6001, 1, {}},
      {200, "port=6001", 0, 3, {pause, pause, pause}},
      {200, "", 0, 3, {pause, pause, pause}},
      {200, "-6001", 0, 3, {pause, pause, pause}},
      // Not a port a socket could use.
      {200, "70000", 0, 3, {pause, pause, pause}},
      {404, "6001", 0, 3, {pause, pause, pause}},
  };
  for (const Case& c : cases) {
    server_.answer({{c.status, c.body}});
    const std::size_t before = requests();
    auto link = makeLink();
    EXPECT_EQ(link->getPort(PortKind::Tcp), c.port) << c.status << " " << c.body;
    EXPECT_EQ(requests() - before, c.attempts) << c.status << " " << c.body;
    EXPECT_EQ(takePauses(), c.pauses) << c.status << " " << c.body;
  }
  const auto sent = server_.web().requests();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back().target, "/api100.php?fun=port&name=tcp");
  EXPECT_EQ(sent.back().method, "GET");
}

TEST_F(ServerLinkDiscovery, RetriesUntilTheThirdAttempt) {
  server_.answer({{503, ""}, {200, "not yet"}, {200, "6002"}});
  auto link = makeLink();
  EXPECT_EQ(link->getPort(PortKind::Tcp), 6002);
  EXPECT_EQ(requests(), 3u);
  EXPECT_EQ(takePauses(), (std::vector<milliseconds>{milliseconds(3000), milliseconds(3000)}));
}

TEST_F(ServerLinkDiscovery, KnownPortIsKeptForTenMinutesAndNeverLost) {
  auto link = makeLink();
  EXPECT_EQ(link->getPort(PortKind::Tcp), 6001);
  EXPECT_EQ(requests(), 1u);

  // Within ten minutes: no request, even though the server now refuses.
  server_.answer({{404, ""}});
  now_ += ServerLink::kPortCacheMs - 1;
  EXPECT_EQ(link->getPort(PortKind::Tcp), 6001);
  EXPECT_EQ(requests(), 1u);

  // Ten minutes on: asked again, all three attempts fail, the old port stays...
  now_ = 1'000'000 + ServerLink::kPortCacheMs;
  EXPECT_EQ(link->getPort(PortKind::Tcp), 6001);
  EXPECT_EQ(requests(), 4u);

  // ...and counts as fresh for another ten minutes from that failed discovery.
  server_.answer({{200, "6003"}});
  now_ += ServerLink::kPortCacheMs - 1;
  EXPECT_EQ(link->getPort(PortKind::Tcp), 6001);
  EXPECT_EQ(requests(), 4u);
  now_ += 1;
  EXPECT_EQ(link->getPort(PortKind::Tcp), 6003);
  EXPECT_EQ(requests(), 5u);
}

TEST_F(ServerLinkDiscovery, WithoutAnyPortEveryCallAsksAgain) {
  server_.answer({{404, ""}});
  auto link = makeLink();
  EXPECT_EQ(link->getPort(PortKind::Tcp), 0);
  EXPECT_EQ(link->getPort(PortKind::Tcp), 0);
  EXPECT_EQ(requests(), 6u);
  EXPECT_EQ(takePauses().size(), 6u);

  // Nothing listening at all: the same, without a response to count.
  configFor(testing::unusedLoopbackPort());
  link->init(config_);
  EXPECT_EQ(link->getPort(PortKind::Tcp), 0);
  EXPECT_EQ(takePauses().size(), 3u);

  // No web port: no address to ask.
  testing::writeFile(config_, "[server]\nwebport=0\n");
  link->init(config_);
  EXPECT_EQ(link->webBase(), "");
  EXPECT_EQ(link->getPort(PortKind::Tcp), 0);
  EXPECT_EQ(requests(), 6u);
}

TEST_F(ServerLinkDiscovery, StopEndsTheRealPauseEarly) {
  server_.answer({{404, ""}});
  ServerLink link;  // real 3000 ms pauses
  link.init(config_);
  std::stop_source stop;
  std::jthread stopper([&] {
    // Stop once the first attempt has been answered, i.e. during its pause.
    if (server_.web().waitForRequests(1)) {
      std::this_thread::sleep_for(milliseconds(50));
    }
    stop.request_stop();
  });
  EXPECT_EQ(link.getPort(PortKind::Tcp, stop.get_token()), 0);
  stopper.join();
  // Had the pause run its course, a second attempt would have followed.
  EXPECT_EQ(requests(), 1u);
}

}  // namespace
}  // namespace orvane
