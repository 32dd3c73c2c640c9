#include "demo_server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "support/reporting_child.h"
#include "support/wait_until.h"

namespace orvane::testing {

namespace {

// "12:00:00.001 push 127.0.0.1:8100" -> "push 127.0.0.1:8100". Lines it
// writes without a stamp (its usage, its complaints about the command line)
// stay as they are.
std::string withoutStamp(const std::string& line) {
  static const std::regex stamp(R"(^\d\d:\d\d:\d\d\.\d\d\d )");
  return std::regex_replace(line, stamp, "", std::regex_constants::format_first_only);
}

// The port in the first line of `lines` that matches `pattern` (which
// captures it); 0 when none does.
std::uint16_t portFrom(const std::vector<std::string>& lines, const std::regex& pattern) {
  std::smatch match;
  for (const std::string& line : lines) {
    if (std::regex_match(line, match, pattern)) {
      const unsigned long port = std::stoul(match[1]);
      return port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
    }
  }
  return 0;
}

}  // namespace

DemoServerProcess::DemoServerProcess(std::vector<std::string> arguments)
    : arguments_(std::move(arguments)) {}

DemoServerProcess::~DemoServerProcess() { kill(); }

bool DemoServerProcess::start(std::uint16_t webPort, std::uint16_t pushPort) {
  std::vector<std::string> arguments = {"--web-port", std::to_string(webPort), "--push-port",
                                        std::to_string(pushPort)};
  arguments.insert(arguments.end(), arguments_.begin(), arguments_.end());
  webPort_ = 0;
  pushPort_ = 0;
  if (!spawn(std::move(arguments)) || !waitForLine(std::regex("^ready$"))) return false;
  // Both are printed before "ready".
  const std::vector<std::string> printed = lines();
  webPort_ = portFrom(printed, std::regex(R"(web http://\S*:(\d{1,5})/)"));
  pushPort_ = portFrom(printed, std::regex(R"(push \S*:(\d{1,5}))"));
  return webPort_ != 0 && pushPort_ != 0;
}

bool DemoServerProcess::launch() { return spawn(arguments_); }

bool DemoServerProcess::spawn(std::vector<std::string> arguments) {
  if (running()) return false;
  {
    std::lock_guard lock(mutex_);
    lines_.clear();
    outputEnded_ = false;
  }
  status_.reset();
  arguments.insert(arguments.begin(), ORVANE_DEMO_SERVER);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  const pid_t pid = spawnTestChild(std::move(arguments), -1, fds[1]);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return false;
  }
  pid_ = pid;
  reader_ = std::thread([this, fd = fds[0]] { readLines(fd); });
  return true;
}

void DemoServerProcess::readLines(int fd) {
  std::string partial;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    partial.append(buffer, static_cast<std::size_t>(got));
    std::vector<std::string> complete;
    for (std::size_t end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
      complete.push_back(withoutStamp(partial.substr(0, end)));
      partial.erase(0, end + 1);
    }
    if (complete.empty()) continue;
    std::lock_guard lock(mutex_);
    lines_.insert(lines_.end(), complete.begin(), complete.end());
    changed_.notify_all();
  }
  close(fd);
  std::lock_guard lock(mutex_);
  if (!partial.empty()) lines_.push_back(withoutStamp(partial));
  outputEnded_ = true;
  changed_.notify_all();
}

bool DemoServerProcess::signal(int number) { return running() && ::kill(pid_, number) == 0; }

std::optional<int> DemoServerProcess::waitForExit(std::chrono::milliseconds deadline) {
  if (!running()) return status_;
  int status = 0;
  pid_t got = 0;
  waitUntil(
      [&] {
        got = waitpid(pid_, &status, WNOHANG);
        return got != 0;
      },
      deadline, std::chrono::milliseconds(20));
  if (got == 0) return std::nullopt;
  // Not ours to reap after all (got < 0): gone, with no status to tell.
  reap(got == pid_ ? std::optional<int>(status) : std::nullopt);
  return status_;
}

std::optional<int> DemoServerProcess::stop() {
  if (!signal(SIGTERM)) return status_;
  const std::optional<int> status = waitForExit();
  if (!status) kill();
  return status;
}

void DemoServerProcess::kill() {
  std::optional<int> status;
  if (running()) {
    ::kill(pid_, SIGKILL);
    int raw = 0;
    if (waitpid(pid_, &raw, 0) == pid_) status = raw;
  }
  reap(status);
}

void DemoServerProcess::reap(std::optional<int> status) {
  if (running()) status_ = status;
  pid_ = -1;
  // The pipe reaches its end once the server (its only writer) is gone.
  if (reader_.joinable()) reader_.join();
}

std::vector<std::string> DemoServerProcess::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::string DemoServerProcess::output() const {
  std::string all;
  for (const std::string& line : lines()) all += line + "\n";
  return all;
}

std::optional<std::string> DemoServerProcess::waitForLine(
    const std::regex& pattern, std::chrono::milliseconds deadline) const {
  std::unique_lock lock(mutex_);
  std::optional<std::string> found;
  std::size_t checked = 0;  // lines only ever grow while it runs
  changed_.wait_for(lock, deadline, [&] {
    for (; checked < lines_.size(); ++checked) {
      if (std::regex_search(lines_[checked], pattern)) {
        found = lines_[checked];
        return true;
      }
    }
    return outputEnded_;
  });
  return found;
}

int exitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace orvane::testing
