#include "demo_server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace orvane::testing {

namespace {

// "12:00:00.001 push 127.0.0.1:8100" -> "push 127.0.0.1:8100".
std::string withoutStamp(const std::string& line) {
  const std::size_t space = line.find(' ');
  return space == std::string::npos ? line : line.substr(space + 1);
}

std::uint16_t portAfterLastColon(const std::string& text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) return 0;
  return static_cast<std::uint16_t>(std::strtoul(text.c_str() + colon + 1, nullptr, 10));
}

}  // namespace

DemoServerProcess::DemoServerProcess(std::vector<std::string> arguments)
    : arguments_(std::move(arguments)) {}

DemoServerProcess::~DemoServerProcess() { kill(); }

bool DemoServerProcess::start(std::uint16_t webPort, std::uint16_t pushPort) {
  if (pid_ > 0) return false;
  {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }
  std::vector<std::string> args = {ORVANE_DEMO_SERVER, "--web-port", std::to_string(webPort),
                                   "--push-port", std::to_string(pushPort)};
  args.insert(args.end(), arguments_.begin(), arguments_.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // Gone with the test, however the test ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return false;
  }
  pid_ = pid;
  reader_ = std::thread([this, fd = fds[0]] { readLines(fd); });
  if (!waitForLine("ready", 1, std::chrono::seconds(30))) return false;
  for (const std::string& line : lines()) {
    if (line.rfind("web ", 0) == 0) webPort_ = portAfterLastColon(line.substr(0, line.size() - 1));
    if (line.rfind("push ", 0) == 0) pushPort_ = portAfterLastColon(line);
  }
  return webPort_ != 0 && pushPort_ != 0;
}

void DemoServerProcess::readLines(int fd) {
  std::string partial;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    partial.append(buffer, static_cast<std::size_t>(got));
    std::size_t end = 0;
    while ((end = partial.find('\n')) != std::string::npos) {
      std::string line = withoutStamp(partial.substr(0, end));
      partial.erase(0, end + 1);
      std::lock_guard lock(mutex_);
      lines_.push_back(std::move(line));
      changed_.notify_all();
    }
  }
  close(fd);
}

void DemoServerProcess::reap() {
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
  pid_ = -1;
  // The pipe reaches its end once the server (its only writer) is gone.
  if (reader_.joinable()) reader_.join();
}

int DemoServerProcess::stop() {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      reap();
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill();
  return -1;
}

void DemoServerProcess::kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
  reap();
}

std::vector<std::string> DemoServerProcess::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool DemoServerProcess::waitForLine(const std::string& piece, std::size_t count,
                                    std::chrono::seconds deadline) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, deadline, [&] {
    return static_cast<std::size_t>(std::count_if(lines_.begin(), lines_.end(), [&](const auto& l) {
             return l.find(piece) != std::string::npos;
           })) >= count;
  });
}

}  // namespace orvane::testing
