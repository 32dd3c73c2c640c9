#pragma once
// Program text from bytes the network delivered as UTF-8.

#include <string>
#include <string_view>

namespace orvane {

// Program text is UTF-8 already, so nothing is converted: the bytes come back
// as they are when valid, and every ill-formed sequence becomes U+FFFD, so
// what a server sends can always be logged and handed on safely.
std::string utf8ToLocalText(std::string_view bytes);

}  // namespace orvane
