#pragma once
// Integers from settings text, read the way C's atoi reads them.

#include <string_view>

namespace orvane {

// Leading white space, an optional sign, then decimal digits; reading stops at
// the first other character. Text with no digits there gives 0. A value past
// the range of int is clamped to INT_MIN or INT_MAX (what the Windows runtime's
// atoi returns), never undefined.
int parseLeadingInt(std::string_view text);

}  // namespace orvane
