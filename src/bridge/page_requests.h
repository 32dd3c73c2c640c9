#pragma once
// How any thread reaches the page: run a script in it, or load the page
// address again. The caller waits until the UI thread has handled the
// request; requests from different threads run one at a time in the order
// they arrived; a call on the UI thread runs at once; once teardown has begun
// they return at once without running. The push channel sends every pushed
// message this way.

#include <chrono>
#include <string>

namespace orvane {

class BridgeMessageFilter;
class UiThread;
class WebView;

struct PageRequestOptions {
  // How long a sender waits while the page is still busy with earlier
  // scripts before it drops its own.
  std::chrono::milliseconds scriptCapacityTimeout{10000};
};

class PageRequests {
 public:
  PageRequests(UiThread& ui, WebView& view, BridgeMessageFilter& filter,
               PageRequestOptions options = {});

  // Any thread. False when the script did not reach the page: teardown has
  // begun, or the page stayed too busy (the script is dropped).
  bool runPageScript(const std::string& script);
  // Any thread. False once teardown has begun.
  bool reloadPage();

 private:
  UiThread& ui_;
  WebView& view_;
  BridgeMessageFilter& filter_;
  PageRequestOptions options_;
};

}  // namespace orvane
