#include "bridge/bridge_message_filter.h"

#include "bridge/bridge_context.h"
#include "config/app_config.h"
#include "config/config_keys.h"
#include "config/ini_file.h"
#include "webview/web_view.h"

namespace orvane {

namespace {

void openDevToolsWhenEnabled(WebView& view, const AppConfig& config) {
  if (readIniString(config.configPath, kLocalDebug.section, kLocalDebug.key,
                    kLocalDebug.defaultValue) != "1") {
    return;
  }
  // The run directory ends in the platform's separator; the page below it
  // uses the same one.
  const char separator =
      !config.runDirectory.empty() && config.runDirectory.back() == '\\' ? '\\' : '/';
  view.showDevTools(config.runDirectory + "front_end" + separator + "inspector.html");
}

}  // namespace

BridgeMessageFilter::BridgeMessageFilter(WebView& view, const AppConfig& config,
                                         const AppState& state)
    : view_(view), config_(config), state_(state) {}

int BridgeMessageFilter::handleRequest(int request, const std::string& script) {
  switch (request) {
    case kRunPageScriptRequest:
      view_.runScript(script);
      return 0;
    case kReloadPageRequest:
      view_.load(state_.pageUrl);
      return 1;
    default:
      return 1;
  }
}

int BridgeMessageFilter::handleRightDoubleClick() {
  openDevToolsWhenEnabled(view_, config_);
  return 0;
}

void BridgeMessageFilter::install() {
  // The view keeps the handler; it reaches only things that outlive the view.
  view_.setRightDoubleClickHandler(
      [&view = view_, &config = config_] { openDevToolsWhenEnabled(view, config); });
}

}  // namespace orvane
