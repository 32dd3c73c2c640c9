#pragma once
// The user's folders that desktops look in, found the freedesktop way. Every
// result is an absolute folder without a trailing '/', or empty when not even
// the home folder is known.

#include <string>

namespace orvane {

// $HOME, else the home folder of the user's account entry.
std::string homeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string userConfigFolder();

// XDG_DESKTOP_DIR from user-dirs.dirs in the config folder (what
// `xdg-user-dir DESKTOP` prints), else ~/Desktop.
std::string desktopFolder();

// The config folder's "autostart", where session managers look at logon.
std::string autostartFolder();

// The value of XDG_<name>_DIR in the text of a user-dirs.dirs file, with
// "$HOME" expanded; empty when absent or not of the form xdg-user-dirs
// writes and reads ("$HOME/..." or an absolute path, in double quotes).
std::string userDirFromText(const std::string& fileText, const std::string& name,
                            const std::string& home);

}  // namespace orvane
