#include "server/http_request.h"

#include "http/curl_transfer.h"
#include "server/http_cookies.h"
#include "server/http_text.h"

namespace orvane {

std::string HttpRequest::fetch(std::string_view url, HttpReply& reply,
                               std::string_view cookies) const {
  if (options_.stop.stop_requested()) {
    return {};
  }
  CurlTransfer transfer;
  if (!transfer.init() || transfer.setUrl(normalizeUrl(url)) != CURLE_OK) {
    return {};
  }
  transfer.setSslVerify(false, false);
  transfer.setTimeoutsMs(options_.timeoutMs, options_.timeoutMs);
  if (!cookies.empty()) {
    transfer.setCookie(std::string(cookies));
  }
  transfer.setFollowLocation(false);
  transfer.setOption64(CURLOPT_FRESH_CONNECT, 1);
  transfer.setUserAgent(std::string(kUserAgent));
  transfer.setHeaders({"Cache-Control: no-cache", "Pragma: no-cache"});
  if (options_.stop.stop_possible()) {
    // libcurl asks at least once a second, also while waiting for data.
    transfer.setProgressHandler(
        [stop = options_.stop](curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
          return stop.stop_requested() ? 1 : 0;
        });
  }
  if (transfer.perform() != CURLE_OK) {
    return {};
  }
  reply.responded = true;
  reply.headerText = transfer.headerText();
  reply.cookies = mergeCookies(cookies, parseSetCookies(reply.headerText));
  reply.status = static_cast<int>(transfer.responseCode());
  if (reply.status < 200 || reply.status > 299) {
    return {};
  }
  return transfer.bodyBytes();
}

std::string HttpRequest::fetch(std::string_view url) const {
  HttpReply reply;
  return fetch(url, reply);
}

std::string HttpRequest::fetchWithRedirects(std::string_view url, int& status) const {
  std::string current = normalizeUrl(url);
  std::string cookies;
  for (int followed = 0;; ++followed) {
    HttpReply reply;
    std::string body = fetch(current, reply, cookies);
    if (!reply.responded) {
      return body;
    }
    status = reply.status;
    if (status < 300 || status > 399) {
      return body;
    }
    const std::string location = headerValue(reply.headerText, "Location");
    // Without a location there is nowhere to go; past the bound a server that
    // redirects in a circle must not hold the caller any longer.
    if (location.empty() || followed >= options_.maxRedirects) {
      return body;
    }
    current = normalizeUrl(resolveLocation(current, location));
    cookies = std::move(reply.cookies);
  }
}

}  // namespace orvane
