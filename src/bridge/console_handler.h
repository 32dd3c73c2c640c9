#pragma once
// The page's console as the program sees it: errors and above go to the day
// log and back to the page's clientJS2 as a "sys"/"error" envelope.
//
// A page that has no clientJS2, or whose clientJS2 itself logs an error, would
// answer every report with a new error. So a message that arrives while a
// report is still being delivered (from handing it to the view until the
// view says the page has run it) is logged but not reported again.

#include <memory>

#include "bridge/bridge_context.h"
#include "webview/web_view.h"

namespace orvane {

class ConsoleHandler {
 public:
  ConsoleHandler(WebView& view, LogSink log);

  // UI thread.
  void handle(const ConsoleMessage& message);

  // Gives the view this handler.
  void install();

 private:
  struct State {
    WebView& view;
    LogSink log;
    int reportsInDelivery = 0;
  };
  static void handle(const std::shared_ptr<State>& state, const ConsoleMessage& message);

  // Shared with the view's handler and with the reports in delivery.
  std::shared_ptr<State> state_;
};

}  // namespace orvane
