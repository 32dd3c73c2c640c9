#pragma once
// The real orvane-demo-server as a child process: its standard output read
// line by line on a thread of the test, its ports taken from the lines it
// prints at start, its end observed with its exit status. Killed with the
// test process, or by the destructor when still running.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/wait_until.h"

namespace orvane::testing {

class DemoServerProcess {
 public:
  explicit DemoServerProcess(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), ORVANE_DEMO_SERVER_PATH);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(1);
      dup2(out[1], STDOUT_FILENO);
      dup2(out[1], STDERR_FILENO);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    if (pid_ < 0) {
      close(out[0]);
      return;
    }
    reader_ = std::thread([this, fd = out[0]] { readLines(fd); });
  }

  ~DemoServerProcess() {
    if (pid_ > 0 && !exitStatus()) {
      kill(pid_, SIGKILL);
      waitForExit(std::chrono::seconds(30));
    }
    if (reader_.joinable()) reader_.join();
  }

  DemoServerProcess(const DemoServerProcess&) = delete;
  DemoServerProcess& operator=(const DemoServerProcess&) = delete;

  // Waits for "ready" and reads the ports; false when the server ended or
  // said nothing of the kind in time.
  bool waitUntilReady(std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    if (!waitForLine(std::regex(R"( ready$)"), timeout)) return false;
    std::smatch match;
    const auto web = waitForLine(std::regex(R"( web http://[^ ]*:(\d+)/$)"), timeout);
    const auto push = waitForLine(std::regex(R"( push [^ ]*:(\d+)$)"), timeout);
    if (!web || !push) return false;
    std::regex_search(*web, match, std::regex(R"(:(\d+)/$)"));
    webPort_ = std::stoi(match[1]);
    std::regex_search(*push, match, std::regex(R"(:(\d+)$)"));
    pushPort_ = std::stoi(match[1]);
    return true;
  }

  int webPort() const { return webPort_; }
  int pushPort() const { return pushPort_; }
  std::string webBase() const { return "http://127.0.0.1:" + std::to_string(webPort_); }

  // The first line printed so far or later that matches, searched from the
  // start of the output; nothing on time-out or when the output has ended.
  std::optional<std::string> waitForLine(const std::regex& pattern,
                                         std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    std::optional<std::string> found;
    changed_.wait_for(lock, timeout, [&] {
      for (const std::string& line : lines_) {
        if (std::regex_search(line, pattern)) {
          found = line;
          return true;
        }
      }
      return outputEnded_;
    });
    return found;
  }

  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

  std::string output() const {
    std::string all;
    for (const std::string& line : lines()) all += line + "\n";
    return all;
  }

  bool signal(int number) { return pid_ > 0 && kill(pid_, number) == 0; }

  // The raw wait status once the child has ended; nothing before.
  std::optional<int> exitStatus() {
    std::lock_guard lock(waitMutex_);
    if (!status_ && pid_ > 0) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    }
    return status_;
  }

  std::optional<int> waitForExit(std::chrono::milliseconds timeout) {
    waitUntil([&] { return exitStatus().has_value(); }, timeout, std::chrono::milliseconds(20));
    return exitStatus();
  }

 private:
  void readLines(int fd) {
    std::string partial;
    char buffer[4096];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      std::lock_guard lock(mutex_);
      partial.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end = partial.find('\n'); end != std::string::npos;
           end = partial.find('\n')) {
        lines_.push_back(partial.substr(0, end));
        partial.erase(0, end + 1);
      }
      changed_.notify_all();
    }
    close(fd);
    std::lock_guard lock(mutex_);
    if (!partial.empty()) lines_.push_back(partial);
    outputEnded_ = true;
    changed_.notify_all();
  }

  pid_t pid_ = -1;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
  bool outputEnded_ = false;
  std::mutex waitMutex_;
  std::optional<int> status_;
  int webPort_ = 0;
  int pushPort_ = 0;
};

// 0 to 255 for a normal exit, -1 otherwise (a signal ended it).
inline int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace orvane::testing
