#pragma once
// The real demo server as a child process of the test: started with the
// test's options, its printed lines collected as they come, stopped with
// SIGTERM or killed outright, and started again on the same ports.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvane::testing {

class DemoServerProcess {
 public:
  // `arguments` beyond the ports, which start() gives.
  explicit DemoServerProcess(std::vector<std::string> arguments);
  ~DemoServerProcess();
  DemoServerProcess(const DemoServerProcess&) = delete;
  DemoServerProcess& operator=(const DemoServerProcess&) = delete;

  // Starts it on these ports (0: a free one, learnt from what it prints) and
  // waits until it says "ready". False when it did not.
  bool start(std::uint16_t webPort = 0, std::uint16_t pushPort = 0);
  // Started again on the ports it had.
  bool restart() { return start(webPort_, pushPort_); }
  // SIGTERM and wait: its exit status, -1 when it did not end in time.
  int stop();
  // SIGKILL and reap: the server vanishes without closing anything itself.
  void kill();
  bool running() const { return pid_ > 0; }

  std::uint16_t webPort() const { return webPort_; }
  std::uint16_t pushPort() const { return pushPort_; }

  // Lines it printed since the last start, without their time stamps.
  std::vector<std::string> lines() const;
  // Waits until `count` lines of this run contain `piece`.
  bool waitForLine(const std::string& piece, std::size_t count = 1,
                   std::chrono::seconds deadline = std::chrono::seconds(60)) const;

 private:
  void readLines(int fd);
  void reap();

  std::vector<std::string> arguments_;
  pid_t pid_ = -1;
  std::uint16_t webPort_ = 0;
  std::uint16_t pushPort_ = 0;
  std::thread reader_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> lines_;
};

}  // namespace orvane::testing
