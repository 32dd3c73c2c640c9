#pragma once
// How the main window takes the page requests other threads hand to the UI
// thread, and the gesture that opens the developer tools.

#include <string>

namespace orvane {

class WebView;
struct AppConfig;
struct AppState;

// The requests, numbered as the Windows client's registered message carries
// them in wParam.
enum PageRequest : int {
  kRunPageScriptRequest = 1,
  kReloadPageRequest = 2,
};

class BridgeMessageFilter {
 public:
  BridgeMessageFilter(WebView& view, const AppConfig& config, const AppState& state);

  // UI thread. Request 1 runs `script` in the page and answers the script's
  // value as an integer; the web views queue scripts and hand no value back,
  // so the answer is 0 there. Request 2 loads the page address again and
  // answers 1. Any other request does nothing and answers 1.
  int handleRequest(int request, const std::string& script = {});

  // UI thread. Opens the developer tools when [local] "debug" is exactly
  // "1". Answers 0: the double click always goes on to the page as well.
  int handleRightDoubleClick();

  // Gives the view the right-button double click.
  void install();

 private:
  WebView& view_;
  const AppConfig& config_;
  const AppState& state_;
};

}  // namespace orvane
