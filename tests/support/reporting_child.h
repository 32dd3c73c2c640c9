#pragma once
// A helper server the test starts (a session bus, an X server) that reports
// one line when it is ready: its address or display number. It ends with the
// object (SIGTERM, then reaped), or with the test process if that dies first.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

namespace orvane::testing {

class ReportingChild {
 public:
  // Every "{fd}" in `args` becomes the number of the pipe the line is
  // written to; without one, the child's standard output is that pipe.
  explicit ReportingChild(std::vector<std::string> args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    bool placeholder = false;
    for (std::string& arg : args) {
      for (std::size_t at = arg.find("{fd}"); at != std::string::npos; at = arg.find("{fd}")) {
        arg.replace(at, 4, std::to_string(kChildFd));
        placeholder = true;
      }
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(1);
      const int devNull = open("/dev/null", O_RDWR);
      dup2(devNull, STDIN_FILENO);
      dup2(placeholder ? devNull : fds[1], STDOUT_FILENO);
      dup2(devNull, STDERR_FILENO);
      if (fds[1] == kChildFd) {
        fcntl(kChildFd, F_SETFD, 0);
      } else {
        dup2(fds[1], kChildFd);  // the copy stays open across exec
      }
      execvp(argv[0], argv.data());
      _exit(127);
    }
    close(fds[1]);
    if (pid_ > 0) line_ = readLine(fds[0]);
    close(fds[0]);
  }
  ~ReportingChild() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  ReportingChild(const ReportingChild&) = delete;
  ReportingChild& operator=(const ReportingChild&) = delete;

  // The reported line, empty when the child did not start or say anything.
  const std::string& line() const { return line_; }

 private:
  static constexpr int kChildFd = 3;

  static std::string readLine(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c = 0;
      if (read(fd, &c, 1) <= 0) break;
      if (c == '\n') return line;
      line += c;
    }
    return {};
  }

  pid_t pid_ = -1;
  std::string line_;
};

// A session bus of the test's own; address() is what clients connect to.
class PrivateSessionBus {
 public:
  PrivateSessionBus() : daemon_({"dbus-daemon", "--session", "--nofork", "--print-address={fd}"}) {}
  const std::string& address() const { return daemon_.line(); }

 private:
  ReportingChild daemon_;
};

// An Xvfb server on a free display; displayName() is ":N". `screen` is
// Xvfb's WIDTHxHEIGHTxDEPTH.
class PrivateXServer {
 public:
  explicit PrivateXServer(const std::string& screen = "640x480x24")
      : server_({"Xvfb", "-displayfd", "{fd}", "-nolisten", "tcp", "-screen", "0", screen}) {}
  std::string displayName() const { return server_.line().empty() ? "" : ":" + server_.line(); }

 private:
  ReportingChild server_;
};

}  // namespace orvane::testing
