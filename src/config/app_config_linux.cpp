#include <limits.h>
#include <unistd.h>

#include <vector>

#include "config/app_config.h"

namespace orvane {

std::string runningExecutablePath() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);  // the link may be longer than PATH_MAX
  }
}

AppConfig appConfigForRunningExecutable() {
  std::string path = runningExecutablePath();
  if (path.empty()) {
    std::vector<char> cwd(PATH_MAX);
    if (getcwd(cwd.data(), cwd.size()) != nullptr) path = std::string(cwd.data()) + "/orvane";
  }
  return appConfigFor(path);
}

}  // namespace orvane
