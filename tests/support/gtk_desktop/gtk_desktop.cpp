#include "support/gtk_desktop/gtk_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace orvane::testing {

namespace {

constexpr auto kStartDeadline = std::chrono::seconds(30);

struct Desktop {
  bool tried = false;
  bool started = false;
  std::string error;
  std::string display;
};

Desktop& desktop() {
  static Desktop instance;
  return instance;
}

// Starts a program that ends when this process ends (SIGTERM on the parent's
// death), with `passFd` left open in it. Returns its pid or -1.
pid_t spawn(const std::vector<std::string>& args, int passFd) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
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
  for (int fd = 3; fd < 1024; ++fd) {
    if (fd != passFd) close(fd);
  }
  execvp(argv[0], argv.data());
  _exit(127);
}

// Reads one line the child writes to the pipe (its display number or bus
// address); empty on time-out or end of file.
std::string readLine(int fd) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char c = 0;
    const ssize_t n = read(fd, &c, 1);
    if (n <= 0) break;
    if (c == '\n') return line;
    line += c;
  }
  return {};
}

// Starts a child that reports one line through the pipe whose write end is
// given by the placeholder "{fd}" in `args`.
std::string startReporting(std::vector<std::string> args, std::string* error) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *error = "pipe failed";
    return {};
  }
  // The write end must survive exec in the child.
  const int writeFd = fcntl(fds[1], F_DUPFD, 10);
  close(fds[1]);
  for (std::string& arg : args) {
    const auto at = arg.find("{fd}");
    if (at != std::string::npos) arg.replace(at, 4, std::to_string(writeFd));
  }
  const pid_t pid = spawn(args, writeFd);
  close(writeFd);
  std::string line;
  if (pid > 0) line = readLine(fds[0]);
  close(fds[0]);
  if (line.empty()) *error = args[0] + " did not start";
  return line;
}

bool waitForWindowManager(const std::string& display) {
  Display* x = XOpenDisplay(display.c_str());
  if (x == nullptr) return false;
  const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
  bool found = false;
  const auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
  while (!found && std::chrono::steady_clock::now() < deadline) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
      found = count == 1;
    }
    if (data != nullptr) XFree(data);
    if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  XCloseDisplay(x);
  return found;
}

}  // namespace

namespace {

bool startDesktop(const DesktopOptions& options, Desktop& d, std::string* error) {
  const std::string screen =
      std::to_string(options.width) + "x" + std::to_string(options.height) + "x24";
  const std::string number = startReporting(
      {"Xvfb", "-displayfd", "{fd}", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
      error);
  if (number.empty()) return false;
  d.display = ":" + number;
  // A bus of our own: nothing gets autolaunched and left behind, and the tray
  // finds a session bus as on a desktop.
  const std::string bus = startReporting(
      {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address={fd}"}, error);
  if (bus.empty()) return false;
  setenv("DISPLAY", d.display.c_str(), 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
  setenv("GDK_BACKEND", "x11", 1);
  setenv("NO_AT_BRIDGE", "1", 1);
  unsetenv("WAYLAND_DISPLAY");
  // Running before GTK starts: GDK looks for the window manager once and
  // then not again for a while.
  if (spawn({"openbox", "--sm-disable"}, -1) <= 0 || !waitForWindowManager(d.display)) {
    *error = "openbox did not start";
    return false;
  }
  if (!gtk_init_check(nullptr, nullptr)) {
    *error = "gtk_init_check failed on " + d.display;
    return false;
  }
  return true;
}

}  // namespace

bool setUpGtkDesktop(const DesktopOptions& options, std::string* error) {
  Desktop& d = desktop();
  if (!d.tried) {
    d.tried = true;
    d.started = startDesktop(options, d, &d.error);
  }
  if (error != nullptr) *error = d.error;
  return d.started;
}

std::string desktopDisplayName() { return desktop().display; }

}  // namespace orvane::testing
