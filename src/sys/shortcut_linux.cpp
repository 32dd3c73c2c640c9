#include "sys/shortcut_linux.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <vector>

#include "config/paths.h"
#include "sys/desktop_entry.h"

namespace orvane {

namespace {

// A launcher is a few hundred bytes; anything this big is not ours.
constexpr std::streamsize kMaxLauncherSize = 1 << 20;

// Desktops start a launcher on the desktop only when it is executable.
constexpr mode_t kLauncherMode = 0755;

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Writes a temporary file beside `path` and renames it over `path`.
bool replaceFile(const std::string& path, std::string_view bytes, mode_t mode) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // Hidden and without the launcher extension, so nobody picks it up.
  std::string temporary = folder + "." + name + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = writeAll(fd, bytes) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (!written || !closed || rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::string launcherName(const std::string& shortcutPath) {
  const std::size_t slash = shortcutPath.rfind('/');
  std::string name = slash == std::string::npos ? shortcutPath : shortcutPath.substr(slash + 1);
  if (name.ends_with(kShortcutExtension) && name.size() > kShortcutExtension.size()) {
    name.resize(name.size() - kShortcutExtension.size());
  }
  return name;
}

}  // namespace

std::string readShortcutTarget(const std::string& shortcutPath) {
  std::ifstream in(shortcutPath, std::ios::binary);
  if (!in) return {};
  std::string text;
  text.resize(static_cast<std::size_t>(kMaxLauncherSize) + 1);
  in.read(text.data(), kMaxLauncherSize + 1);
  const std::streamsize got = in.gcount();
  if (got > kMaxLauncherSize) return {};
  text.resize(static_cast<std::size_t>(got));
  std::vector<std::string> command = launcherCommand(text);
  return command.empty() ? std::string() : std::move(command.front());
}

bool createShortcut(const std::string& shortcutPath, const ShortcutSpec& spec) {
  if (shortcutPath.empty() || spec.targetPath.empty()) return false;

  LauncherEntry entry;
  entry.name = launcherName(shortcutPath);
  entry.command.push_back(spec.targetPath);
  if (!spec.arguments.empty()) {
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(spec.arguments.c_str(), nullptr, &argv, nullptr)) return false;
    for (gchar** a = argv; *a != nullptr; ++a) entry.command.emplace_back(*a);
    g_strfreev(argv);
  }
  entry.workingDirectory = spec.workingDirectory.empty()
                               ? stripTrailingSeparator(directoryOf(spec.targetPath))
                               : spec.workingDirectory;
  entry.icon = spec.iconPath;
  entry.comment = spec.description;
  return replaceFile(shortcutPath, formatLauncherEntry(entry), kLauncherMode);
}

void ensureShortcut(const std::string& shortcutPath, const ShortcutSpec& spec) {
  if (readShortcutTarget(shortcutPath) == spec.targetPath && !spec.targetPath.empty()) return;
  createShortcut(shortcutPath, spec);
}

}  // namespace orvane
