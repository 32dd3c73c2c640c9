#include "server/text_between.h"

#include "server/text_search.h"

namespace orvane {

std::string textBetween(std::string_view text, std::string_view left, std::string_view right,
                        const TextBetweenOptions& options) {
  if (text.empty()) {
    return {};
  }
  const std::size_t from = options.start == 0 ? 0 : options.start - 1;
  const bool exact = options.caseSensitive;

  std::size_t begin = 0;
  std::size_t rightFrom = from;
  if (!left.empty()) {
    const std::size_t found = findText(text, left, from, exact);
    if (found == std::string_view::npos) {
      return options.notFound == NotFoundMode::WholeText ? std::string(text) : std::string();
    }
    begin = found + left.size();
    rightFrom = begin;
  }

  std::size_t end = text.size();
  bool rightFound = true;
  if (!right.empty()) {
    if (options.fromEnd) {
      end = findLastText(text, right, exact);
      // A last occurrence inside or before the left marker encloses nothing.
      rightFound = end != std::string_view::npos && end >= rightFrom;
    } else {
      end = findText(text, right, rightFrom, exact);
      rightFound = end != std::string_view::npos;
    }
  }
  if (!rightFound) {
    switch (options.notFound) {
      case NotFoundMode::ToEnd:
        return std::string(text.substr(begin));
      case NotFoundMode::WholeText:
        return std::string(text);
      case NotFoundMode::Empty:
        break;
    }
    return {};
  }
  return std::string(text.substr(begin, end - begin));
}

}  // namespace orvane
