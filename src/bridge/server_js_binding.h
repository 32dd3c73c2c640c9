#pragma once
// The page function "serverJS": one argument, the envelope text; the
// dispatcher's answer is the call's value.
//
// Some commands start programs ("openfile"), so only the configured server's
// own page is answered: the call must come from the top-level document, and
// that document's origin must be the origin of the server's web base. Any
// other caller gets undefined, nothing is dispatched, and the day log names
// the refused origin.

#include <memory>

#include "bridge/bridge_context.h"
#include "bridge/dispatcher.h"
#include "webview/script_value.h"

namespace orvane {

inline constexpr const char* kServerJsFunction = "serverJS";

class ServerJsBinding {
 public:
  explicit ServerJsBinding(const BridgeContext& context);

  // UI thread, inside the page's call.
  ScriptValue call(const ScriptCall& call);

  // Binds "serverJS" on the view.
  void install();

 private:
  struct State {
    BridgeContext context;
    Dispatcher dispatcher;
  };
  static ScriptValue call(State& state, const ScriptCall& call);

  // Shared with the view's bound function.
  std::shared_ptr<State> state_;
};

}  // namespace orvane
