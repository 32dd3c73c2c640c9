#pragma once
// The client's HTTP requests to its server: one GET per call over a fresh
// transfer object, no caching, a browser user agent, no certificate checks.
// A body comes back only for a 2xx status; every failure is an empty body.
// Calls are independent and may run on any thread; each blocks its thread for
// the whole transfer (or until the stop token is triggered).

#include <stop_token>
#include <string>
#include <string_view>
#include <utility>

namespace orvane {

struct HttpRequestOptions {
  long timeoutMs = 30000;  // to connect, and for the whole transfer
  int maxRedirects = 10;   // fetchWithRedirects follows at most this many
  std::stop_token stop{};  // when triggered, a transfer in flight is abandoned
};

// What one response left besides its body. Nothing here changes when no
// response came (refused, timed out, abandoned).
struct HttpReply {
  bool responded = false;
  int status = 0;
  std::string headerText;  // header lines of the response, "\r\n" after each
  std::string cookies;     // the cookies sent merged with those the response set
};

class HttpRequest {
 public:
  static constexpr std::string_view kUserAgent =
      "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/55.0.2883.87 Safari/537.36";

  explicit HttpRequest(HttpRequestOptions options = {}) : options_(std::move(options)) {}

  // One GET of the (normalised) address, sending `cookies` when not empty.
  std::string fetch(std::string_view url, HttpReply& reply, std::string_view cookies = {}) const;
  std::string fetch(std::string_view url) const;

  // GETs that follow 3xx answers with a Location, carrying the cookies set
  // along the chain. `status` is that of the last response received (left as
  // it was when none came). A chain longer than maxRedirects ends at the
  // first 3xx past the bound, whose status the caller sees, with no body.
  std::string fetchWithRedirects(std::string_view url, int& status) const;

 private:
  HttpRequestOptions options_;
};

}  // namespace orvane
