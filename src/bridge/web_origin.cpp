#include "bridge/web_origin.h"

#include <cctype>

namespace orvane {

namespace {

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool isSchemeChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' || c == '.';
}

int defaultPort(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return -1;
}

// The port text as a number; -1 when it is not one from 0 to 65535.
int portNumber(std::string_view digits) {
  if (digits.empty()) return -1;
  long value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > 65535) return -1;
  }
  return static_cast<int>(value);
}

}  // namespace

std::string normalizeOrigin(std::string_view text) {
  const auto schemeEnd = text.find("://");
  if (schemeEnd == std::string_view::npos || schemeEnd == 0) return {};
  const std::string_view schemeText = text.substr(0, schemeEnd);
  if (std::isalpha(static_cast<unsigned char>(schemeText.front())) == 0) return {};
  for (const char c : schemeText) {
    if (!isSchemeChar(c)) return {};
  }
  const std::string scheme = lowerAscii(schemeText);

  std::string_view authority = text.substr(schemeEnd + 3);
  authority = authority.substr(0, authority.find_first_of("/?#\\"));
  const auto at = authority.rfind('@');
  if (at != std::string_view::npos) authority = authority.substr(at + 1);

  std::string_view host;
  std::string_view portText;
  bool hasPort = false;
  if (!authority.empty() && authority.front() == '[') {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return {};
    host = authority.substr(0, close + 1);
    const std::string_view rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return {};
      hasPort = true;
      portText = rest.substr(1);
    }
  } else {
    const auto colon = authority.find(':');
    host = authority.substr(0, colon);
    if (colon != std::string_view::npos) {
      hasPort = true;
      portText = authority.substr(colon + 1);
    }
  }
  if (host.empty() || host == "[]") return {};

  // An empty port ("host:") is the scheme's default, as browsers read it.
  int port = hasPort && !portText.empty() ? portNumber(portText) : defaultPort(scheme);
  if (port < 0) return {};
  return scheme + "://" + lowerAscii(host) + ":" + std::to_string(port);
}

}  // namespace orvane
