#pragma once
// Code page 936 (GBK) for the demo's "--charset gbk" pushes and for logins
// that come without the UTF-8 marker. Written over iconv here rather than
// shared with the client, so a conversion fault on one side cannot cancel the
// same fault on the other.

#include <string>
#include <string_view>

namespace orvane::demo {

// Characters GBK cannot hold, and bytes that are not UTF-8, become '?'.
std::string utf8ToGbk(std::string_view utf8);
// Bytes that are not GBK become U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

}  // namespace orvane::demo
