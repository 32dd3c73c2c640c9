#pragma once
// The page side of the GTK web view's bridge. WebKitGTK has no native way to
// give a page a synchronous function, so a script injected at document start
// in the top frame defines each bound function as a synchronous POST to the
// program's own URI scheme; the scheme handler answers with the function's
// value in the small text form below. The same script reports console
// messages and uncaught errors to a script message handler.

#include <optional>
#include <string>
#include <vector>

#include "webview/script_value.h"

namespace orvane::page_bridge {

// The URI scheme of bound function calls: "orvane-call://call/<name>".
inline constexpr const char* kCallScheme = "orvane-call";
// The script message handler that receives console messages.
inline constexpr const char* kConsoleHandler = "orvaneConsole";

// A bound function's name must be a plain script identifier.
bool isFunctionName(const std::string& name);

// The name of the function a call URI asks for, when it is one.
std::optional<std::string> functionNameOfCallUri(const std::string& uri);

// The script injected into every top-level document.
std::string bootstrapScript(const std::vector<std::string>& functionNames);

// The reply body the injected function turns back into `value`: "u"
// (undefined), "b0"/"b1", "i" + decimal, "s" + text.
std::string encodeReply(const ScriptValue& value);

// "scheme://host:port" of an absolute URI or of an Origin header, with the
// scheme's default port written out (http 80, https 443) and an IPv6 host in
// brackets; empty for an opaque origin ("null", data:, about:) or text that
// is not a URI with a host.
std::string originOf(const std::string& uri);

}  // namespace orvane::page_bridge
