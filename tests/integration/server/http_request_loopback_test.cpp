// The request engine against real HTTP servers on loopback.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "server/http_request.h"
#include "support/curl_global_environment.h"
#include "support/http_server/loopback_http_server.h"
#include "support/http_server/loopback_sockets.h"

namespace orvane {
namespace {

const auto* const kCurl = ::testing::AddGlobalTestEnvironment(new testing::CurlGlobalEnvironment);

using httplib::Request;
using httplib::Response;

void redirect(Response& res, int status, const std::string& location) {
  res.status = status;
  res.set_header("Location", location);
}

class HttpRequestLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    httplib::Server& a = first_.server();
    a.Get("/", [](const Request&, Response& res) { res.set_content("root", "text/plain"); });
    a.Get("/ok", [](const Request&, Response& res) { res.set_content("fine", "text/plain"); });
    a.Get("/empty", [](const Request&, Response& res) { res.status = 200; });
    a.Get("/missing", [](const Request&, Response& res) {
      res.status = 404;
      res.set_content("not here", "text/plain");
    });
    a.Get("/error", [](const Request&, Response& res) {
      res.status = 500;
      res.set_content("boom", "text/plain");
    });
    a.Get("/cookies", [](const Request&, Response& res) {
      res.set_header("Set-Cookie", "sid=42; Path=/; HttpOnly");
      res.set_header("Set-Cookie", "lang=zh; Expires=Wed, 21 Oct 2026 07:28:00 GMT");
      res.set_content("with cookies", "text/plain");
    });
    a.Get("/notmodified", [](const Request&, Response& res) { redirect(res, 304, "/ok"); });
    a.Get("/nolocation", [](const Request&, Response& res) {
      res.status = 302;
      res.set_content("moved somewhere", "text/plain");
    });
    a.Get("/loop", [](const Request&, Response& res) { redirect(res, 302, "/loop"); });
    a.Get(R"(/hop/(\d+))", [](const Request& req, Response& res) {
      const int hop = std::stoi(req.matches[1]);
      if (hop < 10) {
        redirect(res, 302, std::to_string(hop + 1));
      } else {
        res.set_content("arrived", "text/plain");
      }
    });
    a.Get("/final", [](const Request& req, Response& res) {
      res.set_content("cookies: " + req.get_header_value("Cookie"), "text/plain");
    });
    ASSERT_TRUE(first_.start());

    // The chain's start hands over to the second server by a "//" location.
    httplib::Server& b = second_.server();
    a.Get("/a/start", [this](const Request&, Response& res) {
      res.set_header("Set-Cookie", "c1=1; Path=/");
      redirect(res, 302, "//" + second_.hostPort() + "/b/step2");
    });
    b.Get("/b/step2", [](const Request&, Response& res) {
      res.set_header("Set-Cookie", "c2=2; HttpOnly");
      redirect(res, 301, "/c/step3");
    });
    b.Get("/c/step3", [](const Request&, Response& res) {
      res.set_header("Set-Cookie", "c1=override");
      redirect(res, 307, "next.php");
    });
    b.Get("/c/next.php",
          [this](const Request&, Response& res) { redirect(res, 303, first_.base() + "/final"); });
    ASSERT_TRUE(second_.start());
  }

  testing::LoopbackHttpServer first_;
  testing::LoopbackHttpServer second_;
};

TEST_F(HttpRequestLoopback, BodyOnlyFor2xxWithTheStatusAlwaysFilled) {
  const HttpRequest request;
  struct Case {
    const char* path;
    int status;
    const char* body;
  };
  const Case cases[] = {
      {"/ok", 200, "fine"}, {"/empty", 200, ""},      {"/missing", 404, ""},
      {"/error", 500, ""},  {"/nolocation", 302, ""},
  };
  for (const Case& c : cases) {
    HttpReply reply;
    reply.status = -1;
    EXPECT_EQ(request.fetch(first_.base() + c.path, reply), c.body) << c.path;
    EXPECT_TRUE(reply.responded) << c.path;
    EXPECT_EQ(reply.status, c.status) << c.path;
    EXPECT_TRUE(reply.headerText.starts_with("HTTP/1.1 ")) << c.path;
  }
}

TEST_F(HttpRequestLoopback, SendsTheFixedRequestOptions) {
  const HttpRequest request;
  // No scheme and no path: both are added.
  EXPECT_EQ(request.fetch(first_.hostPort()), "root");
  HttpReply reply;
  EXPECT_EQ(request.fetch(first_.base() + "/ok", reply, "k=v; m=n"), "fine");

  const auto requests = first_.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& sent : requests) {
    EXPECT_EQ(sent.method, "GET");
    EXPECT_EQ(sent.header("User-Agent"), HttpRequest::kUserAgent);
    EXPECT_EQ(sent.header("Cache-Control"), "no-cache");
    EXPECT_EQ(sent.header("Pragma"), "no-cache");
    EXPECT_TRUE(sent.body.empty());
  }
  EXPECT_EQ(requests[0].target, "/");
  EXPECT_FALSE(requests[0].hasHeader("Cookie"));
  EXPECT_EQ(requests[1].header("Cookie"), "k=v; m=n");
  // Every request on a connection of its own.
  EXPECT_NE(requests[0].remotePort, requests[1].remotePort);
}

