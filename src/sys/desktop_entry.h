#pragma once
// Launcher files of the freedesktop Desktop Entry format (".desktop"), the
// Linux form of the program's shortcuts: writing one, and reading back the
// command it starts. Pure text; the shortcut code does the file work.

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

struct LauncherEntry {
  std::string name;
  std::vector<std::string> command;  // the program, then its arguments
  std::string workingDirectory;      // Path=, left out when empty
  std::string icon;                  // Icon=, left out when empty
  std::string comment;               // Comment=, left out when empty
};

// The file text of an application launcher (Type=Application, Terminal=false)
// with Exec= quoted so that a desktop splits it back into exactly `command`.
std::string formatLauncherEntry(const LauncherEntry& entry);

// The command a launcher file starts: the Exec= value of its [Desktop Entry]
// group, unescaped and split into the program and its arguments. Empty when
// the text is no desktop entry (that group is not the first), has no Exec=,
// or its quoting is broken.
std::vector<std::string> launcherCommand(std::string_view fileText);

}  // namespace orvane
