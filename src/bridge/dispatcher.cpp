#include "bridge/dispatcher.h"

#include <string>

#include "bridge/bridge_actions.h"
#include "bridge/bridge_message.h"

namespace orvane {

std::int32_t dataInt(const JsonDocument& data, std::string_view key) {
  const auto wide = static_cast<std::uint64_t>(data.getInteger64(key));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(wide & 0xFFFF'FFFFu));
}

bool dataBool(const JsonDocument& data, std::string_view key) { return data.getBoolean(key); }

std::string dataText(const JsonDocument& data, std::string_view key) { return data.getText(key); }

Dispatcher::Dispatcher(const BridgeContext& context) : context_(context) {}

ScriptValue Dispatcher::dispatch(std::string_view text) {
  if (context_.log) context_.log("WKE", "OnServer json:" + std::string(text));
  if (text.empty()) return false;
  const std::optional<BridgeMessage> message = parseBridgeMessage(text);
  if (!message) return false;

  std::span<const BridgeAction> table;
  if (message->c == "window") {
    table = windowActions();
  } else if (message->c == "sys") {
    table = systemActions();
  } else {
    return ScriptUndefined{};
  }
  for (const BridgeAction& action : table) {
    if (action.name == message->a) return action.run(context_, message->data);
  }
  return ScriptUndefined{};
}

}  // namespace orvane
