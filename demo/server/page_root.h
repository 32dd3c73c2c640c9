#pragma once
// Where the leaderboard page's files are: the folder given on the command
// line, else the page installed beside the program (<prefix>/share/orvane/
// demo/page for <prefix>/bin), else the source tree's demo/page that this
// build came from.

#include <string>

namespace orvane::demo {

// An absolute folder that holds index.html; empty, with `error` set, when
// there is none.
std::string findPageRoot(const std::string& requested, std::string& error);

}  // namespace orvane::demo
