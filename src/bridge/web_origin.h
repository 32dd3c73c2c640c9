#pragma once
// Web origins (scheme, host and port) in one written form, so two ways of
// writing the same origin compare equal.

#include <string>
#include <string_view>

namespace orvane {

// "scheme://host:port" of an absolute URL or an origin: scheme and host in
// lower case, user information, path, query and fragment left out, the port
// as a plain decimal number and written out for http (80) and https (443)
// when absent. An IPv6 host keeps its brackets. Empty for text that has no
// scheme and host, for an opaque origin ("null") and for a port that is not
// a number from 0 to 65535; a scheme without a known default port needs one.
std::string normalizeOrigin(std::string_view urlOrOrigin);

}  // namespace orvane
