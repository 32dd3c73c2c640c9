#include "bridge/console_handler.h"

#include <utility>

#include "bridge/console_report.h"

namespace orvane {

ConsoleHandler::ConsoleHandler(WebView& view, LogSink log)
    : state_(std::make_shared<State>(State{view, std::move(log), 0})) {}

void ConsoleHandler::handle(const ConsoleMessage& message) { handle(state_, message); }

void ConsoleHandler::install() {
  state_->view.setConsoleHandler(
      [state = state_](const ConsoleMessage& message) { handle(state, message); });
}

void ConsoleHandler::handle(const std::shared_ptr<State>& state, const ConsoleMessage& message) {
  if (message.level <= kHighestIgnoredConsoleLevel) return;
  if (state->log) state->log("控制台消息", consoleLogMessage(message));
  if (state->reportsInDelivery > 0) return;

  ++state->reportsInDelivery;
  state->view.runScriptThen(pageCallScript(consoleReportEnvelope(message)),
                            [state] { --state->reportsInDelivery; });
}

}  // namespace orvane
