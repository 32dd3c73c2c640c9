// The transfer object against a real HTTP server on loopback.

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "http/curl_mime_form.h"
#include "http/curl_transfer.h"
#include "support/curl_global_environment.h"
#include "support/http_server/loopback_http_server.h"
#include "support/http_server/loopback_sockets.h"
#include "support/temp_directory.h"

namespace orvane {
namespace {

const auto* const kCurl = ::testing::AddGlobalTestEnvironment(new testing::CurlGlobalEnvironment);

std::string pattern(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    text[i] = static_cast<char>('a' + i % 23);
  }
  return text;
}

class CurlTransferLoopback : public ::testing::Test {
 protected:
  void SetUp() override {
    httplib::Server& s = web_.server();
    s.Get("/text", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("X-Test", "yes");
      res.set_content("hello", "text/plain");
    });
    s.Get("/redirect", [](const httplib::Request&, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/text");
    });
    s.Get("/big", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(pattern(kBigSize), "application/octet-stream");
    });
    s.Get("/setcookie", [](const httplib::Request&, httplib::Response& res) {
      res.set_header("Set-Cookie", "a=1; Path=/");
      res.set_content("ok", "text/plain");
    });
    auto echo = [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.body, "application/octet-stream");
    };
    s.Put("/echo", echo);
    s.Post("/echo", echo);
    s.Post("/form", [](const httplib::Request& req, httplib::Response& res) {
      std::string summary;
      for (const auto& [name, part] : req.files) {
        summary += name + "|" + part.filename + "|" + part.content_type + "|" + part.content + "\n";
      }
      res.set_content(summary, "text/plain");
    });
    ASSERT_TRUE(web_.start());
    ASSERT_TRUE(transfer_.init());
  }

  std::string url(const std::string& path) const { return web_.base() + path; }

  static constexpr std::size_t kBigSize = 100000;
  testing::LoopbackHttpServer web_;
  CurlTransfer transfer_;
};

