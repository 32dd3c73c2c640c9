#pragma once
// Cookie text as the request engine carries it along a redirect chain: pairs
// "name=value" joined by "; ", the form of a Cookie request header.

#include <string>
#include <string_view>

namespace orvane {

// The cookies the Set-Cookie lines of a response header block set, in order.
// Each line gives its leading name=value pair (the value may itself hold '=');
// the attributes after it (Path, Expires, HttpOnly, SameSite, ...) are not
// cookies and are left out. A name set twice keeps its place and takes the
// later value.
std::string parseSetCookies(std::string_view headerText);

// The cookies to send next: those the server just set, then every earlier one
// whose name the server did not set again. Pieces without a name are dropped.
std::string mergeCookies(std::string_view oldCookies, std::string_view newCookies);

}  // namespace orvane
