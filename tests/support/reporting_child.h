#pragma once
// Helper servers a test starts (a session bus, an X server) that report one
// line when they are ready: their address or display number. They end with
// the object that owns them (SIGTERM, then reaped), or with the test process
// if that dies first.

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

// Starts `args` (looked up in PATH) as a child that ends when the test process
// ends (SIGTERM on its death), its standard streams on /dev/null, or its
// standard output and error on `outputFd` when that is given. Of the test's
// other descriptors only `passFd` stays open in it, as descriptor 3. Returns
// its pid, -1 when fork failed.
inline pid_t spawnTestChild(std::vector<std::string> args, int passFd = -1, int outputFd = -1) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(1);
  const int devNull = open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
  }
  if (outputFd >= 0) {
    dup2(outputFd, STDOUT_FILENO);
    dup2(outputFd, STDERR_FILENO);
  }
  if (passFd == 3) {
    fcntl(3, F_SETFD, 0);
  } else if (passFd >= 0) {
    dup2(passFd, 3);  // the copy stays open across exec
  }
  closefrom(passFd >= 0 ? 4 : 3);
  execvp(argv[0], argv.data());
  _exit(127);
}

struct ReportedStart {
  pid_t pid = -1;
  std::string line;  // empty when the child did not start or say anything
};

// Starts a child that reports one line when it is ready through the pipe that
// every "{fd}" in `args` names, and waits (generously) for that line.
inline ReportedStart startReportingChild(std::vector<std::string> args) {
  ReportedStart started;
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return started;
  for (std::string& arg : args) {
    for (std::size_t at = arg.find("{fd}"); at != std::string::npos; at = arg.find("{fd}")) {
      arg.replace(at, 4, "3");
    }
  }
  started.pid = spawnTestChild(std::move(args), fds[1]);
  close(fds[1]);
  if (started.pid > 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::string line;
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c = 0;
      if (read(fds[0], &c, 1) <= 0) break;
      if (c == '\n') {
        started.line = line;
        break;
      }
      line += c;
    }
  }
  close(fds[0]);
  return started;
}

// A reporting child that ends with the object (SIGTERM, then reaped).
class ReportingChild {
 public:
  explicit ReportingChild(std::vector<std::string> args)
      : started_(startReportingChild(std::move(args))) {}
  ~ReportingChild() {
    if (started_.pid > 0) {
      kill(started_.pid, SIGTERM);
      waitpid(started_.pid, nullptr, 0);
    }
  }
  ReportingChild(const ReportingChild&) = delete;
  ReportingChild& operator=(const ReportingChild&) = delete;

  // The reported line, empty when the child did not start or say anything.
  const std::string& line() const { return started_.line; }

 private:
  ReportedStart started_;
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
