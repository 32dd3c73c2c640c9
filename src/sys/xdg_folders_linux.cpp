#include "sys/xdg_folders_linux.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace orvane {

namespace {

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string environmentPath(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? withoutTrailingSlashes(value) : std::string();
}

}  // namespace

std::string homeFolder() {
  std::string home = environmentPath("HOME");
  if (!home.empty()) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return withoutTrailingSlashes(found->pw_dir);
  }
  return {};
}

std::string userConfigFolder() {
  std::string config = environmentPath("XDG_CONFIG_HOME");
  if (!config.empty()) return config;
  const std::string home = homeFolder();
  return home.empty() ? std::string() : home + "/.config";
}

std::string userDirFromText(const std::string& fileText, const std::string& name,
                            const std::string& home) {
  const std::string prefix = "XDG_" + name + "_DIR=";
  std::istringstream lines(fileText);
  std::string line;
  std::string found;
  while (std::getline(lines, line)) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0) continue;
    std::size_t i = start + prefix.size();
    if (i >= line.size() || line[i] != '"') continue;
    std::string value;
    bool closed = false;
    for (++i; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        value += line[++i];
      } else if (line[i] == '"') {
        closed = true;
        break;
      } else {
        value += line[i];
      }
    }
    if (!closed) continue;
    if (value == "$HOME" || value.starts_with("$HOME/")) {
      if (home.empty()) continue;
      value = home + value.substr(5);
    } else if (!value.starts_with("/")) {
      continue;
    }
    // The shell reads the file from top to bottom, so the last line wins.
    found = withoutTrailingSlashes(value);
  }
  return found;
}

std::string desktopFolder() {
  const std::string home = homeFolder();
  const std::string config = userConfigFolder();
  if (!config.empty()) {
    std::ifstream in(config + "/user-dirs.dirs", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string desktop = userDirFromText(text, "DESKTOP", home);
    if (!desktop.empty()) return desktop;
  }
  return home.empty() ? std::string() : home + "/Desktop";
}

std::string autostartFolder() {
  const std::string config = userConfigFolder();
  return config.empty() ? std::string() : config + "/autostart";
}

}  // namespace orvane
