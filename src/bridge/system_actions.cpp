#include <array>
#include <optional>

#include "bridge/bridge_actions.h"
#include "config/app_config.h"
#include "config/ini_file.h"
#include "sys/system_services.h"

namespace orvane {

namespace {

ScriptValue openUrl(const BridgeContext& context, const JsonDocument& data) {
  return context.system.openUrl(dataText(data, "url"), dataInt(data, "show"));
}

ScriptValue openFile(const BridgeContext& context, const JsonDocument& data) {
  return context.system.openFile(dataText(data, "path"), dataText(data, "param"),
                                 dataInt(data, "show"));
}

ScriptValue machineName(const BridgeContext& context, const JsonDocument&) {
  return context.state.machineName;
}

ScriptValue readIni(const BridgeContext& context, const JsonDocument& data) {
  return readIniString(context.config.configPath, dataText(data, "node"), dataText(data, "key"),
                       dataText(data, "value"), kIniReadBufferSize);
}

ScriptValue writeIni(const BridgeContext& context, const JsonDocument& data) {
  const std::string value = dataText(data, "value");
  // An empty value removes the key.
  const std::optional<std::string_view> written =
      value.empty() ? std::nullopt : std::optional<std::string_view>(value);
  return writeIniString(context.config.configPath, dataText(data, "node"), dataText(data, "key"),
                        written);
}

ScriptValue runPath(const BridgeContext& context, const JsonDocument&) {
  return context.config.runDirectory;
}

ScriptValue appName(const BridgeContext& context, const JsonDocument&) {
  return context.config.appName;
}

ScriptValue exists(const BridgeContext& context, const JsonDocument& data) {
  return context.system.pathExists(dataText(data, "path"));
}

ScriptValue processId(const BridgeContext& context, const JsonDocument& data) {
  ProcessQuery query;
  query.name = dataText(data, "name");
  return static_cast<std::int32_t>(context.system.findProcess(query));
}

// One row per line, in lookup order.
// clang-format off
constexpr std::array kSystemActions{
    BridgeAction{"openurl", openUrl},
    BridgeAction{"openfile", openFile},
    BridgeAction{"pcname", machineName},
    BridgeAction{"readini", readIni},
    BridgeAction{"writeini", writeIni},
    BridgeAction{"runpath", runPath},
    BridgeAction{"appname", appName},
    BridgeAction{"exists", exists},
    BridgeAction{"getpid", processId},
};
// clang-format on

}  // namespace

std::span<const BridgeAction> systemActions() { return kSystemActions; }

}  // namespace orvane
