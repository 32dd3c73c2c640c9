// Opening addresses and files through the desktop's defaults, against a home
// of the test's own: a handler application registered as the default for a
// few types writes what it was given into a file the test watches.

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/scoped_environment.h"
#include "support/temp_directory.h"
#include "support/wait_until.h"
#include "sys/shell_open_linux.h"
#include "sys/shortcut_linux.h"

namespace orvane {
namespace {

using testing::readFile;
using testing::ScopedEnvironment;
using testing::TempDirectory;
using testing::waitUntil;
using testing::writeFile;

void writeExecutable(const std::string& path, const std::string& text) {
  writeFile(path, text);
  chmod(path.c_str(), 0755);
}

// GIO reads the desktop's folders once per process, so one home serves the
// whole program.
class DesktopHome : public ::testing::Environment {
 public:
  void SetUp() override {
    dir_ = std::make_unique<TempDirectory>();
    const std::string root = dir_->path();
    for (const char* sub :
         {"home", "config", "data/applications", "data-dirs", "config-dirs", "bin", "files"}) {
      std::filesystem::create_directories(root + "/" + sub);
    }
    env_.set("HOME", root + "/home");
    env_.set("XDG_CONFIG_HOME", root + "/config");
    env_.set("XDG_DATA_HOME", root + "/data");
    // /usr/share stays for the MIME database; the handler is chosen by
    // mimeapps.list in the config folder, which outranks everything there.
    env_.set("XDG_DATA_DIRS", root + "/data-dirs:/usr/share");
    env_.set("XDG_CONFIG_DIRS", root + "/config-dirs");
    env_.set("GIO_USE_VFS", "local");
    // A launch tells the session bus about the new process. A bus that is not
    // there makes that a quiet no-op; with none named and a display set, GIO
    // would autolaunch one that outlives the test.
    env_.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root + "/no-session-bus");
    env_.set("PATH",
             root + "/bin:" + std::string(getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin"));

    writeExecutable(root + "/handler.sh",
                    "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + root + "/handled.log'\n");
    writeFile(root + "/data/applications/orvane-test-handler.desktop",
              "[Desktop Entry]\nType=Application\nName=Test handler\nExec=" + root +
                  "/handler.sh %u\nMimeType=x-scheme-handler/http;x-scheme-handler/orvtest;"
                  "text/plain;inode/directory;\n");
    writeFile(root + "/config/mimeapps.list",
              "[Default Applications]\n"
              "x-scheme-handler/http=orvane-test-handler.desktop\n"
              "x-scheme-handler/orvtest=orvane-test-handler.desktop\n"
              "text/plain=orvane-test-handler.desktop\n"
              "inode/directory=orvane-test-handler.desktop\n");
    // A program: writes each argument in brackets into a file named after the first.
    const std::string program = "#!/bin/sh\nout='" + root +
                                "/files/'\"$1\"'.out'\nprintf '[%s]' \"$@\" > \"$out.tmp\" && mv "
                                "\"$out.tmp\" \"$out\"\n";
    writeExecutable(root + "/files/run me.sh", program);
    writeExecutable(root + "/bin/orvane-run-me", program);
  }
  void TearDown() override { dir_.reset(); }

  static std::string root() { return instance->dir_->path(); }
  static DesktopHome* instance;

 private:
  std::unique_ptr<TempDirectory> dir_;
  ScopedEnvironment env_;
};

DesktopHome* DesktopHome::instance = nullptr;

// Registered before main runs, as GoogleTest allows for environments.
[[maybe_unused]] const ::testing::Environment* const kDesktopHome =
    ::testing::AddGlobalTestEnvironment(DesktopHome::instance = new DesktopHome);

bool handlerReceived(const std::string& argument) {
  return waitUntil([&] {
    return readFile(DesktopHome::root() + "/handled.log").find(argument + "\n") !=
           std::string::npos;
  });
}

TEST(OpenUrl, GoesToTheDefaultApplicationOfItsScheme) {
  EXPECT_TRUE(openUrlWithDefaultApplication("http://leaderboard.invalid/page?a=1&b=排行"));
  EXPECT_TRUE(openUrlWithDefaultApplication("orvtest:board/42"));
  EXPECT_TRUE(handlerReceived("http://leaderboard.invalid/page?a=1&b=排行"));
  EXPECT_TRUE(handlerReceived("orvtest:board/42"));
}

TEST(OpenUrl, IsFalseWhenNothingCanOpenIt) {
  EXPECT_FALSE(openUrlWithDefaultApplication(""));
  EXPECT_FALSE(openUrlWithDefaultApplication("orvnohandler://x"));
  EXPECT_FALSE(openUrlWithDefaultApplication(DesktopHome::root() + "/files/missing.txt"));
}

TEST(OpenFile, RunsAnExecutableWithItsParametersSplitLikeACommandLine) {
  const std::string files = DesktopHome::root() + "/files/";
  EXPECT_TRUE(openFileOrRunProgram(files + "run me.sh", "first 'two words' \"x y\" 排行"));
  EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(files + "first.out"); }));
  EXPECT_EQ(readFile(files + "first.out"), "[first][two words][x y][排行]");

