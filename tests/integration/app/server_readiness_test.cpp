#include "app/server_readiness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stop_token>
#include <string>
#include <thread>

#include "support/curl_global_environment.h"
#include "support/http_server/loopback_http_server.h"
#include "support/http_server/loopback_sockets.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;

const auto* const kCurl = ::testing::AddGlobalTestEnvironment(new testing::CurlGlobalEnvironment);

class ServerReadinessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.server().Get("/ok", [](const httplib::Request&, httplib::Response& response) {
      response.set_content("up", "text/plain");
    });
    server.server().Get("/empty", [](const httplib::Request&, httplib::Response& response) {
      response.status = 204;
    });
    for (const int status : {404, 500, 503}) {
      server.server().Get("/status" + std::to_string(status),
                          [status](const httplib::Request&, httplib::Response& response) {
                            response.status = status;
                          });
    }
    server.server().Get("/moved-ok", [](const httplib::Request&, httplib::Response& response) {
      response.set_redirect("/ok");
    });
    server.server().Get("/moved-missing", [](const httplib::Request&, httplib::Response& response) {
      response.set_redirect("/status404");
    });
    ASSERT_TRUE(server.start());
  }

  testing::LoopbackHttpServer server;
};

TEST_F(ServerReadinessTest, ReadyOnlyWhenTheLastAnswerIsTwoHundredSomething) {
  const struct {
    const char* path;
    bool ready;
  } cases[] = {
      {"/ok", true},         {"/empty", true},    {"/status404", false},     {"/status500", false},
      {"/status503", false}, {"/moved-ok", true}, {"/moved-missing", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isServerReady(server.base() + c.path), c.ready) << c.path;
  }
}

TEST_F(ServerReadinessTest, NoServerOrNoAddressIsNotReady) {
  EXPECT_FALSE(isServerReady("http://127.0.0.1:" + std::to_string(testing::unusedLoopbackPort())));
  const std::size_t before = server.requestCount();
  EXPECT_FALSE(isServerReady(""));
  EXPECT_EQ(server.requestCount(), before);
}

TEST_F(ServerReadinessTest, AStopAbandonsARequestThatGetsNoAnswer) {
  testing::SilentListener silent;
  ASSERT_TRUE(silent.listening());
  std::stop_source stop;
  auto answer = std::async(std::launch::async, [&] {
    return isServerReady("http://127.0.0.1:" + std::to_string(silent.port()), stop.get_token());
  });
  // Still waiting for the answer that never comes.
  EXPECT_EQ(answer.wait_for(300ms), std::future_status::timeout);
  stop.request_stop();
  // Well within the request's own 30 s time-out.
  ASSERT_EQ(answer.wait_for(15s), std::future_status::ready);
  EXPECT_FALSE(answer.get());
}

}  // namespace
}  // namespace orvane
