#pragma once
// Code page 936 (GBK, the Simplified Chinese Windows code page) <-> UTF-8.
//
// Program text is UTF-8; code page 936 is what Windows machines wrote into
// config.ini and what the server sends in push packs without a UTF-8 marker.
// Neither conversion fails: a byte sequence that is not valid in the source
// becomes U+FFFD (towards UTF-8) or '?' (towards 936, also used for
// characters that code page 936 cannot hold), as Windows does when it is not
// asked to fail on bad input.

#include <string>
#include <string_view>

namespace orvane::text {

std::string gbkToUtf8(std::string_view gbk);
std::string utf8ToGbk(std::string_view utf8);

}  // namespace orvane::text

namespace orvane {
using text::gbkToUtf8;
using text::utf8ToGbk;
}  // namespace orvane
