#include "sys/process_finder_linux.h"

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

namespace {

std::string asciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// A /proc entry name that is a process id, or -1.
long processIdOf(std::string_view name) {
  if (name.empty() || name.size() > 18) return -1;
  long id = 0;
  for (const char c : name) {
    if (c < '0' || c > '9') return -1;
    id = id * 10 + (c - '0');
  }
  return id;
}

// The target of /proc/<pid>/exe, without the " (deleted)" the kernel adds
// when the file was removed or replaced while running; empty when unreadable.
std::string executablePathOf(const std::string& processFolder) {
  const std::string link = processFolder + "/exe";
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      std::string path(buffer.data(), static_cast<std::size_t>(n));
      constexpr std::string_view kDeleted = " (deleted)";
      if (path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
      return path;
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string shortNameOf(const std::string& processFolder) {
  std::ifstream in(processFolder + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

long findProcess(const ProcessQuery& query) {
  if (query.name.empty() && query.path.empty()) return -1;

  const std::string name = asciiLower(query.name);
  std::string path = asciiLower(query.path);
  if (!path.empty() && path.back() != '/') path += '/';
  const std::string excluded =
      query.excludedNames.empty() ? std::string() : "," + asciiLower(query.excludedNames) + ",";

  const std::unique_ptr<DIR, DirCloser> proc(opendir("/proc"));
  if (!proc) return -1;
  while (const dirent* entry = readdir(proc.get())) {
    const long id = processIdOf(entry->d_name);
    if (id < 0 || id == query.excludedId) continue;

    const std::string processFolder = std::string("/proc/") + entry->d_name;
    const std::string executable = executablePathOf(processFolder);
    std::string fileName;
    std::string folder;
    if (!executable.empty()) {
      const std::size_t slash = executable.rfind('/');
      fileName = asciiLower(executable.substr(slash + 1));
      folder = asciiLower(executable.substr(0, slash + 1));
    } else {
      fileName = asciiLower(shortNameOf(processFolder));
      // Gone between the listing and now, or nothing to compare.
      if (fileName.empty()) continue;
    }

    if (!excluded.empty() && excluded.find("," + fileName + ",") != std::string::npos) continue;
    if (!name.empty() && name != fileName) continue;
    if (!path.empty()) {
      if (folder.empty()) continue;
      const bool matches = query.exactPath ? folder == path : folder.starts_with(path);
      if (!matches) continue;
    }
    return id;
  }
  return -1;
}

}  // namespace orvane
