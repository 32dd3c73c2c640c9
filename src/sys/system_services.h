#pragma once
// The operating-system services the portable code needs: opening addresses
// and files, looking for processes and paths, the shortcuts that bring the
// program back at logon, and facts about the machine.

#include <cstdint>
#include <string>

namespace orvane {

struct ProcessQuery {
  std::string name;           // executable file name, compared case-insensitively
  std::string path;           // folder prefix (or exact folder) of the executable
  long excludedId = -1;       // a process id to skip; -1 skips none
  std::string excludedNames;  // comma-separated executable names to skip
  bool exactPath = false;
};

enum class ShortcutPlace { Desktop, Autostart };

class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // True when the system accepted the request ("above 32" on Windows).
  virtual bool openUrl(const std::string& url, int showCode) = 0;
  virtual bool openFile(const std::string& path, const std::string& parameters, int showCode) = 0;
  // Process id of the first match, or -1.
  virtual long findProcess(const ProcessQuery& query) = 0;
  // Whether anything matches: a file, a folder, or a pattern with * and ? in
  // its last component.
  virtual bool pathExists(const std::string& pathOrPattern) = 0;

  virtual bool enablePrivilege(const std::string& name) = 0;
  // Makes sure the shortcut in that place points at `target`; silent.
  virtual void ensureShortcut(ShortcutPlace place, const std::string& target) = 0;

  virtual std::int64_t uptimeMs() = 0;
  virtual std::string fileVersion(const std::string& path) = 0;
};

}  // namespace orvane
