#include "app/server_readiness.h"

#include "server/http_request.h"

namespace orvane {

bool isServerReady(const std::string& webBase, std::stop_token stop) {
  if (webBase.empty() || stop.stop_requested()) return false;
  HttpRequestOptions options;
  options.stop = std::move(stop);
  int status = 0;
  HttpRequest(options).fetchWithRedirects(webBase, status);
  return status >= 200 && status <= 299;
}

}  // namespace orvane
