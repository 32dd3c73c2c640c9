#include "log/ensure_directory.h"

#include <errno.h>
#include <sys/stat.h>

#include "config/paths.h"

namespace orvane {
namespace {

bool isDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool ensureDirectory(const std::string& path) {
  if (path.empty()) return false;
  std::string folder = path;
  if (folder.back() != kPathSeparator || !extensionOf(folder).empty()) {
    folder = directoryOf(folder);
  }
  const std::string d = stripTrailingSeparator(folder);
  if (isDirectory(d)) return true;
  const std::string parent = directoryOf(folder);
  if (parent == folder || !ensureDirectory(parent)) return false;
  if (mkdir(d.c_str(), 0755) == 0) return true;
  return errno == EEXIST && isDirectory(d);  // another thread may have made it
}

}  // namespace orvane
