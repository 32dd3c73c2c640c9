#include "bridge/bridge_message.h"

#include <utility>

#include "sys/codepage.h"
#include "sys/utf.h"

namespace orvane {

std::optional<BridgeMessage> parseBridgeMessage(std::string_view text) {
  if (text.empty()) return std::nullopt;
  JsonDocument document;
  if (!document.parse(text, /*decodeUnicodeEscapes=*/false)) return std::nullopt;

  BridgeMessage message;
  message.c = document.getText("c");
  message.a = document.getText("a");
  message.uid = document.getText("uid");
  message.notme = document.getBoolean("notme");
  // Only an existing member is copied: copying creates what it cannot find.
  message.data = document.exists("data") ? document.copyAt("data") : JsonDocument::newNull();
  return message;
}

std::string decodeServerText(std::string_view bytes) {
  if (bytes.find(kUtf8Marker) != std::string_view::npos) return text::sanitizeUtf8(bytes);
  return gbkToUtf8(bytes);
}

ServerBridgeMessage parseServerBridgeMessage(std::string_view bytes) {
  ServerBridgeMessage result;
  result.text = decodeServerText(bytes);
  result.message = parseBridgeMessage(result.text);
  return result;
}

}  // namespace orvane
