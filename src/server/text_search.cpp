#include "server/text_search.h"

namespace orvane {

namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool matchesAt(std::string_view text, std::size_t at, std::string_view what, bool caseSensitive) {
  if (caseSensitive) {
    return text.compare(at, what.size(), what) == 0;
  }
  for (std::size_t i = 0; i < what.size(); ++i) {
    if (foldAscii(text[at + i]) != foldAscii(what[i])) {
      return false;
    }
  }
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::size_t findText(std::string_view text, std::string_view what, std::size_t from,
                     bool caseSensitive) {
  if (what.empty() || from > text.size() || what.size() > text.size() - from) {
    return std::string_view::npos;
  }
  for (std::size_t at = from; at + what.size() <= text.size(); ++at) {
    if (matchesAt(text, at, what, caseSensitive)) {
      return at;
    }
  }
  return std::string_view::npos;
}

std::size_t findLastText(std::string_view text, std::string_view what, bool caseSensitive) {
  if (what.empty() || what.size() > text.size()) {
    return std::string_view::npos;
  }
  for (std::size_t at = text.size() - what.size() + 1; at-- > 0;) {
    if (matchesAt(text, at, what, caseSensitive)) {
      return at;
    }
  }
  return std::string_view::npos;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && matchesAt(a, 0, b, false);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && matchesAt(text, 0, prefix, false);
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && isBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace orvane
