#include "webview/page_bridge_gtk.h"

#include <glib.h>

#include <string_view>
#include <type_traits>

#include "webview/glib_ptr_gtk.h"

namespace orvane::page_bridge {

namespace {

// Installed before any script of the page runs. It keeps its own reference
// to XMLHttpRequest, so a page that replaces the global later still calls
// through the real one.
constexpr std::string_view kScriptHead = R"JS((function () {
  'use strict';
  var Request = window.XMLHttpRequest;
  var call = function (name, text) {
    var request = new Request();
    try {
      request.open('POST', 'orvane-call://call/' + name, false);
      request.send(text === undefined ? '' : String(text));
    } catch (e) {
      return undefined;
    }
    if (request.status !== 200) return undefined;
    var reply = request.responseText;
    switch (reply.charAt(0)) {
      case 's': return reply.substring(1);
      case 'i': return parseInt(reply.substring(1), 10);
      case 'b': return reply.charAt(1) === '1';
      default: return undefined;
    }
  };
  var bind = function (name) {
    window[name] = function (text) { return call(name, text); };
  };
)JS";

constexpr std::string_view kScriptTail = R"JS(
  var post = function (level, text, source, line, stack) {
    try {
      window.webkit.messageHandlers.orvaneConsole.postMessage({
        level: level, text: String(text), source: String(source || ''),
        line: Number(line) || 0, stack: String(stack || '')
      });
    } catch (e) {}
  };
  var show = function (value) {
    if (typeof value === 'string') return value;
    try {
      if (value instanceof Error) return String(value);
      var json = JSON.stringify(value);
      if (json !== undefined) return json;
    } catch (e) {}
    return String(value);
  };
  // Where a console call came from: the frame below our own wrapper, written
  // by the engine as "function@url:line:column".
  var caller = function (frames) {
    var frame = frames.length > 0 ? frames[0] : '';
    var at = frame.lastIndexOf('@');
    var place = /^(.*):(\d+):(\d+)$/.exec(at >= 0 ? frame.substring(at + 1) : frame);
    return place ? {source: place[1], line: Number(place[2])} : {source: '', line: 0};
  };
  var levels = {log: 1, warn: 2, error: 3, debug: 4, info: 5};
  Object.keys(levels).forEach(function (name) {
    var original = console[name];
    console[name] = function () {
      var text = Array.prototype.map.call(arguments, show).join(' ');
      var frames = String(new Error().stack || '').split('\n').slice(1);
      var from = caller(frames);
      post(levels[name], text, from.source, from.line, frames.join('\n'));
      if (typeof original === 'function') return original.apply(console, arguments);
    };
  });
  window.addEventListener('error', function (event) {
    post(3, event.message, event.filename, event.lineno, event.error && event.error.stack);
  });
  window.addEventListener('unhandledrejection', function (event) {
    var reason = event.reason;
    post(3, 'Unhandled promise rejection: ' + show(reason), '', 0, reason && reason.stack);
  });
})();
)JS";

constexpr std::string_view kCallPrefix = "orvane-call://call/";

}  // namespace

bool isFunctionName(const std::string& name) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
    const bool digit = c >= '0' && c <= '9';
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

std::optional<std::string> functionNameOfCallUri(const std::string& uri) {
  if (uri.compare(0, kCallPrefix.size(), kCallPrefix) != 0) return std::nullopt;
  std::string name = uri.substr(kCallPrefix.size());
  if (!isFunctionName(name)) return std::nullopt;
  return name;
}

std::string bootstrapScript(const std::vector<std::string>& functionNames) {
  std::string script(kScriptHead);
  for (const std::string& name : functionNames) {
    // Names are identifiers, so they need no escaping in a string literal.
    if (isFunctionName(name)) script += "  bind('" + name + "');\n";
  }
  script += kScriptTail;
  return script;
}

std::string encodeReply(const ScriptValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, ScriptUndefined>) {
          return "u";
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "b1" : "b0";
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          return "i" + std::to_string(v);
        } else {
          return "s" + v;
        }
      },
      value);
}

std::string originOf(const std::string& uri) {
  GUri* parsed = g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (parsed == nullptr) return {};
  struct Unref {
    void operator()(GUri* u) const { g_uri_unref(u); }
  };
  const std::unique_ptr<GUri, Unref> owner(parsed);
  const char* scheme = g_uri_get_scheme(parsed);
  const char* host = g_uri_get_host(parsed);
  if (scheme == nullptr || host == nullptr || *host == '\0') return {};
  const GCharPtr lowerScheme(g_ascii_strdown(scheme, -1));
  const GCharPtr lowerHost(g_ascii_strdown(host, -1));
  const std::string s = lowerScheme.get();
  int port = g_uri_get_port(parsed);
  if (port < 0) {
    if (s == "http" || s == "ws") port = 80;
    if (s == "https" || s == "wss") port = 443;
  }
  std::string h = lowerHost.get();
  if (h.find(':') != std::string::npos) h = "[" + h + "]";
  return port < 0 ? s + "://" + h : s + "://" + h + ":" + std::to_string(port);
}

}  // namespace orvane::page_bridge
