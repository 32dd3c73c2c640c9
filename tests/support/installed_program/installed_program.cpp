#include "support/installed_program/installed_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/wait_until.h"

namespace orvane::testing {

namespace {

std::string shellQuoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

InstalledProgram::InstalledProgram(std::string root, InstalledProgramEnvironment environment)
    : root_(std::move(root)),
      runDirectory_(root_ + "/run/"),
      homeDirectory_(root_ + "/home"),
      runtimeDirectory_(root_ + "/runtime"),
      environment_(std::move(environment)) {}

InstalledProgram::~InstalledProgram() { killAll(); }

void InstalledProgram::killAll() {
  for (const pid_t pid : launched_) {
    if (running(pid)) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  launched_.clear();
}

bool InstalledProgram::install(std::string* error) {
  std::error_code failed;
  std::filesystem::create_directories(homeDirectory_, failed);
  std::filesystem::create_directories(runtimeDirectory_, failed);
  std::filesystem::permissions(runtimeDirectory_, std::filesystem::perms::owner_all, failed);
  const std::string command = shellQuoted(ORVANE_CMAKE_COMMAND) + " --install " +
                              shellQuoted(ORVANE_BUILD_DIR) + " --prefix " +
                              shellQuoted(runDirectory_) + " --component program > /dev/null";
  if (std::system(command.c_str()) != 0) {
    if (error) *error = "failed: " + command;
    return false;
  }
  for (const char* file : {"QZorvane", "libcommon.so", "orvane.png"}) {
    if (!std::filesystem::exists(runDirectory_ + file)) {
      if (error) *error = std::string("not installed: ") + file;
      return false;
    }
  }
  return true;
}

pid_t InstalledProgram::launch(const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> environment = {
      "DISPLAY=" + environment_.displayName,
      "DBUS_SESSION_BUS_ADDRESS=" + environment_.busAddress,
      "HOME=" + homeDirectory_,
      "XDG_CONFIG_HOME=" + homeDirectory_ + "/.config",
      // The instance guard's lock file: this test's program is alone here.
      "XDG_RUNTIME_DIR=" + runtimeDirectory_,
      "GDK_BACKEND=x11",
      "NO_AT_BRIDGE=1",
      "LANG=C.UTF-8",
  };
  if (const char* path = std::getenv("PATH")) environment.push_back(std::string("PATH=") + path);
  environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string program = runDirectory_ + "QZorvane";
  char* argv[] = {program.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, root_.c_str());
  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1;
  launched_.push_back(pid);
  return pid;
}

std::optional<int> InstalledProgram::waitForExit(pid_t pid, std::chrono::seconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      launched_.erase(std::remove(launched_.begin(), launched_.end(), pid), launched_.end());
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::nullopt;
}

bool InstalledProgram::running(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == 0;
}

std::vector<std::string> InstalledProgram::logLines() const {
  std::vector<std::string> lines;
  const std::string folderPath = runDirectory_ + "log/orvane_log";
  std::error_code error;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folderPath, error)) {
    files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }
  return lines;
}

int InstalledProgram::countLogLines(const std::string& piece) const {
  int count = 0;
  for (const auto& line : logLines()) count += line.find(piece) != std::string::npos ? 1 : 0;
  return count;
}

bool InstalledProgram::waitForLog(const std::string& piece, int count,
                                  std::chrono::seconds deadline) const {
  return waitUntil([&] { return countLogLines(piece) >= count; }, deadline,
                   std::chrono::milliseconds(50));
}

}  // namespace orvane::testing
