#pragma once
// The script bridge in one piece, as the startup sequence sets it up: the
// console handler, the "serverJS" function, the message filter, and the page
// requests other threads (the push channel) use.

#include "bridge/bridge_context.h"
#include "bridge/bridge_message_filter.h"
#include "bridge/console_handler.h"
#include "bridge/page_requests.h"
#include "bridge/server_js_binding.h"

namespace orvane {

class Bridge {
 public:
  explicit Bridge(const BridgeContext& context, PageRequestOptions options = {});
  Bridge(const Bridge&) = delete;
  Bridge& operator=(const Bridge&) = delete;

  // UI thread, after the view is bound and before the page is first loaded:
  // the console handler, then "serverJS", then the message filter's gesture.
  void install();

  PageRequests& pageRequests() { return pageRequests_; }
  BridgeMessageFilter& filter() { return filter_; }

 private:
  ConsoleHandler console_;
  ServerJsBinding serverJs_;
  BridgeMessageFilter filter_;
  PageRequests pageRequests_;
};

}  // namespace orvane
