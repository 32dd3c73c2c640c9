#pragma once
// The program as the operator's machine runs it: a run folder laid out by
// `cmake --install` (the executable, the maker's library, the icon), started
// from there with an environment of the test's own (its X server, session
// bus, home and runtime folders), and its day log read back. Whatever it
// started and did not see end is killed with it.
//
// A test that uses it makes its build depend on the installed targets
// (QZorvane, common, orvane_icon).

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace orvane::testing {

inline constexpr std::chrono::seconds kInstalledProgramDeadline{90};

struct InstalledProgramEnvironment {
  std::string displayName;  // ":N"
  std::string busAddress;   // the session bus
};

class InstalledProgram {
 public:
  // The run folder is `root` + "/run/"; home and runtime folders beside it.
  InstalledProgram(std::string root, InstalledProgramEnvironment environment);
  ~InstalledProgram();
  InstalledProgram(const InstalledProgram&) = delete;
  InstalledProgram& operator=(const InstalledProgram&) = delete;

  // Lays out the run folder; false with `error` set when that failed.
  bool install(std::string* error);

  // Ends in "/".
  const std::string& runDirectory() const { return runDirectory_; }
  std::string configPath() const { return runDirectory_ + "config.ini"; }

  // Starts the program from the run folder (from another working folder: it
  // finds its folder by itself); its pid, -1 when it could not start.
  // `extraEnvironment` entries are "NAME=value".
  pid_t launch(const std::vector<std::string>& extraEnvironment = {});
  // Waits for the program to end; its status as waitpid gives it, or
  // nullopt when it still runs at the deadline.
  std::optional<int> waitForExit(pid_t pid,
                                 std::chrono::seconds deadline = kInstalledProgramDeadline);
  bool running(pid_t pid);
  // Kills (SIGKILL) and reaps every program it started that still runs.
  void killAll();

  // Every line of the day log files, oldest file first.
  std::vector<std::string> logLines() const;
  int countLogLines(const std::string& piece) const;
  // Polls the day log until `count` lines contain `piece`.
  bool waitForLog(const std::string& piece, int count = 1,
                  std::chrono::seconds deadline = kInstalledProgramDeadline) const;

 private:
  std::string root_;
  std::string runDirectory_;
  std::string homeDirectory_;
  std::string runtimeDirectory_;
  InstalledProgramEnvironment environment_;
  std::vector<pid_t> launched_;
};

}  // namespace orvane::testing