TEST_F(CurlTransferLoopback, InitFollowsRedirectsAndFillsBodyHeadersAndInfo) {
  ASSERT_EQ(transfer_.setUrl(url("/redirect")), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_EQ(transfer_.responseCode(), 200);
  EXPECT_EQ(transfer_.bodyText(), "hello");
  const std::string headers = transfer_.headerText();
  EXPECT_NE(headers.find("HTTP/1.1 302"), std::string::npos) << headers;
  EXPECT_NE(headers.find("HTTP/1.1 200"), std::string::npos) << headers;
  EXPECT_NE(headers.find("X-Test: yes\r\n"), std::string::npos) << headers;
  EXPECT_EQ(transfer_.headerBytes(), headers);
  EXPECT_EQ(transfer_.effectiveUrl(), url("/text"));
  EXPECT_EQ(transfer_.primaryIp(), "127.0.0.1");
  EXPECT_EQ(transfer_.primaryPort(), web_.port());
  EXPECT_EQ(transfer_.localIp(), "127.0.0.1");
  EXPECT_GT(transfer_.localPort(), 0);
  EXPECT_GT(transfer_.totalTime(), 0.0);
  EXPECT_EQ(transfer_.info64(CURLINFO_SIZE_DOWNLOAD_T), 5);

  // Switched off, the 302 itself is the answer.
  ASSERT_TRUE(transfer_.init());
  ASSERT_EQ(transfer_.setUrl(url("/redirect")), CURLE_OK);
  ASSERT_EQ(transfer_.setFollowLocation(false), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_EQ(transfer_.responseCode(), 302);
  EXPECT_EQ(transfer_.bodyText(), "");
  EXPECT_EQ(transfer_.redirectUrl(), url("/text"));
}

TEST_F(CurlTransferLoopback, LargeBodyArrivesIntactAndPerformAppends) {
  ASSERT_EQ(transfer_.setUrl(url("/big")), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  const std::string expected = pattern(kBigSize);
  EXPECT_EQ(transfer_.bodyBytes(), expected);

  // perform() keeps what is there; clearAndPerform() starts over.
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_EQ(transfer_.bodyBytes(), expected + expected);
  ASSERT_EQ(transfer_.clearAndPerform(), CURLE_OK);
  EXPECT_EQ(transfer_.bodyBytes(), expected);
}

TEST_F(CurlTransferLoopback, WriteRoutineTakesTheBodyUntilReset) {
  std::string received;
  ASSERT_TRUE(transfer_.setWriteHandler([&](const char* data, std::size_t size) {
    received.append(data, size);
    return size;
  }));
  ASSERT_EQ(transfer_.setUrl(url("/big")), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_EQ(received, pattern(kBigSize));
  EXPECT_EQ(transfer_.bodyBytes(), "");

  // The routine's count goes to libcurl unchanged: one short fails it.
  ASSERT_TRUE(transfer_.setWriteHandler([](const char*, std::size_t size) { return size - 1; }));
  EXPECT_EQ(transfer_.perform(), CURLE_WRITE_ERROR);

  // A routine that throws aborts the transfer instead of unwinding through libcurl.
  ASSERT_TRUE(transfer_.setWriteHandler(
      [](const char*, std::size_t) -> std::size_t { throw std::runtime_error("disk full"); }));
  EXPECT_EQ(transfer_.perform(), CURLE_WRITE_ERROR);

  // reset() drops the routine and turns redirects on again.
  ASSERT_TRUE(transfer_.reset());
  ASSERT_EQ(transfer_.setUrl(url("/redirect")), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_EQ(transfer_.bodyText(), "hello");
}

TEST_F(CurlTransferLoopback, HeaderRoutineTakesTheHeaders) {
  std::string headers;
  ASSERT_TRUE(transfer_.setHeaderHandler([&](const char* data, std::size_t size) {
    headers.append(data, size);
    return size;
  }));
  ASSERT_EQ(transfer_.setUrl(url("/text")), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_NE(headers.find("X-Test: yes\r\n"), std::string::npos);
  EXPECT_EQ(transfer_.headerText(), "");
  EXPECT_EQ(transfer_.bodyText(), "hello");
}

TEST_F(CurlTransferLoopback, UploadsFromTheBufferOrTheReadRoutine) {
  ASSERT_EQ(transfer_.setUrl(url("/echo")), CURLE_OK);
  ASSERT_EQ(transfer_.setOption(CURLOPT_UPLOAD, 1), CURLE_OK);
  const std::string payload = pattern(3000);
  ASSERT_TRUE(transfer_.setUploadData(payload));
  ASSERT_EQ(transfer_.setOption64(CURLOPT_INFILESIZE_LARGE, 3000), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_EQ(transfer_.responseCode(), 200);
  EXPECT_EQ(transfer_.bodyBytes(), payload);
  EXPECT_EQ(transfer_.uploadBuffer()->readPosition(), payload.size());

  // A routine that hands out seven bytes per call, then the end.
  std::size_t calls = 0;
  std::string source = "0123456789abcdefghij";
  std::size_t offset = 0;
  ASSERT_TRUE(transfer_.setReadHandler([&](char* destination, std::size_t size) {
    ++calls;
    const std::size_t n = std::min<std::size_t>({size, 7, source.size() - offset});
    source.copy(destination, n, offset);
    offset += n;
    return n;
  }));
  ASSERT_EQ(transfer_.setOption64(CURLOPT_INFILESIZE_LARGE, 20), CURLE_OK);
  ASSERT_EQ(transfer_.clearAndPerform(), CURLE_OK);
  EXPECT_EQ(transfer_.bodyBytes(), source);
  EXPECT_GE(calls, 3u);
}

TEST_F(CurlTransferLoopback, PostsTextAndBinaryBytes) {
  ASSERT_EQ(transfer_.setUrl(url("/echo")), CURLE_OK);
  ASSERT_EQ(transfer_.setPost(true), CURLE_OK);
  ASSERT_EQ(transfer_.setPostText("a=1&b=2"), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_EQ(transfer_.bodyBytes(), "a=1&b=2");

  const std::string binary("x\0y\0z", 5);
  ASSERT_EQ(transfer_.setPostBytes(binary), CURLE_OK);
  ASSERT_EQ(transfer_.clearAndPerform(), CURLE_OK);
  EXPECT_EQ(transfer_.bodyBytes(), binary);
  EXPECT_EQ(transfer_.bodyText(), "x");
  EXPECT_EQ(web_.requests().back().method, "POST");
}

TEST_F(CurlTransferLoopback, SendsHeadersCookieRefererAndAgentUntilHeadersAreCleared) {
  ASSERT_EQ(transfer_.setUrl(url("/text")), CURLE_OK);
  ASSERT_EQ(transfer_.setHeaders({"X-One: 1", "X-Two: 2"}), CURLE_OK);
  ASSERT_EQ(transfer_.setCookie("k=v; m=n"), CURLE_OK);
  ASSERT_EQ(transfer_.setReferer("http://example.invalid/from"), CURLE_OK);
  ASSERT_EQ(transfer_.setUserAgent("orvane-test/1"), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);

  ASSERT_EQ(transfer_.setHeaders({}), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);

  const auto requests = web_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].header("X-One"), "1");
  EXPECT_EQ(requests[0].header("X-Two"), "2");
  EXPECT_EQ(requests[0].header("Cookie"), "k=v; m=n");
  EXPECT_EQ(requests[0].header("Referer"), "http://example.invalid/from");
  EXPECT_EQ(requests[0].header("User-Agent"), "orvane-test/1");
  EXPECT_FALSE(requests[1].hasHeader("X-One"));
  EXPECT_FALSE(requests[1].hasHeader("X-Two"));
  EXPECT_EQ(requests[1].header("Cookie"), "k=v; m=n");
}

TEST_F(CurlTransferLoopback, CookieEngineListsWhatTheServerSet) {
  ASSERT_EQ(transfer_.setCookieFile(""), CURLE_OK);
  ASSERT_EQ(transfer_.setUrl(url("/setcookie")), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  std::vector<std::string> cookies;
  ASSERT_EQ(transfer_.cookieList(cookies), 1u);
  EXPECT_TRUE(cookies[0].ends_with("\ta\t1")) << cookies[0];

  ASSERT_EQ(transfer_.setCookieList("ALL"), CURLE_OK);
  EXPECT_EQ(transfer_.cookieList(cookies), 0u);
}

TEST_F(CurlTransferLoopback, ProgressRoutineSeesTheCountsAndCanAbort) {
  curl_off_t lastDownloaded = 0;
  curl_off_t lastTotal = 0;
  ASSERT_EQ(transfer_.setProgressHandler(
                [&](curl_off_t total, curl_off_t downloaded, curl_off_t, curl_off_t) {
                  lastTotal = total;
                  lastDownloaded = downloaded;
                  return 0;
                }),
            CURLE_OK);
  ASSERT_EQ(transfer_.setUrl(url("/big")), CURLE_OK);
  ASSERT_EQ(transfer_.perform(), CURLE_OK);
  EXPECT_EQ(lastTotal, static_cast<curl_off_t>(kBigSize));
  EXPECT_EQ(lastDownloaded, static_cast<curl_off_t>(kBigSize));

  ASSERT_EQ(transfer_.setProgressHandler(
                [](curl_off_t, curl_off_t, curl_off_t, curl_off_t) { return 1; }),
            CURLE_OK);
  EXPECT_EQ(transfer_.clearAndPerform(), CURLE_ABORTED_BY_CALLBACK);
}

TEST_F(CurlTransferLoopback, MimeFormPostsFieldsAndFiles) {
  char path[] = "/tmp/orvane-mime-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  { std::ofstream(path, std::ios::binary) << "file content"; }

  std::string summary;
  {
    CurlMimeForm form;
    ASSERT_TRUE(form.init(transfer_.handle()));
    ASSERT_TRUE(form.addData("field", "value"));
    ASSERT_TRUE(form.addData("typed", "{}", "application/json"));
    ASSERT_TRUE(form.addFile("upload", path, "name.txt", "text/plain"));
    ASSERT_EQ(transfer_.setUrl(url("/form")), CURLE_OK);
    ASSERT_EQ(transfer_.setMimePost(form), CURLE_OK);
    ASSERT_EQ(transfer_.perform(), CURLE_OK);
    summary = transfer_.bodyText();
    // The handle refers to the form: it goes first.
    transfer_.cleanup();
  }

  EXPECT_EQ(summary,
            "field|||value\n"
            "typed||application/json|{}\n"
            "upload|name.txt|text/plain|file content\n");
  EXPECT_EQ(web_.requests().back().method, "POST");
}

TEST(CurlTransferTimeouts, UnansweredRequestTimesOut) {
  testing::SilentListener silent;
  ASSERT_TRUE(silent.listening());
  CurlTransfer transfer;
  ASSERT_TRUE(transfer.init());
  ASSERT_EQ(transfer.setUrl("http://127.0.0.1:" + std::to_string(silent.port()) + "/"), CURLE_OK);
  ASSERT_EQ(transfer.setTimeoutsMs(2000, 300), CURLE_OK);
  EXPECT_EQ(transfer.perform(), CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(transfer.responseCode(), 0);
  EXPECT_EQ(transfer.bodyBytes(), "");
}

}  // namespace
}  // namespace orvane
