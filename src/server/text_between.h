#pragma once
// The text between two markers, the small extraction routine headers,
// cookies and page replies are read with.

#include <cstddef>
#include <string>
#include <string_view>

namespace orvane {

// What textBetween gives when a marker is missing.
enum class NotFoundMode {
  Empty = 0,      // the empty text
  ToEnd = 1,      // a missing right marker: everything after the left one
  WholeText = 2,  // the whole text
};

struct TextBetweenOptions {
  std::size_t start = 1;       // 1-based position the left marker is searched from
  bool caseSensitive = false;  // markers are found regardless of ASCII case by default
  bool fromEnd = false;        // the right marker is its last occurrence
  NotFoundMode notFound = NotFoundMode::Empty;
};

// The characters after `left` up to `right`. An empty `left` starts the
// result at the beginning of the text (the right marker is still searched
// from `start`); an empty `right` ends it at the end of the text.
std::string textBetween(std::string_view text, std::string_view left, std::string_view right,
                        const TextBetweenOptions& options = {});

}  // namespace orvane
