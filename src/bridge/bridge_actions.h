#pragma once
// The page's commands: one table per class, looked up by action name in
// table order. Each action reads its arguments from the envelope's data and
// answers the value the page's "serverJS" call returns.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "bridge/bridge_context.h"
#include "json/json_document.h"
#include "webview/script_value.h"

namespace orvane {

struct BridgeAction {
  std::string_view name;
  ScriptValue (*run)(const BridgeContext& context, const JsonDocument& data);
};

// Class "window": the main window and the view's window behaviour.
std::span<const BridgeAction> windowActions();
// Class "sys": URLs and files, config.ini, names, paths and processes.
std::span<const BridgeAction> systemActions();

// Arguments. A missing member reads as 0, false or empty text; an integer
// is the low 32 bits of the member read as a 64-bit integer.
std::int32_t dataInt(const JsonDocument& data, std::string_view key);
bool dataBool(const JsonDocument& data, std::string_view key);
std::string dataText(const JsonDocument& data, std::string_view key);

}  // namespace orvane
