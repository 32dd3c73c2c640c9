#include "page_root.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace orvane::demo {

namespace {

namespace fs = std::filesystem;

bool holdsPage(const fs::path& folder) {
  std::error_code error;
  return fs::is_regular_file(folder / "index.html", error);
}

std::string absoluteText(const fs::path& folder) {
  std::error_code error;
  const fs::path result = fs::weakly_canonical(folder, error);
  return (error ? fs::absolute(folder, error) : result).string();
}

}  // namespace

std::string findPageRoot(const std::string& requested, std::string& error) {
  if (!requested.empty()) {
    if (holdsPage(requested)) return absoluteText(requested);
    error = "no index.html in " + requested;
    return {};
  }
  std::vector<fs::path> candidates;
  std::error_code ignored;
  const fs::path executable = fs::read_symlink("/proc/self/exe", ignored);
  if (!executable.empty()) {
    candidates.push_back(executable.parent_path() / ORVANE_DEMO_PAGE_FROM_BINDIR);
  }
  candidates.emplace_back(ORVANE_DEMO_PAGE_SOURCE_DIR);
  for (const fs::path& folder : candidates) {
    if (holdsPage(folder)) return absoluteText(folder);
  }
  error = "the page was not found (looked in";
  for (const fs::path& folder : candidates) error += " " + folder.string();
  error += "); name its folder with --page-root";
  return {};
}

}  // namespace orvane::demo
