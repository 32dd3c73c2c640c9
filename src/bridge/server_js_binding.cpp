#include "bridge/server_js_binding.h"

#include <string>

#include "bridge/web_origin.h"
#include "webview/web_view.h"

namespace orvane {

ServerJsBinding::ServerJsBinding(const BridgeContext& context)
    : state_(std::make_shared<State>(State{context, Dispatcher(context)})) {}

ScriptValue ServerJsBinding::call(const ScriptCall& scriptCall) {
  return call(*state_, scriptCall);
}

void ServerJsBinding::install() {
  state_->context.view.bindFunction(
      kServerJsFunction,
      [state = state_](const ScriptCall& scriptCall) { return call(*state, scriptCall); });
}

ScriptValue ServerJsBinding::call(State& state, const ScriptCall& scriptCall) {
  const std::string callerOrigin = normalizeOrigin(scriptCall.origin);
  const std::string serverOrigin =
      normalizeOrigin(state.context.serverWebBase ? state.context.serverWebBase() : std::string());
  if (!scriptCall.topFrame || callerOrigin.empty() || callerOrigin != serverOrigin) {
    if (state.context.log) {
      const std::string shown =
          scriptCall.origin.empty() ? std::string("(none)") : scriptCall.origin;
      state.context.log(
          "WKE", "OnServer refused origin:" + shown + (scriptCall.topFrame ? "" : " frame:child"));
    }
    return ScriptUndefined{};
  }
  return state.dispatcher.dispatch(scriptCall.argument);
}

}  // namespace orvane
