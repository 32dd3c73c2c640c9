#include <gtest/gtest.h>

#include "support/scoped_environment.h"
#include "support/temp_directory.h"
#include "sys/xdg_folders_linux.h"

namespace orvane {
namespace {

using testing::ScopedEnvironment;
using testing::TempDirectory;

TEST(UserDirFromText, TableOfFiles) {
  const std::string home = "/home/wall";
  const struct {
    const char* text;
    const char* desktop;
  } cases[] = {
      {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", "/home/wall/Desktop"},
      {"# comment\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\n",
       "/home/wall/桌面"},
      {"XDG_DESKTOP_DIR=\"/srv/desk/\"\n", "/srv/desk"},
      {"XDG_DESKTOP_DIR=\"$HOME\"\n", "/home/wall"},
      {"XDG_DESKTOP_DIR=\"$HOME/with \\\"quote\"\n", "/home/wall/with \"quote"},
      {"XDG_DESKTOP_DIR=\"$HOME/a\"\nXDG_DESKTOP_DIR=\"$HOME/b\"\n", "/home/wall/b"},
      {"XDG_DESKTOP_DIR=\"relative/path\"\n", ""},
      {"XDG_DESKTOP_DIR=$HOME/unquoted\n", ""},
      {"XDG_DESKTOP_DIR=\"$HOME/unterminated\n", ""},
      {"XDG_DESKTOP_DIRECTORY=\"$HOME/x\"\n", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(userDirFromText(c.text, "DESKTOP", home), c.desktop);
  }
}

TEST(XdgFolders, FollowTheEnvironment) {
  TempDirectory dir;
  ScopedEnvironment env;
  env.set("HOME", dir.path() + "/home/");
  env.unset("XDG_CONFIG_HOME");
  EXPECT_EQ(homeFolder(), dir.path() + "/home");
  EXPECT_EQ(userConfigFolder(), dir.path() + "/home/.config");
  EXPECT_EQ(desktopFolder(), dir.path() + "/home/Desktop");
  EXPECT_EQ(autostartFolder(), dir.path() + "/home/.config/autostart");

  env.set("XDG_CONFIG_HOME", "relative/is/ignored");
  EXPECT_EQ(autostartFolder(), dir.path() + "/home/.config/autostart");

  env.set("XDG_CONFIG_HOME", dir.path() + "/cfg");
  std::filesystem::create_directories(dir.path() + "/cfg");
  testing::writeFile(dir.path() + "/cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
  EXPECT_EQ(autostartFolder(), dir.path() + "/cfg/autostart");
  EXPECT_EQ(desktopFolder(), dir.path() + "/home/桌面");
}

}  // namespace
}  // namespace orvane