TEST_F(HttpRequestLoopback, MergesTheCookiesTheServerSets) {
  const HttpRequest request;
  HttpReply reply;
  EXPECT_EQ(request.fetch(first_.base() + "/cookies", reply), "with cookies");
  EXPECT_EQ(reply.cookies, "sid=42; lang=zh");

  HttpReply again;
  EXPECT_EQ(request.fetch(first_.base() + "/cookies", again, "lang=en; theme=dark"),
            "with cookies");
  EXPECT_EQ(again.cookies, "sid=42; lang=zh; theme=dark");
  EXPECT_EQ(first_.requests().back().header("Cookie"), "lang=en; theme=dark");
}

TEST_F(HttpRequestLoopback, FollowsEveryKindOfLocationCarryingCookies) {
  const HttpRequest request;
  int status = 0;
  // 302 "//host:port/...", 301 "/...", 307 "relative", 303 "http://..." absolute.
  EXPECT_EQ(request.fetchWithRedirects(first_.base() + "/a/start", status),
            "cookies: c1=override; c2=2");
  EXPECT_EQ(status, 200);

  const auto onFirst = first_.requests();
  const auto onSecond = second_.requests();
  ASSERT_EQ(onFirst.size(), 2u);
  ASSERT_EQ(onSecond.size(), 3u);
  EXPECT_EQ(onFirst[0].target, "/a/start");
  EXPECT_FALSE(onFirst[0].hasHeader("Cookie"));
  EXPECT_EQ(onSecond[0].target, "/b/step2");
  EXPECT_EQ(onSecond[0].header("Cookie"), "c1=1");
  EXPECT_EQ(onSecond[1].target, "/c/step3");
  EXPECT_EQ(onSecond[1].header("Cookie"), "c2=2; c1=1");
  EXPECT_EQ(onSecond[2].target, "/c/next.php");
  EXPECT_EQ(onSecond[2].header("Cookie"), "c1=override; c2=2");
  EXPECT_EQ(onFirst[1].target, "/final");
  for (const auto& sent : onSecond) {
    EXPECT_EQ(sent.method, "GET");
  }
}

TEST_F(HttpRequestLoopback, EndsOfTheChain) {
  const HttpRequest request;
  int status = 0;
  // A 304 that names a location is followed like any other 3xx.
  EXPECT_EQ(request.fetchWithRedirects(first_.base() + "/notmodified", status), "fine");
  EXPECT_EQ(status, 200);

  // Without a location the chain stops there, with no body.
  EXPECT_EQ(request.fetchWithRedirects(first_.base() + "/nolocation", status), "");
  EXPECT_EQ(status, 302);

  // A plain answer is a chain of one.
  EXPECT_EQ(request.fetchWithRedirects(first_.base() + "/missing", status), "");
  EXPECT_EQ(status, 404);
}

TEST_F(HttpRequestLoopback, RedirectsAreFollowedUpToTheBound) {
  const HttpRequest request;
  int status = 0;
  // Ten redirects are followed...
  EXPECT_EQ(request.fetchWithRedirects(first_.base() + "/hop/0", status), "arrived");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(first_.requestCount(), 11u);

  // ...an eleventh 3xx ends a circle with that status.
  status = 0;
  EXPECT_EQ(request.fetchWithRedirects(first_.base() + "/loop", status), "");
  EXPECT_EQ(status, 302);
  EXPECT_EQ(first_.requestCount(), 22u);

  const HttpRequest shortLeash({.maxRedirects = 2});
  EXPECT_EQ(shortLeash.fetchWithRedirects(first_.base() + "/hop/0", status), "");
  EXPECT_EQ(status, 302);
  EXPECT_EQ(first_.requestCount(), 25u);
}

TEST(HttpRequestFailures, StatusStaysUntouchedWhenNoResponseCame) {
  testing::SilentListener silent;
  ASSERT_TRUE(silent.listening());
  const int closedPort = testing::unusedLoopbackPort();
  ASSERT_GT(closedPort, 0);

  const HttpRequest request({.timeoutMs = 300});
  for (const int port : {silent.port(), closedPort}) {
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    HttpReply reply;
    reply.status = 777;
    reply.headerText = "kept";
    EXPECT_EQ(request.fetch(url, reply), "") << port;
    EXPECT_FALSE(reply.responded);
    EXPECT_EQ(reply.status, 777);
    EXPECT_EQ(reply.headerText, "kept");

    int status = 555;
    EXPECT_EQ(request.fetchWithRedirects(url, status), "") << port;
    EXPECT_EQ(status, 555);
  }
}

TEST(HttpRequestFailures, StopTokenAbandonsARequestInFlight) {
  testing::SilentListener silent;
  ASSERT_TRUE(silent.listening());
  std::stop_source stop;
  // Far longer than the test's own time-out: only the stop can end it in time.
  const HttpRequest request({.timeoutMs = 3'600'000, .stop = stop.get_token()});
  std::jthread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stop.request_stop();
  });
  HttpReply reply;
  EXPECT_EQ(request.fetch("http://127.0.0.1:" + std::to_string(silent.port()) + "/", reply), "");
  EXPECT_FALSE(reply.responded);
}

TEST(HttpRequestFailures, StoppedRequestIsNotSent) {
  testing::LoopbackHttpServer web;
  web.server().Get("/", [](const Request&, Response& res) { res.set_content("x", "text/plain"); });
  ASSERT_TRUE(web.start());
  std::stop_source stop;
  stop.request_stop();
  const HttpRequest request({.stop = stop.get_token()});
  int status = 0;
  EXPECT_EQ(request.fetchWithRedirects(web.base(), status), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(web.requestCount(), 0u);
}

}  // namespace
}  // namespace orvane
