#pragma once
// The system services of the Linux client: GIO for opening addresses and
// files, /proc for processes, freedesktop launchers for shortcuts.

#include "config/app_config.h"
#include "sys/system_services.h"

namespace orvane {

class LinuxSystemServices final : public SystemServices {
 public:
  // `config` names the program: its run directory holds the launchers' icon
  // (appName + ".png"), and its executable is the one fileVersion knows.
  explicit LinuxSystemServices(AppConfig config);

  // Show codes are a Windows notion (how the opened window first appears);
  // desktops here decide that themselves, so the code is accepted and unused.
  bool openUrl(const std::string& url, int showCode) override;
  bool openFile(const std::string& path, const std::string& parameters, int showCode) override;
  long findProcess(const ProcessQuery& query) override;
  bool pathExists(const std::string& pathOrPattern) override;
  // Nothing to enable: a process here has no token privileges to switch on.
  bool enablePrivilege(const std::string& name) override;
  // The desktop folder or the autostart folder, created when missing.
  void ensureShortcut(ShortcutPlace place, const std::string& target) override;
  std::int64_t uptimeMs() override;
  // The version this program was built as, for the program's own executable;
  // empty for any other file, which carries no version here.
  std::string fileVersion(const std::string& path) override;

  // The launcher file that stands for the shortcut in `place`; empty when
  // the user's folders are unknown.
  static std::string shortcutPath(ShortcutPlace place);

 private:
  AppConfig config_;
};

}  // namespace orvane
