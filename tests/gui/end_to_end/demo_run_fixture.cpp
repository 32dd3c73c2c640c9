#include "demo_run_fixture.h"

#include <httplib.h>

#include <filesystem>
#include <sstream>
#include <thread>

namespace orvane::testing {

namespace {

using namespace std::chrono_literals;

// The row cards' colour on the demo page (board.css, --card).
constexpr std::uint32_t kCardColour = 0x151d38;
// Rows cover a good part of the screen; an empty board shows none of it.
constexpr double kBoardShare = 0.10;

std::string pageRootOf(const TempDirectory& folder) { return folder.path() + "/page"; }

// The demo page, and the report script added after its own.
bool makePageRoot(const std::string& root, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code failed;
  fs::create_directories(root, failed);
  fs::copy(ORVANE_DEMO_PAGE_DIR, root, fs::copy_options::recursive, failed);
  if (failed) {
    *error = "cannot copy the demo page: " + failed.message();
    return false;
  }
  fs::copy_file(ORVANE_E2E_REPORT_SCRIPT, root + "/e2e_report.js", failed);
  std::string index = readFile(root + "/index.html");
  const std::size_t end = index.rfind("</body>");
  if (failed || end == std::string::npos) {
    *error = "cannot add the report script to the page";
    return false;
  }
  index.insert(end, "  <script src=\"e2e_report.js\"></script>\n  ");
  writeFile(root + "/index.html", index);
  return true;
}

// [e2e] state=... from config.ini, as the client's profile functions wrote it.
std::string reportedStateText(const std::string& configText) {
  std::istringstream lines(configText);
  bool inSection = false;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inSection = line == "[e2e]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (inSection && equals != std::string::npos && line.substr(0, equals) == "state") {
      return line.substr(equals + 1);
    }
  }
  return {};
}

}  // namespace

DemoRunFixture::DemoRunFixture()
    : xServer("1280x720x24"),
      program(folder.path(), {xServer.displayName(), bus.address()}),
      // Quiet: the board changes only when a test asks.
      server({"--page-root", pageRootOf(folder), "--interval", "0", "--seed", "7"}) {}

// The client goes before the server it talks to.
DemoRunFixture::~DemoRunFixture() { program.killAll(); }

void DemoRunFixture::SetUp() {
  ASSERT_FALSE(folder.path().empty());
  ASSERT_FALSE(xServer.displayName().empty()) << "no X server";
  ASSERT_FALSE(bus.address().empty()) << "no session bus";
  std::string error;
  ASSERT_TRUE(program.install(&error)) << error;
  ASSERT_TRUE(makePageRoot(pageRootOf(folder), &error)) << error;
}

pid_t DemoRunFixture::launchClient() {
  if (!std::filesystem::exists(program.configPath())) {
    writeFile(program.configPath(), "[server]\nip=127.0.0.1\nwebport=" +
                                        std::to_string(server.webPort()) + "\n[local]\nindex=1\n");
  }
  return program.launch();
}

Json DemoRunFixture::pageState() const {
  // The client may be rewriting the file: a torn read is not valid JSON.
  const std::string text = reportedStateText(readFile(program.configPath()));
  if (text.empty()) return nullptr;
  Json state = Json::parse(text, nullptr, false);
  return state.is_discarded() || !state.is_object() ? Json(nullptr) : state;
}

Json DemoRunFixture::waitForPageState(const std::function<bool(const Json&)>& condition,
                                      std::chrono::seconds deadline) const {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (std::chrono::steady_clock::now() < end) {
    const Json state = pageState();
    if (!state.is_null() && condition(state)) return state;
    std::this_thread::sleep_for(100ms);
  }
  return nullptr;
}

std::optional<std::string> DemoRunFixture::post(const std::string& pathAndQuery,
                                                const std::string& body) {
  httplib::Client client("127.0.0.1", server.webPort());
  client.set_connection_timeout(10s);
  client.set_read_timeout(30s);
  const auto response = client.Post(pathAndQuery, body, "application/json");
  if (!response || response->status < 200 || response->status > 299) return std::nullopt;
  return response->body;
}

std::optional<Json> DemoRunFixture::getJson(const std::string& path) {
  httplib::Client client("127.0.0.1", server.webPort());
  client.set_connection_timeout(10s);
  client.set_read_timeout(30s);
  const auto response = client.Get(path);
  if (!response || response->status != 200) return std::nullopt;
  Json parsed = Json::parse(response->body, nullptr, false);
  if (parsed.is_discarded()) return std::nullopt;
  return parsed;
}

std::optional<demo::ScreenImage> DemoRunFixture::waitForBoardOnScreen(const std::string& name) {
  const auto end = std::chrono::steady_clock::now() + kDemoRunDeadline;
  std::optional<demo::ScreenImage> image;
  std::optional<demo::ScreenImage> previous;
  bool shown = false;
  while (std::chrono::steady_clock::now() < end) {
    image = demo::captureScreen(xServer.displayName(), nullptr);
    shown = image && static_cast<double>(countColour(*image, kCardColour)) >=
                         kBoardShare * static_cast<double>(image->pixels.size());
    // Rows slide and scores count for a second after a change: the board
    // is taken once it holds still.
    if (shown && previous && previous->pixels == image->pixels) break;
    previous = image;
    std::this_thread::sleep_for(200ms);
  }
  // The last screen either way: what a failure looked like is worth a look.
  if (image) {
    demo::savePng(*image, std::string(ORVANE_E2E_SCREENSHOT_DIR) + "/" + name + ".png", nullptr);
  }
  return shown ? image : std::nullopt;
}

std::size_t countColour(const demo::ScreenImage& image, std::uint32_t rgb) {
  std::size_t count = 0;
  for (const std::uint32_t pixel : image.pixels) count += pixel == rgb ? 1 : 0;
  return count;
}

}  // namespace orvane::testing
