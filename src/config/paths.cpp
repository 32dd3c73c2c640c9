#include "config/paths.h"

namespace orvane {

std::string stripTrailingSeparator(const std::string& path) {
  if (path.size() > 1 && path.back() == kPathSeparator) return path.substr(0, path.size() - 1);
  return path;
}

std::string withTrailingSeparator(const std::string& path) {
  if (path.empty() || path.back() == kPathSeparator) return path;
  return path + kPathSeparator;
}

std::string directoryOf(const std::string& path) {
  if (path.empty()) return {};
  const std::string trimmed = stripTrailingSeparator(path);
  const std::size_t slash = trimmed.rfind(kPathSeparator);
  if (slash == std::string::npos) return std::string(".") + kPathSeparator;
  if (slash == 0) return std::string(1, kPathSeparator);
  return trimmed.substr(0, slash + 1);
}

std::string extensionOf(const std::string& path) {
  std::size_t dot = std::string::npos;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (path[i] == kPathSeparator || path[i] == ' ') {
      dot = std::string::npos;
    } else if (path[i] == '.') {
      dot = i;
    }
  }
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

}  // namespace orvane
