#pragma once
// Searches over program text with optional ASCII case folding. Folding only
// ASCII letters keeps every UTF-8 sequence intact.

#include <cstddef>
#include <string_view>

namespace orvane {

// Position of `what` at or after `from`; npos when missing (also for an
// empty `what` or a start past the end).
std::size_t findText(std::string_view text, std::string_view what, std::size_t from,
                     bool caseSensitive);
// Position of the last occurrence of `what`; npos when missing.
std::size_t findLastText(std::string_view text, std::string_view what, bool caseSensitive);

bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);

// Without blanks (space, tab, CR, LF) at both ends.
std::string_view trimBlanks(std::string_view text);

}  // namespace orvane
