#pragma once
// The real orvane-demo-server as a child process of the test: its printed
// lines collected as they come (without their time stamps), its ports taken
// from what it prints at start, stopped with a signal or killed outright, and
// started again on the same ports. It ends with the object, or with the test
// process if that dies first.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace orvane::testing {

class DemoServerProcess {
 public:
  // `arguments`: its options beyond the ports, which start() gives.
  explicit DemoServerProcess(std::vector<std::string> arguments);
  ~DemoServerProcess();
  DemoServerProcess(const DemoServerProcess&) = delete;
  DemoServerProcess& operator=(const DemoServerProcess&) = delete;

  // Starts it on these ports (0: a free one, learnt from what it prints) and
  // waits until it says "ready". False when it did not.
  bool start(std::uint16_t webPort = 0, std::uint16_t pushPort = 0);
  // Started again, once it has ended, on the ports it had.
  bool restart() { return start(webPort_, pushPort_); }
  // Runs it with the constructor's arguments alone (no ports added) and
  // returns without waiting: for command lines it answers or refuses.
  bool launch();

  bool running() const { return pid_ > 0; }
  bool signal(int number);
  // Waits for it to end; its status as waitpid gives it (see exitCodeOf),
  // nullopt when it still runs at the deadline. Once it has ended, every
  // line it printed is in lines().
  std::optional<int> waitForExit(std::chrono::milliseconds deadline = std::chrono::seconds(30));
  // SIGTERM and waitForExit; killed when it did not end by then.
  std::optional<int> stop();
  // SIGKILL and reap: the server vanishes without closing anything itself.
  void kill();

  std::uint16_t webPort() const { return webPort_; }
  std::uint16_t pushPort() const { return pushPort_; }
  std::string webBase() const { return "http://127.0.0.1:" + std::to_string(webPort_); }

  // Lines it printed since it was last started, without their time stamps.
  std::vector<std::string> lines() const;
  // The same, one text, for failure messages.
  std::string output() const;
  // The first line of this run, printed so far or later, that matches;
  // nullopt at the deadline or once its output has ended without one.
  std::optional<std::string> waitForLine(
      const std::regex& pattern,
      std::chrono::milliseconds deadline = std::chrono::seconds(30)) const;

 private:
  bool spawn(std::vector<std::string> arguments);
  void readLines(int fd);
  void reap(std::optional<int> status);

  std::vector<std::string> arguments_;
  pid_t pid_ = -1;
  std::optional<int> status_;
  std::uint16_t webPort_ = 0;
  std::uint16_t pushPort_ = 0;
  std::thread reader_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> lines_;
  bool outputEnded_ = false;
};

// 0 to 255 for a normal exit, -1 when a signal ended it.
int exitCodeOf(int status);

}  // namespace orvane::testing
