#include "bridge/page_requests.h"

#include "bridge/bridge_message_filter.h"
#include "bridge/ui_thread.h"
#include "webview/web_view.h"

namespace orvane {

PageRequests::PageRequests(UiThread& ui, WebView& view, BridgeMessageFilter& filter,
                           PageRequestOptions options)
    : ui_(ui), view_(view), filter_(filter), options_(options) {}

bool PageRequests::runPageScript(const std::string& script) {
  if (ui_.tearingDown()) return false;
  // A slow page holds other threads back here rather than letting scripts
  // pile up. The UI thread itself never waits: it is the thread that lets
  // the page make room.
  if (!ui_.isUiThread() && !view_.waitForScriptCapacity(options_.scriptCapacityTimeout)) {
    return false;
  }
  // The script stays the caller's: invoke returns only after it has run.
  return ui_.invoke([&] { filter_.handleRequest(kRunPageScriptRequest, script); });
}

bool PageRequests::reloadPage() {
  return ui_.invoke([&] { filter_.handleRequest(kReloadPageRequest); });
}

}  // namespace orvane
