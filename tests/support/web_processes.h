#pragma once
// The WebKitGTK page processes a process started, found in /proc, so a test
// can kill them and watch the page come back.

#include <sys/types.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace orvane::testing {

// The live (not zombie) children of `parent` whose name starts with
// "WebKitWebProces" (the kernel keeps 15 characters of it).
inline std::vector<pid_t> webProcessesOf(pid_t parent) {
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const auto open = line.find('(');
    const auto close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    const std::string comm = line.substr(open + 1, close - open - 1);
    char state = 0;
    int parentOfEntry = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parentOfEntry) != 2) continue;
    if (parentOfEntry == parent && state != 'Z' && comm.rfind("WebKitWebProces", 0) == 0) {
      found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
  }
  return found;
}

}  // namespace orvane::testing
