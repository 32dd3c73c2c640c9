#include "program_fixture.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <filesystem>
#include <memory>

#include "program_page.h"
#include "support/http_server/loopback_sockets.h"

namespace orvane::testing {

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

}  // namespace

ProgramFixture::ProgramFixture()
    : installed(folder.path(), {xServer.displayName(), bus.address()}),
      runDirectory(installed.runDirectory()) {}

// The program goes before the servers it talks to.
ProgramFixture::~ProgramFixture() { installed.killAll(); }

void ProgramFixture::SetUp() {
  ASSERT_FALSE(folder.path().empty());
  ASSERT_FALSE(xServer.displayName().empty()) << "no X server";
  ASSERT_FALSE(bus.address().empty()) << "no session bus";
  std::string error;
  ASSERT_TRUE(installed.install(&error)) << error;
  serve();
  ASSERT_TRUE(web.start());
  ASSERT_NE(push.port(), 0);
}

void ProgramFixture::serve() {
  // One request per connection: the engine's network process keeps idle
  // connections open, which would hold the server's stop for seconds.
  web.server().set_keep_alive_max_count(1);
  web.server().Get("/", [this](const httplib::Request&, httplib::Response& response) {
    response.status = readinessStatus.load();
    response.set_content("leaderboard server", "text/plain");
  });
  web.server().Get(
      "/api100.php", [this](const httplib::Request& request, httplib::Response& response) {
        if (request.get_param_value("fun") == "port" && request.get_param_value("name") == "tcp") {
          response.set_content(std::to_string(push.port()), "text/plain");
        } else {
          response.status = 404;
        }
      });
  web.server().Get(
      "/client/app/orvane/", [this](const httplib::Request&, httplib::Response& response) {
        int left = failingPageLoads.load();
        while (left > 0 && !failingPageLoads.compare_exchange_weak(left, left - 1)) {
        }
        if (left > 0) {
          // Nothing listens there: the engine reports a failed load.
          response.set_redirect("http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/");
          return;
        }
        response.set_content(programTestPage(), "text/html; charset=utf-8");
      });
  web.server().Post("/report", [this](const httplib::Request& request, httplib::Response&) {
    const std::size_t bar = request.body.find('|');
    PageReport report{request.body.substr(0, bar),
                      bar == std::string::npos ? "" : request.body.substr(bar + 1)};
    std::lock_guard lock(mutex_);
    reports_.push_back(std::move(report));
    changed_.notify_all();
  });
  web.server().Get("/command", [this](const httplib::Request&, httplib::Response& response) {
    std::lock_guard lock(mutex_);
    response.set_content(std::exchange(nextCommand_, std::string()), "text/plain");
  });
}

pid_t ProgramFixture::launch() {
  // The server's address, and monitor 1 chosen, so the picker places the
  // window without asking.
  const std::string configPath = installed.configPath();
  if (!std::filesystem::exists(configPath)) {
    writeFile(configPath, "[server]\nip=127.0.0.1\nwebport=" + std::to_string(web.port()) +
                              "\n[local]\nindex=1\n" + extraConfig);
  }
  return installed.launch();
}

std::vector<PageReport> ProgramFixture::reports(const std::string& kind) const {
  std::lock_guard lock(mutex_);
  std::vector<PageReport> found;
  for (const auto& report : reports_) {
    if (report.kind == kind) found.push_back(report);
  }
  return found;
}

std::optional<PageReport> ProgramFixture::waitForReport(const std::string& kind, std::size_t count,
                                                        std::chrono::seconds deadline) {
  std::unique_lock lock(mutex_);
  std::optional<PageReport> last;
  changed_.wait_for(lock, deadline, [&] {
    std::size_t seen = 0;
    for (const auto& report : reports_) {
      if (report.kind == kind && ++seen == count) {
        last = report;
        return true;
      }
    }
    return false;
  });
  return last;
}

void ProgramFixture::command(const std::string& text) {
  std::lock_guard lock(mutex_);
  nextCommand_ = text;
}

unsigned long ProgramFixture::mainWindow() const {
  DisplayPtr display(XOpenDisplay(xServer.displayName().c_str()));
  if (!display) return 0;
  const Atom netName = XInternAtom(display.get(), "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display.get(), "UTF8_STRING", False);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(display.get(), DefaultRootWindow(display.get()), &root, &parent, &children,
                 &count) == 0) {
    return 0;
  }
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display.get(), children[i], &attributes) == 0 ||
        attributes.map_state != IsViewable) {
      continue;
    }
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display.get(), children[i], netName, 0, 1024, False, utf8, &type,
                           &format, &items, &after, &data) == Success &&
        data != nullptr) {
      if (std::string(reinterpret_cast<char*>(data), items) == "Quenmere-排行榜") {
        found = children[i];
      }
      XFree(data);
    }
  }
  if (children != nullptr) XFree(children);
  return found;
}

bool ProgramFixture::sendCloseRequest(unsigned long window) const {
  DisplayPtr display(XOpenDisplay(xServer.displayName().c_str()));
  if (!display || window == 0) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display.get(), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] =
      static_cast<long>(XInternAtom(display.get(), "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display.get(), window, False, NoEventMask, &event);
  XSync(display.get(), False);
  return sent != 0;
}

std::optional<unsigned> ProgramFixture::screenPixel(int x, int y) const {
  DisplayPtr display(XOpenDisplay(xServer.displayName().c_str()));
  if (!display) return std::nullopt;
  XImage* image =
      XGetImage(display.get(), DefaultRootWindow(display.get()), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return std::nullopt;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  // The private server runs at 24 bits, red in the high byte.
  return static_cast<unsigned>(pixel & 0xFFFFFF);
}

}  // namespace orvane::testing
