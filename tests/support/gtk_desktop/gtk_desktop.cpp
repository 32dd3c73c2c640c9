#include "support/gtk_desktop/gtk_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gtk/gtk.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "support/reporting_child.h"
#include "support/wait_until.h"

namespace orvane::testing {

namespace {

constexpr auto kStartDeadline = std::chrono::seconds(30);

// Outputs the dummy video driver offers.
constexpr int kDummyOutputs = 16;

struct Desktop {
  bool tried = false;
  bool started = false;
  bool multiMonitor = false;
  std::string error;
  std::string display;
  std::set<std::string> modesMade;                   // "WxH"
  std::set<std::pair<int, std::string>> modesGiven;  // (output, "WxH")
};

Desktop& desktop() {
  static Desktop instance;
  return instance;
}

// Starts a child that reports one line (its display number or bus address)
// through the pipe named by "{fd}" in `args`. It runs until this process
// ends. The line, or empty with `error` set.
std::string startReporting(std::vector<std::string> args, std::string* error) {
  const std::string program = args[0];
  std::string line = startReportingChild(std::move(args)).line;
  if (line.empty()) *error = program + " did not start";
  return line;
}

bool waitForWindowManager(const std::string& display) {
  Display* x = XOpenDisplay(display.c_str());
  if (x == nullptr) return false;
  const Atom check = XInternAtom(x, "_NET_SUPPORTING_WM_CHECK", False);
  const bool found = waitUntil(
      [&] {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        bool set = false;
        if (XGetWindowProperty(x, DefaultRootWindow(x), check, 0, 1, False, XA_WINDOW, &type,
                               &format, &count, &after, &data) == Success &&
            data != nullptr) {
          set = count == 1;
        }
        if (data != nullptr) XFree(data);
        return set;
      },
      kStartDeadline, std::chrono::milliseconds(20));
  XCloseDisplay(x);
  return found;
}

}  // namespace

namespace {

// Runs a program to its end; false with `error` set unless it exits with 0.
bool runToEnd(const std::vector<std::string>& args, std::string* error) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  gchar* outputText = nullptr;
  gchar* errorText = nullptr;
  gint status = 0;
  GError* spawnError = nullptr;
  const gboolean ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                                    nullptr, &outputText, &errorText, &status, &spawnError);
  g_free(outputText);
  std::string message = errorText != nullptr ? errorText : "";
  g_free(errorText);
  if (!ran) {
    message = spawnError != nullptr ? spawnError->message : "spawn failed";
    if (spawnError != nullptr) g_error_free(spawnError);
  }
  if (ran && g_spawn_check_wait_status(status, nullptr)) return true;
  std::string command;
  for (const std::string& arg : args) command += arg + " ";
  *error = command + "failed: " + message;
  return false;
}

// The X.Org server with the dummy driver; its configuration and log live in
// a folder removed once the server runs (it keeps its log file open).
std::string startDummyServer(std::string* error) {
  std::string folder = (std::filesystem::temp_directory_path() / "orvane-xorg-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    *error = "mkdtemp failed";
    return {};
  }
  std::filesystem::create_directory(folder + "/conf.d");
  {
    std::ofstream conf(folder + "/xorg.conf");
    conf << R"(Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 6400 2400
  EndSubSection
EndSection
)";
  }
  const std::string number =
      startReporting({"Xorg", "-displayfd", "{fd}", "-config", folder + "/xorg.conf", "-configdir",
                      folder + "/conf.d", "-logfile", folder + "/Xorg.log", "-nolisten", "tcp",
                      "-noreset", "-novtswitch", "-sharevts"},
                     error);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return number;
}

bool configureMonitors(Desktop& d, const std::vector<DesktopMonitor>& monitors,
                       std::string* error) {
  if (static_cast<int>(monitors.size()) > kDummyOutputs) {
    *error = "too many monitors";
    return false;
  }
  std::vector<std::string> layout{"xrandr", "-display", d.display};
  for (int i = 0; i < kDummyOutputs; ++i) {
    const std::string output = "DUMMY" + std::to_string(i);
    if (i >= static_cast<int>(monitors.size())) {
      layout.insert(layout.end(), {"--output", output, "--off"});
      continue;
    }
    const DesktopMonitor& m = monitors[i];
    // Named apart from the modes the driver lists, which may have other timings.
    const std::string mode = "orvane-" + std::to_string(m.width) + "x" + std::to_string(m.height);
    if (d.modesMade.count(mode) == 0) {
      // A 30 Hz modeline keeps the pixel clock within the driver's limit even
      // for large monitors; the dummy outputs show nothing anyway.
      const int hTotal = m.width + 80;
      const int vTotal = m.height + 30;
      char clock[32];
      std::snprintf(clock, sizeof clock, "%.3f", hTotal * static_cast<double>(vTotal) * 30 / 1e6);
      if (!runToEnd(
              {"xrandr", "-display", d.display, "--newmode", mode, clock, std::to_string(m.width),
               std::to_string(m.width + 8), std::to_string(m.width + 40), std::to_string(hTotal),
               std::to_string(m.height), std::to_string(m.height + 3), std::to_string(m.height + 6),
               std::to_string(vTotal)},
              error)) {
        return false;
      }
      d.modesMade.insert(mode);
    }
    if (d.modesGiven.count({i, mode}) == 0) {
      if (!runToEnd({"xrandr", "-display", d.display, "--addmode", output, mode}, error)) {
        return false;
      }
      d.modesGiven.insert({i, mode});
    }
    layout.insert(layout.end(), {"--output", output, "--mode", mode, "--pos",
                                 std::to_string(m.x) + "x" + std::to_string(m.y)});
    if (i == 0) layout.push_back("--primary");
  }
  if (!runToEnd(layout, error)) return false;
  // The driver tells an output with a mode as connected only when asked to
  // probe its outputs, which a plain query does; GDK itself never probes.
  return runToEnd({"xrandr", "-display", d.display, "--query"}, error);
}

bool startDesktop(const DesktopOptions& options, Desktop& d, std::string* error) {
  std::string number;
  if (options.monitors.empty()) {
    const std::string screen =
        std::to_string(options.width) + "x" + std::to_string(options.height) + "x24";
    number = startReporting(
        {"Xvfb", "-displayfd", "{fd}", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"},
        error);
  } else {
    number = startDummyServer(error);
  }
  if (number.empty()) return false;
  d.display = ":" + number;
  if (!options.monitors.empty()) {
    d.multiMonitor = true;
    if (!configureMonitors(d, options.monitors, error)) return false;
  }
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
  if (spawnTestChild({"openbox", "--sm-disable"}) <= 0 || !waitForWindowManager(d.display)) {
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

bool setDesktopMonitors(const std::vector<DesktopMonitor>& monitors, std::string* error) {
  Desktop& d = desktop();
  if (!d.started || !d.multiMonitor) {
    *error = "no multi-monitor desktop";
    return false;
  }
  return configureMonitors(d, monitors, error);
}

}  // namespace orvane::testing
