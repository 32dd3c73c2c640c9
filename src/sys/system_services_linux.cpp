#include "sys/system_services_linux.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "sys/path_match_posix.h"
#include "sys/process_finder_linux.h"
#include "sys/shell_open_linux.h"
#include "sys/shortcut_linux.h"
#include "sys/uptime.h"
#include "sys/xdg_folders_linux.h"

namespace orvane {

LinuxSystemServices::LinuxSystemServices(AppConfig config) : config_(std::move(config)) {}

bool LinuxSystemServices::openUrl(const std::string& url, int /*showCode*/) {
  return openUrlWithDefaultApplication(url);
}

bool LinuxSystemServices::openFile(const std::string& path, const std::string& parameters,
                                   int /*showCode*/) {
  return openFileOrRunProgram(path, parameters);
}

long LinuxSystemServices::findProcess(const ProcessQuery& query) {
  return orvane::findProcess(query);
}

bool LinuxSystemServices::pathExists(const std::string& pathOrPattern) {
  return pathOrPatternExists(pathOrPattern);
}

bool LinuxSystemServices::enablePrivilege(const std::string& /*name*/) { return false; }

std::string LinuxSystemServices::shortcutPath(ShortcutPlace place) {
  const std::string folder = place == ShortcutPlace::Desktop ? desktopFolder() : autostartFolder();
  if (folder.empty()) return {};
  return folder + "/" + std::string(kShortcutName) + std::string(kShortcutExtension);
}

void LinuxSystemServices::ensureShortcut(ShortcutPlace place, const std::string& target) {
  const std::string path = shortcutPath(place);
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  ShortcutSpec spec;
  spec.targetPath = target;
  spec.iconPath = config_.runDirectory + config_.appName + ".png";
  orvane::ensureShortcut(path, spec);
}

std::int64_t LinuxSystemServices::uptimeMs() { return queryUptimeMs(); }

std::string LinuxSystemServices::fileVersion(const std::string& path) {
  const std::string self = runningExecutablePath();
  std::error_code error;
  if (path.empty() || self.empty() || !std::filesystem::equivalent(path, self, error) || error) {
    return {};
  }
  return ORVANE_VERSION;
}

}  // namespace orvane
