#pragma once
// The values a native page function ("serverJS") can hand back to the page,
// and what the engine tells us about a call.

#include <cstdint>
#include <string>
#include <variant>

namespace orvane {

// `undefined` in the page.
struct ScriptUndefined {
  bool operator==(const ScriptUndefined&) const = default;
};

// undefined, a boolean (false stands for the engine's jsFalse too), a 32-bit
// integer, or a string (program text, UTF-8).
using ScriptValue = std::variant<ScriptUndefined, bool, std::int32_t, std::string>;

// One call of a bound page function.
struct ScriptCall {
  std::string argument;   // the first argument as program text
  std::string origin;     // origin of the calling document: scheme://host:port
  bool topFrame = true;   // false when an iframe made the call
};

}  // namespace orvane
