#pragma once
// The envelope page script, native code and the server exchange:
// {"c": class, "a": action, "uid": ..., "notme": bool, "data": arguments}.
//
// Two ways in. Text from the page is already program text (UTF-8). Bytes from
// the server's push service are code page 936 unless they carry the exact
// piece "char":"utf-8", in which case they are UTF-8; they are decoded once,
// and the same text is then parsed, logged and handed to the page.

#include <optional>
#include <string>
#include <string_view>

#include "json/json_document.h"

namespace orvane {

struct BridgeMessage {
  std::string c;    // class; a number or boolean reads as its text form
  std::string a;    // action within the class
  std::string uid;  // shared by the server and the page; not used here
  bool notme = false;
  // The arguments, a document of their own. Root Null when "data" is absent,
  // so every member reads as missing (0, false, empty text).
  JsonDocument data;
};

// The marker that makes server bytes UTF-8, compared exactly.
inline constexpr std::string_view kUtf8Marker = R"("char":"utf-8")";

// The envelope in program text; nothing when the text is empty or not JSON.
// A JSON value that is not an object (an array, say) parses, with every
// field empty.
std::optional<BridgeMessage> parseBridgeMessage(std::string_view text);

// Server bytes as program text, by the marker rule above. Bytes that claim
// UTF-8 but are not are repaired (U+FFFD), never passed on broken.
std::string decodeServerText(std::string_view bytes);

struct ServerBridgeMessage {
  std::string text;                      // the decoded text, for the log and the page
  std::optional<BridgeMessage> message;  // nothing when the text is not an envelope
};

// decodeServerText, then parseBridgeMessage of that text.
ServerBridgeMessage parseServerBridgeMessage(std::string_view bytes);

}  // namespace orvane
