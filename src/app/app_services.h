#pragma once
// The services the application's startup and teardown use besides the window
// seam (main_window.h, web_view.h, ui_thread.h, system_services.h). Each is
// small so that tests can stand in for it and record the order of the steps;
// program_services.h has the program's own implementations.

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace orvane {

// The machine-wide guard that keeps a second copy from running.
class InstanceGuard {
 public:
  virtual ~InstanceGuard() = default;
  // True when this process now holds the guard called `name`.
  virtual bool acquire(const std::string& name) = 0;
  // Lets go of it; nothing happens when it is not held.
  virtual void release() = 0;
};

// The day log.
class DayLog {
 public:
  virtual ~DayLog() = default;
  virtual bool open(const std::string& appName, const std::string& baseDirectory) = 0;
  // Any thread; dropped while the log is not open.
  virtual void write(std::string_view category, std::string_view message) = 0;
  // Writes what is queued and closes; harmless when not open.
  virtual void close() = 0;
};

// The server as the startup sees it: settings from config.ini, libcurl's
// process-wide state, the web base address and whether it answers.
class ServerAccess {
 public:
  virtual ~ServerAccess() = default;
  virtual void init(const std::string& configPath) = 0;
  // "http://" + address + ":" + web port; empty when the web port is 0 or less.
  virtual std::string webBase() = 0;
  // Any thread: one request of the web base, following redirects; true for
  // a 2xx answer. A triggered stop token abandons the request (false).
  virtual bool isReady(std::stop_token stop) = 0;
  virtual void shutdown() = 0;
};

// The startup's long waits. The startup runs on the UI thread before the
// main loop, so a platform keeps its loop turning inside these (a termination
// signal still gets through) and ends them early when the program is told
// to end.
class StartupWaits {
 public:
  virtual ~StartupWaits() = default;
  // Waits `duration`; false when cancel() came first (or before).
  virtual bool sleep(std::chrono::milliseconds duration) = 0;
  // Runs `check` off the UI thread and gives its answer; nullopt when
  // cancel() came first: the check's stop token is then triggered, and the
  // check has returned before this does.
  virtual std::optional<bool> check(std::function<bool(std::stop_token)> check) = 0;
  // Ends the wait in progress and makes every later one end at once. From
  // the UI thread (a signal handler on the loop, the teardown).
  virtual void cancel() = 0;
};

// The monitor picker, opened modally over the main window.
class ScreenChoice {
 public:
  virtual ~ScreenChoice() = default;
  // Returns when the picker is closed; at once when a saved choice applied.
  virtual void runModal() = 0;
  // Closes the open picker; runModal returns. Safe when none is open.
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
};

// The push channel as the application drives it: the page's loading-finished
// events start it, the teardown stops it.
class PushControl {
 public:
  virtual ~PushControl() = default;
  // UI thread. Result 0 is a loaded page; any other value a failed or
  // cancelled load, `reason` telling why.
  virtual void onPageLoaded(int result, const std::string& reason) = 0;
  // Ends the channel and waits for its threads; safe when nothing runs.
  virtual void stop() = 0;
};

}  // namespace orvane
