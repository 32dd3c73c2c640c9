#pragma once
// The installed program, run as the operator's machine runs it: a run folder
// laid out by `cmake --install`, an X server and a session bus of the test's
// own, a loopback web server with the page, the readiness address and the
// port query, and a pack server for the push channel. The page reports what
// it sees to the web server (POST /report) and takes commands from it (GET
// /command), so the test watches the program from outside.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "support/http_server/loopback_http_server.h"
#include "support/installed_program/installed_program.h"
#include "support/pack_server/pack_test_server.h"
#include "support/reporting_child.h"
#include "support/temp_directory.h"

namespace orvane::testing {

inline constexpr std::chrono::seconds kProgramDeadline = kInstalledProgramDeadline;

// A page report: "<kind>|<text>".
struct PageReport {
  std::string kind;
  std::string text;
};

class ProgramFixture : public ::testing::Test {
 protected:
  ProgramFixture();
  ~ProgramFixture() override;

  void SetUp() override;

  // Starts the program from the run folder (config.ini written first when
  // there is none); its pid.
  pid_t launch();
  std::optional<int> waitForExit(pid_t pid, std::chrono::seconds deadline = kProgramDeadline) {
    return installed.waitForExit(pid, deadline);
  }
  bool running(pid_t pid) { return installed.running(pid); }

  std::vector<std::string> logLines() const { return installed.logLines(); }
  int countLogLines(const std::string& piece) const { return installed.countLogLines(piece); }
  bool waitForLog(const std::string& piece, int count = 1,
                  std::chrono::seconds deadline = kProgramDeadline) const {
    return installed.waitForLog(piece, count, deadline);
  }

  // Waits until the page has made `count` reports of `kind`; the last one.
  std::optional<PageReport> waitForReport(const std::string& kind, std::size_t count = 1,
                                          std::chrono::seconds deadline = kProgramDeadline);
  std::vector<PageReport> reports(const std::string& kind) const;
  // The next GET /command answers `command`.
  void command(const std::string& command);

  // The program's main window on the test's X server, 0 when none is mapped.
  unsigned long mainWindow() const;
  // Sends the window manager's close request (WM_DELETE_WINDOW) to it.
  bool sendCloseRequest(unsigned long window) const;
  // The colour (0xRRGGBB) of the root window's pixel at (x, y).
  std::optional<unsigned> screenPixel(int x, int y) const;

  static constexpr const char* kPageBackground = "#3366cc";
  static constexpr unsigned kPageBackgroundRgb = 0x3366cc;

  TempDirectory folder;
  PrivateXServer xServer;
  PrivateSessionBus bus;
  InstalledProgram installed;
  std::string runDirectory;
  LoopbackHttpServer web;
  PackTestServer push;

  // Set before launch().
  std::atomic<int> readinessStatus{200};  // what "/" answers
  std::atomic<int> failingPageLoads{0};   // page loads sent to a dead address
  std::string extraConfig;                // appended to config.ini

 private:
  void serve();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<PageReport> reports_;
  std::string nextCommand_;
};

}  // namespace orvane::testing
