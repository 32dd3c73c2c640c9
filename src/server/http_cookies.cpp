#include "server/http_cookies.h"

#include <utility>
#include <vector>

#include "server/http_text.h"
#include "server/text_search.h"

namespace orvane {

namespace {

struct Cookie {
  std::string name;
  std::string value;
};

// Splits one "name=value" piece; false when it has no '=' or no name.
bool splitPair(std::string_view piece, Cookie& cookie) {
  const std::size_t equals = piece.find('=');
  if (equals == std::string_view::npos) {
    return false;
  }
  cookie.name = trimBlanks(piece.substr(0, equals));
  cookie.value = trimBlanks(piece.substr(equals + 1));
  return !cookie.name.empty();
}

// Cookie text split at ';' into its pieces, trimmed, empty ones skipped.
std::vector<std::string_view> pieces(std::string_view text) {
  std::vector<std::string_view> result;
  while (!text.empty()) {
    const std::size_t semicolon = text.find(';');
    const std::string_view piece = trimBlanks(text.substr(0, semicolon));
    if (!piece.empty()) {
      result.push_back(piece);
    }
    text.remove_prefix(semicolon == std::string_view::npos ? text.size() : semicolon + 1);
  }
  return result;
}

std::string_view withoutTrailingSemicolon(std::string_view text) {
  text = trimBlanks(text);
  if (text.ends_with(';')) {
    text.remove_suffix(1);
  }
  return trimBlanks(text);
}

void appendPiece(std::string& text, std::string_view piece) {
  if (!text.empty()) {
    text += "; ";
  }
  text += piece;
}

}  // namespace

std::string parseSetCookies(std::string_view headerText) {
  std::vector<Cookie> cookies;
  for (const std::string& line : headerValues(headerText, "Set-Cookie")) {
    const std::string_view setCookie = line;
    Cookie cookie;
    if (!splitPair(setCookie.substr(0, setCookie.find(';')), cookie)) {
      continue;
    }
    bool replaced = false;
    for (Cookie& existing : cookies) {
      if (existing.name == cookie.name) {
        existing.value = std::move(cookie.value);
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      cookies.push_back(std::move(cookie));
    }
  }
  std::string text;
  for (const Cookie& cookie : cookies) {
    appendPiece(text, cookie.name + "=" + cookie.value);
  }
  return text;
}

std::string mergeCookies(std::string_view oldCookies, std::string_view newCookies) {
  const std::string_view older = withoutTrailingSemicolon(oldCookies);
  const std::string_view newer = withoutTrailingSemicolon(newCookies);
  if (older.empty()) {
    return std::string(newer);
  }
  if (newer.empty()) {
    return std::string(older);
  }
  std::vector<std::string> names;
  for (std::string_view piece : pieces(newer)) {
    Cookie cookie;
    if (splitPair(piece, cookie)) {
      names.push_back(std::move(cookie.name));
    }
  }
  std::string merged(newer);
  for (std::string_view piece : pieces(older)) {
    Cookie cookie;
    if (!splitPair(piece, cookie)) {
      continue;
    }
    bool known = false;
    for (const std::string& name : names) {
      known = known || name == cookie.name;
    }
    if (!known) {
      names.push_back(cookie.name);
      appendPiece(merged, piece);
    }
  }
  return merged;
}

}  // namespace orvane
