#pragma once
// Path text operations. Pure text: nothing here touches the file system.
// An empty input always gives an empty result.

#include <string>

namespace orvane {

inline constexpr char kPathSeparator = '/';

// The folder part of a path, ending in one separator: a trailing separator is
// removed first, then the last component. "/opt/orvane/orvane" and
// "/opt/orvane/log/" both give "/opt/orvane/"; "/x" gives "/"; a bare name
// with no folder gives "./" (the current folder).
std::string directoryOf(const std::string& path);

// The path without one trailing separator; the root "/" stays as it is.
std::string stripTrailingSeparator(const std::string& path);

// The path with a separator appended when it does not already end in one.
std::string withTrailingSeparator(const std::string& path);

// The extension of the last component including its dot (".txt"), or empty
// when it has none. A dot followed by a blank does not start an extension.
std::string extensionOf(const std::string& path);

}  // namespace orvane
