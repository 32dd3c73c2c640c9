#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "config/app_config.h"
#include "support/scoped_environment.h"
#include "support/temp_directory.h"
#include "sys/shortcut_linux.h"
#include "sys/system_services_linux.h"

namespace orvane {
namespace {

using testing::readFile;
using testing::ScopedEnvironment;
using testing::TempDirectory;
using testing::writeFile;

// A home of the test's own, so the user's real desktop is never touched.
class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    env_.set("HOME", dir_.file("home"));
    env_.unset("XDG_CONFIG_HOME");
    std::filesystem::create_directories(dir_.file("home"));
    config_ = appConfigFor(dir_.file("opt/orvane/orvane"));
  }

  std::string desktopShortcut() const { return dir_.file("home/Desktop/Quenmere排行榜.desktop"); }
  std::string autostartShortcut() const {
    return dir_.file("home/.config/autostart/Quenmere排行榜.desktop");
  }
  std::string target() const { return config_.runDirectory + config_.executableName; }

  TempDirectory dir_;
  ScopedEnvironment env_;
  AppConfig config_;
};

timespec modificationTime(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mtim;
}

void setOldModificationTime(const std::string& path) {
  const timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

TEST_F(ShortcutTest, CreatesAnExecutableLauncherInBothPlaces) {
  LinuxSystemServices services(config_);
  services.ensureShortcut(ShortcutPlace::Desktop, target());
  services.ensureShortcut(ShortcutPlace::Autostart, target());

  EXPECT_EQ(LinuxSystemServices::shortcutPath(ShortcutPlace::Desktop), desktopShortcut());
  EXPECT_EQ(LinuxSystemServices::shortcutPath(ShortcutPlace::Autostart), autostartShortcut());
  for (const std::string& path : {desktopShortcut(), autostartShortcut()}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(readShortcutTarget(path), target());
    const std::string text = readFile(path);
    EXPECT_NE(text.find("Name=Quenmere排行榜\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Path=" + dir_.file("opt/orvane") + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Icon=" + dir_.file("opt/orvane/orvane.png") + "\n"), std::string::npos);
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
    EXPECT_NE(text.find("Terminal=false\n"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0111, 0111u);
  }
  // Nothing but the two launchers: no temporary file left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.file("home"))) {
    files += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(files, 2);
}

TEST_F(ShortcutTest, ALauncherForTheSameTargetIsLeftAsItIs) {
  LinuxSystemServices services(config_);
  services.ensureShortcut(ShortcutPlace::Desktop, target());
  // The user changed its icon and arguments; the target is still ours.
  const std::string edited = "[Desktop Entry]\nType=Application\nName=Mine\nExec=" + target() +
                             " --kiosk\nIcon=/usr/share/icons/mine.png\n";
  writeFile(desktopShortcut(), edited);
  setOldModificationTime(desktopShortcut());
  const timespec before = modificationTime(desktopShortcut());

  services.ensureShortcut(ShortcutPlace::Desktop, target());

  EXPECT_EQ(readFile(desktopShortcut()), edited);
  const timespec after = modificationTime(desktopShortcut());
  EXPECT_EQ(after.tv_sec, before.tv_sec);
  EXPECT_EQ(after.tv_nsec, before.tv_nsec);
}

TEST_F(ShortcutTest, ALauncherThatDoesNotStartThisTargetIsRewritten) {
  const std::string upperCase = dir_.file("opt/Orvane/orvane");
  const struct {
    const char* what;
    std::function<void(const std::string&)> prepare;
  } cases[] = {
      {"the program moved",
       [&](const std::string& path) {
         createShortcut(path, ShortcutSpec{dir_.file("old/place/orvane"), "", "", "", ""});
       }},
      {"a case change",
       [&](const std::string& path) {
         createShortcut(path, ShortcutSpec{upperCase, "", "", "", ""});
       }},
      {"garbage",
       [](const std::string& path) {
         writeFile(path,
                   "\x7f"
                   "ELF\x02\x01 not a launcher");
       }},
      {"no Exec", [](const std::string& path) { writeFile(path, "[Desktop Entry]\nName=x\n"); }},
      {"an empty file", [](const std::string& path) { writeFile(path, ""); }},
      {"unreadable",
       [](const std::string& path) {
         writeFile(path, "[Desktop Entry]\nExec=/x\n");
         chmod(path.c_str(), 0);
       }},
  };
  LinuxSystemServices services(config_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::create_directories(dir_.file("home/.config/autostart"));
    c.prepare(autostartShortcut());
    setOldModificationTime(autostartShortcut());

    services.ensureShortcut(ShortcutPlace::Autostart, target());

    EXPECT_EQ(readShortcutTarget(autostartShortcut()), target());
    EXPECT_NE(modificationTime(autostartShortcut()).tv_sec, 1'000'000'000);
  }
}

TEST_F(ShortcutTest, UsesTheDesktopFolderTheUserConfigured) {
  env_.set("XDG_CONFIG_HOME", dir_.file("cfg"));
  std::filesystem::create_directories(dir_.file("cfg"));
  writeFile(dir_.file("cfg/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
  LinuxSystemServices services(config_);
  services.ensureShortcut(ShortcutPlace::Desktop, target());
  services.ensureShortcut(ShortcutPlace::Autostart, target());
  EXPECT_EQ(readShortcutTarget(dir_.file("home/桌面/Quenmere排行榜.desktop")), target());
  EXPECT_EQ(readShortcutTarget(dir_.file("cfg/autostart/Quenmere排行榜.desktop")), target());
}

TEST_F(ShortcutTest, FailuresAreSilent) {
  // The desktop "folder" is a file: nothing can be written there.
  writeFile(dir_.file("home/Desktop"), "in the way");
  LinuxSystemServices services(config_);
  services.ensureShortcut(ShortcutPlace::Desktop, target());
  services.ensureShortcut(ShortcutPlace::Autostart, target());
  EXPECT_EQ(readFile(dir_.file("home/Desktop")), "in the way");
  EXPECT_EQ(readShortcutTarget(autostartShortcut()), target());

  EXPECT_FALSE(
      createShortcut(dir_.file("home/Desktop/x.desktop"), ShortcutSpec{target(), "", "", "", ""}));
  EXPECT_FALSE(createShortcut(dir_.file("home/y.desktop"), ShortcutSpec{"", "", "", "", ""}));
  EXPECT_FALSE(createShortcut(dir_.file("home/z.desktop"),
                              ShortcutSpec{target(), "", "'unbalanced", "", ""}));
  EXPECT_EQ(readShortcutTarget(dir_.file("home/missing.desktop")), "");
}

TEST_F(ShortcutTest, CreateShortcutWritesWhatItIsGiven) {
  const std::string path = dir_.file("home/full.desktop");
  ASSERT_TRUE(
      createShortcut(path, ShortcutSpec{"/opt/my app/orvane", "/var/work",
                                        "--screen 2 \"two words\"", "/icons/o.png", "the wall"}));
  const std::string text = readFile(path);
  EXPECT_NE(text.find("Name=full\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Exec=\"/opt/my app/orvane\" --screen 2 \"two words\"\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("Path=/var/work\n"), std::string::npos);
  EXPECT_NE(text.find("Icon=/icons/o.png\n"), std::string::npos);
  EXPECT_NE(text.find("Comment=the wall\n"), std::string::npos);
  EXPECT_EQ(readShortcutTarget(path), "/opt/my app/orvane");
}

}  // namespace
}  // namespace orvane
