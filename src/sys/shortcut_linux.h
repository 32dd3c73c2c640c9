#pragma once
// The program's shortcuts on Linux: freedesktop launcher files (".desktop")
// on the desktop and in the autostart folder. The target is the program that
// Exec= starts; every failure is silent, and the next start tries again.

#include <string>
#include <string_view>

namespace orvane {

// File name of both launchers, less its ".desktop"; also their Name=.
inline constexpr std::string_view kShortcutName = "Quenmere排行榜";
inline constexpr std::string_view kShortcutExtension = ".desktop";

struct ShortcutSpec {
  std::string targetPath;
  std::string workingDirectory;  // empty: the target's folder
  std::string arguments;         // command-line text, split as a shell would
  std::string iconPath;          // empty: no Icon=
  std::string description;       // Comment=, empty: none
};

// The program the launcher at `shortcutPath` starts, or empty when the file
// is missing, unreadable or not a launcher.
std::string readShortcutTarget(const std::string& shortcutPath);

// Writes the launcher (Name= from its file name, executable, replaced in one
// step so that a desktop never sees half a file). False when the target is
// empty, the arguments cannot be split, or the file cannot be written.
bool createShortcut(const std::string& shortcutPath, const ShortcutSpec& spec);

// Leaves a launcher that starts exactly spec.targetPath (byte for byte) as it
// is, whatever else the user changed in it; anything else at that path is
// written anew.
void ensureShortcut(const std::string& shortcutPath, const ShortcutSpec& spec);

}  // namespace orvane