  // A bare name is looked for in PATH.
  EXPECT_TRUE(openFileOrRunProgram("orvane-run-me", "second"));
  EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(files + "second.out"); }));
  EXPECT_EQ(readFile(files + "second.out"), "[second]");

  EXPECT_FALSE(openFileOrRunProgram(files + "run me.sh", "'unbalanced"));
}

TEST(OpenFile, OpensDocumentsAndFoldersWithTheirDefaultApplication) {
  const std::string document = DesktopHome::root() + "/files/notes 1.txt";
  writeFile(document, "plain text\n");
  EXPECT_TRUE(openFileOrRunProgram(document, "ignored parameters"));
  // GIO hands a local file to the handler as its path.
  EXPECT_TRUE(handlerReceived(document));

  EXPECT_TRUE(openFileOrRunProgram(DesktopHome::root() + "/home", ""));
  EXPECT_TRUE(handlerReceived(DesktopHome::root() + "/home"));
}

TEST(OpenFile, IsFalseForWhatIsNotThere) {
  EXPECT_FALSE(openFileOrRunProgram("", ""));
  EXPECT_FALSE(openFileOrRunProgram(DesktopHome::root() + "/files/missing.txt", ""));
  EXPECT_FALSE(openFileOrRunProgram("orvane-no-such-program", ""));
}

// What the desktop does with the program's launcher: GIO starts the target
// from Exec=, however odd the characters in its path, in the folder of Path=.
// (Not a '%': GLib checks that the program exists before it undoes the
// doubling the format asks for, so such a path never starts from GLib.)
TEST(Shortcut, ADesktopStartsTheTargetItNames) {
  const std::string folder = DesktopHome::root() + "/odd \"place\" $HOME `x` 排行榜";
  std::filesystem::create_directories(folder);
  const std::string target = folder + "/orvane";
  writeExecutable(target, "#!/bin/sh\npwd > '" + DesktopHome::root() +
                              "/files/launched.tmp' && mv '" + DesktopHome::root() +
                              "/files/launched.tmp' '" + DesktopHome::root() +
                              "/files/launched.out'\n");
  const std::string launcher = DesktopHome::root() + "/home/Quenmere排行榜.desktop";
  ASSERT_TRUE(createShortcut(launcher, ShortcutSpec{target, "", "", "", ""}));
  ASSERT_EQ(readShortcutTarget(launcher), target);

  GDesktopAppInfo* app = g_desktop_app_info_new_from_filename(launcher.c_str());
  ASSERT_NE(app, nullptr);
  EXPECT_STREQ(g_app_info_get_name(G_APP_INFO(app)), "Quenmere排行榜");
  EXPECT_TRUE(g_app_info_launch(G_APP_INFO(app), nullptr, nullptr, nullptr));
  g_object_unref(app);

  const std::string out = DesktopHome::root() + "/files/launched.out";
  EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(out); }));
  EXPECT_EQ(readFile(out), folder + "\n");
}

}  // namespace
}  // namespace orvane
