#include "bridge/console_report.h"

#include "json/json_document.h"

namespace orvane {

std::string jsonStringBody(std::string_view text) {
  JsonDocument document;
  document.reset();
  document.setString(std::string_view{}, text);
  const std::string quoted = document.toText(std::string_view{}, /*pretty=*/false, /*escape=*/true);
  const auto first = quoted.find('"');
  const auto last = quoted.rfind('"');
  if (first == std::string::npos || last <= first) return {};
  return quoted.substr(first + 1, last - first - 1);
}

std::string consoleLogMessage(const ConsoleMessage& message) {
  return "level:" + std::to_string(message.level) + " msg:" + message.message +
         " sname:" + message.sourceName + " line:" + std::to_string(message.line) +
         " fllow:" + message.stackTrace;
}

std::string consoleReportEnvelope(const ConsoleMessage& message) {
  const std::string draft = R"({\'c\':\'sys\',\'a\':\'error\',\'data\':{\'level\':)" +
                            std::to_string(message.level) + R"(,\'line\':)" +
                            std::to_string(message.line) + R"(,\'msg\':\')" +
                            jsonStringBody(message.message) + R"(\',\'sname\':\')" +
                            jsonStringBody(message.sourceName) + R"(\'}})";
  std::string envelope;
  envelope.reserve(draft.size());
  for (std::size_t i = 0; i < draft.size(); ++i) {
    if (draft[i] == '\\' && i + 1 < draft.size() && draft[i + 1] == '\'') {
      envelope += '"';
      ++i;
    } else {
      envelope += draft[i];
    }
  }
  return envelope;
}

std::string pageCallScript(std::string_view envelope) {
  std::string script = "clientJS2(";
  script += envelope;
  script += ')';
  return script;
}

}  // namespace orvane
