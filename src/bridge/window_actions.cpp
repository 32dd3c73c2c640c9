#include <array>

#include "bridge/bridge_actions.h"
#include "bridge/ui_thread.h"
#include "webview/main_window.h"
#include "webview/web_view.h"

namespace orvane {

namespace {

ScriptValue nothing(const BridgeContext&, const JsonDocument&) { return ScriptUndefined{}; }

ScriptValue center(const BridgeContext& context, const JsonDocument&) {
  context.view.moveToCenter();
  return ScriptUndefined{};
}

ScriptValue close(const BridgeContext& context, const JsonDocument&) {
  // The page's serverJS call is still running inside the view that the
  // window's destruction takes down, so the window goes only after the call
  // has returned, from the UI thread's queue. Once teardown has begun the
  // window is going anyway and the post is refused. The window object lives
  // as long as the UI loop that runs the posted task.
  MainWindow& window = context.window;
  context.ui.post([&window] { window.destroy(); });
  return ScriptUndefined{};
}

ScriptValue show(const BridgeContext& context, const JsonDocument& data) {
  context.window.show(dataInt(data, "show"));
  return ScriptUndefined{};
}

ScriptValue left(const BridgeContext& context, const JsonDocument&) {
  return context.window.outerRect().left;
}
ScriptValue top(const BridgeContext& context, const JsonDocument&) {
  return context.window.outerRect().top;
}
ScriptValue width(const BridgeContext& context, const JsonDocument&) {
  return context.window.outerRect().width;
}
ScriptValue height(const BridgeContext& context, const JsonDocument&) {
  return context.window.outerRect().height;
}
ScriptValue title(const BridgeContext& context, const JsonDocument&) {
  return context.window.caption();
}

ScriptValue setDrag(const BridgeContext& context, const JsonDocument& data) {
  context.view.setResizable(dataBool(data, "on"));
  context.view.setMinTrackSize(dataInt(data, "dminw"), dataInt(data, "dminh"));
  context.view.setMaxTrackSize(dataInt(data, "dmaxw"), dataInt(data, "dmaxh"));
  return ScriptUndefined{};
}

ScriptValue setDragMin(const BridgeContext& context, const JsonDocument& data) {
  context.view.setMinTrackSize(dataInt(data, "width"), dataInt(data, "height"));
  return ScriptUndefined{};
}

ScriptValue setDragMax(const BridgeContext& context, const JsonDocument& data) {
  context.view.setMaxTrackSize(dataInt(data, "width"), dataInt(data, "height"));
  return ScriptUndefined{};
}

// Names the pages use that do nothing stay in the table, so they answer
// undefined as accepted commands.
// One row per line, in lookup order.
// clang-format off
constexpr std::array kWindowActions{
    BridgeAction{"init", nothing},
    BridgeAction{"center", center},
    BridgeAction{"move", nothing},
    BridgeAction{"setleft", nothing},
    BridgeAction{"settop", nothing},
    BridgeAction{"setwidth", nothing},
    BridgeAction{"setheight", nothing},
    BridgeAction{"settitle", nothing},
    BridgeAction{"close", close},
    BridgeAction{"show", show},
    BridgeAction{"left", left},
    BridgeAction{"top", top},
    BridgeAction{"width", width},
    BridgeAction{"height", height},
    BridgeAction{"title", title},
    BridgeAction{"setforeground", nothing},
    BridgeAction{"foreground", nothing},
    BridgeAction{"setdrag", setDrag},
    BridgeAction{"setdmin", setDragMin},
    BridgeAction{"setdmax", setDragMax},
};
// clang-format on

}  // namespace

std::span<const BridgeAction> windowActions() { return kWindowActions; }

}  // namespace orvane
