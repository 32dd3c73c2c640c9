#pragma once

#include <string>

namespace orvane {

// Makes sure a folder exists, creating missing parents first. A path that
// does not end in '/' or that has an extension names a file: its folder is
// meant. True when the folder exists afterwards; false for an empty path or
// when a part of it cannot be created (or is a file).
bool ensureDirectory(const std::string& path);

}  // namespace orvane
