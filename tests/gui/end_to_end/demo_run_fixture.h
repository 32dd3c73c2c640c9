#pragma once
// The installed client against the real demo server, both as child
// processes, on an X server and a session bus of the test's own.
//
// The page is the demo's own leaderboard page with one script added,
// e2e_report.js, which reports the page's test state (window.__board) four
// times a second through the client's own "serverJS" "writeini" into
// config.ini, section [e2e], key "state". The test reads it back from the
// file: no hook in the client or the server, and the road the report takes
// is the page API any page uses.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "screen_capture.h"
#include "support/demo_server/demo_server_process.h"
#include "support/installed_program/installed_program.h"
#include "support/reporting_child.h"
#include "support/temp_directory.h"

namespace orvane::testing {

inline constexpr std::chrono::seconds kDemoRunDeadline{90};

using Json = nlohmann::json;

class DemoRunFixture : public ::testing::Test {
 protected:
  DemoRunFixture();
  ~DemoRunFixture() override;

  void SetUp() override;

  // Writes config.ini for the server's web port and monitor 1 (so the picker
  // asks nothing) when there is none, and starts the client.
  pid_t launchClient();

  // The page's last report, null when there is none (yet).
  Json pageState() const;
  // Polls the reports until one satisfies `condition`; null at the deadline.
  Json waitForPageState(const std::function<bool(const Json&)>& condition,
                        std::chrono::seconds deadline = kDemoRunDeadline) const;

  // The demo server's operator endpoints; the answer's body, nullopt when
  // the request failed or was not answered 2xx.
  std::optional<std::string> post(const std::string& pathAndQuery, const std::string& body = "");
  std::optional<Json> getJson(const std::string& path);

  // Waits until the screen shows the board's rows (the row cards' colour
  // over a good part of the screen) standing still, saves the screen as
  // screenshots/<name>.png in the test's build folder, and returns it;
  // nullopt when the rows did not show by the deadline.
  std::optional<demo::ScreenImage> waitForBoardOnScreen(const std::string& name);

  TempDirectory folder;
  PrivateXServer xServer;
  PrivateSessionBus bus;
  InstalledProgram program;
  DemoServerProcess server;
};

// Pixels of exactly this colour.
std::size_t countColour(const demo::ScreenImage& image, std::uint32_t rgb);

}  // namespace orvane::testing
