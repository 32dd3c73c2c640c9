#pragma once
// Addresses and header fields as the request engine reads them.

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// "http://" in front unless the address names http or https already (any
// letter case); a "/" path when the address has none, so a bare host and port
// such as the web base gets its trailing slash.
std::string normalizeUrl(std::string_view url);

// Where a redirect leads from the (normalised) current address: an absolute
// http(s) location as it is; "//host..." with the current scheme; "/path" on
// the current host and port; "?query" on the current path; anything else
// relative to the current path's folder.
std::string resolveLocation(std::string_view currentUrl, std::string_view location);

// The value of the first header line whose field name is `name` (ASCII case
// ignored), trimmed; "" when there is none. Only whole field names match, so
// "Location" never finds "Content-Location".
std::string headerValue(std::string_view headerText, std::string_view name);
// Every such value, in order.
std::vector<std::string> headerValues(std::string_view headerText, std::string_view name);

}  // namespace orvane
