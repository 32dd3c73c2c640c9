#pragma once
// Whether anything on disk answers to a path or a wildcard pattern, decided
// the way the page's "exists" expects from the Windows find-first-file call:
// a file, a folder or any other entry at the path, or at least one entry of
// the folder whose name matches a pattern with '*' or '?' in its last
// component. A path ending in the separator names nothing, so it is false.

#include <string>
#include <string_view>

namespace orvane {

bool pathOrPatternExists(const std::string& pathOrPattern);

// One file name against one wildcard pattern: '*' matches any run of
// characters (none too), '?' exactly one character (a whole UTF-8 character
// when both texts are valid UTF-8), everything else itself, case-sensitively
// as the file system compares. As on Windows, a pattern ending in '.' and
// then only '*' also matches a name without that dot, so "*.*" matches every
// name and "notes.*" matches "notes".
bool matchesFileNamePattern(std::string_view pattern, std::string_view name);

}  // namespace orvane
