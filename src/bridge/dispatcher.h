#pragma once
// What the page's "serverJS" runs: log the envelope, parse it, find its
// class and action, act, and answer the call's value. UI thread only, inside
// the page's call.

#include <string_view>

#include "bridge/bridge_context.h"
#include "webview/script_value.h"

namespace orvane {

class Dispatcher {
 public:
  explicit Dispatcher(const BridgeContext& context);

  // false for empty text and text that is not an envelope; undefined for a
  // class other than "window" and "sys" and for an action not in its table;
  // otherwise the action's answer.
  ScriptValue dispatch(std::string_view text);

 private:
  BridgeContext context_;
};

}  // namespace orvane
