#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "support/temp_directory.h"
#include "support/wait_until.h"
#include "sys/process_finder_linux.h"

extern char** environ;

namespace orvane {
namespace {

using testing::TempDirectory;

// A child process running a copy of sleep under a name of the test's
// choosing; killed and reaped when the object goes.
class SleepingChild {
 public:
  explicit SleepingChild(const std::string& executable) {
    char arg0[] = "sleeper";
    char arg1[] = "120";
    char* argv[] = {arg0, arg1, nullptr};
    if (posix_spawn(&pid_, executable.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~SleepingChild() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  SleepingChild(const SleepingChild&) = delete;
  SleepingChild& operator=(const SleepingChild&) = delete;

  long pid() const { return pid_; }

  // Waits until the child runs `executable` (the exec has happened).
  bool waitUntilRunning(const std::string& executable) const {
    const std::string link = "/proc/" + std::to_string(pid_) + "/exe";
    return testing::waitUntil([&] {
      std::error_code error;
      return std::filesystem::read_symlink(link, error) == executable;
    });
  }

 private:
  pid_t pid_ = -1;
};

class FindProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    folder_ = dir_.file("Bin Dir");
    executable_ = folder_ + "/Orv-Sleeper.exe";
    std::filesystem::create_directories(folder_);
    std::filesystem::copy_file("/bin/sleep", executable_);
  }

  TempDirectory dir_;
  std::string folder_;
  std::string executable_;
};

TEST_F(FindProcessTest, FindsAChildByNameFolderAndExclusions) {
  SleepingChild first(executable_);
  SleepingChild second(executable_);
  ASSERT_TRUE(first.waitUntilRunning(executable_));
  ASSERT_TRUE(second.waitUntilRunning(executable_));
  const long a = first.pid();
  const long b = second.pid();

  auto query = [](std::string name, std::string path = "", long excludedId = -1,
                  std::string excludedNames = "", bool exactPath = false) {
    return ProcessQuery{std::move(name), std::move(path), excludedId, std::move(excludedNames),
                        exactPath};
  };
  auto upper = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  };

  const long byName = findProcess(query("ORV-SLEEPER.EXE"));
  EXPECT_TRUE(byName == a || byName == b) << byName;
  const long other = byName == a ? b : a;
  EXPECT_EQ(findProcess(query("orv-sleeper.exe", "", byName)), other);

  EXPECT_EQ(findProcess(query("orv-sleeper")), -1);  // the extension is part of the name
  EXPECT_EQ(findProcess(query("")), -1);
  EXPECT_EQ(findProcess(query("orv-sleeper.exe", "", -1, "sleep,ORV-SLEEPER.EXE")), -1);
  EXPECT_EQ(findProcess(query("orv-sleeper.exe", "", -1, "orv-sleeper")), byName);

  // By folder alone: only these two run from the test's folder.
  const long inFolder = findProcess(query("", upper(dir_.path())));
  EXPECT_TRUE(inFolder == a || inFolder == b) << inFolder;
  EXPECT_EQ(findProcess(query("", folder_ + "/", -1, "", true)), inFolder);
  EXPECT_EQ(findProcess(query("", folder_, -1, "", true)), inFolder);
  EXPECT_EQ(findProcess(query("", dir_.path(), -1, "", true)), -1);  // not the exact folder
  EXPECT_EQ(findProcess(query("", folder_ + "/Orv")), -1);           // a folder, not a name prefix
  EXPECT_EQ(findProcess(query("orv-sleeper.exe", dir_.file("elsewhere"))), -1);
  EXPECT_EQ(findProcess(query("orv-sleeper.exe", upper(folder_), -1, "", true)), byName);
}

TEST_F(FindProcessTest, StillFindsAProcessWhoseExecutableWasReplaced) {
  SleepingChild child(executable_);
  ASSERT_TRUE(child.waitUntilRunning(executable_));
  // An update deletes the running file; the kernel then shows "(deleted)".
  std::filesystem::remove(executable_);
  EXPECT_EQ(findProcess(ProcessQuery{"orv-sleeper.exe", folder_, -1, "", true}), child.pid());
}

}  // namespace
}  // namespace orvane
