// orvane-demo-server: the leaderboard server's stand-in on the local network
// (see --help).

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "demo_options.h"
#include "event_log.h"
#include "page_root.h"
#include "push_service.h"
#include "web_service.h"

namespace {

using namespace orvane::demo;

constexpr const char* kProgram = "orvane-demo-server";

std::string hostForUrl(const std::string& address) {
  return address.find(':') != std::string::npos ? "[" + address + "]" : address;
}

const char* signalName(int number) {
  switch (number) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    default:
      return "signal";
  }
}

int run(DemoOptions options) {
  std::string error;
  const std::string pageRoot = findPageRoot(options.pageRoot, error);
  if (pageRoot.empty()) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return 1;
  }
  if (!options.seed) {
    options.seed =
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
  }

  // The stop signals are blocked before any thread starts, so every thread
  // inherits the mask and only the sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // A client or a log reader that goes away must not end the server.
  signal(SIGPIPE, SIG_IGN);

  EventLog log;
  std::unique_ptr<PushService> push;
  try {
    push = std::make_unique<PushService>(options, log);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: cannot listen for pushes on %s:%u: %s\n", kProgram,
                 options.bindAddress.c_str(), static_cast<unsigned>(options.pushPort), e.what());
    return 1;
  }
  WebService web(options, pageRoot, *push, log);
  if (!web.start(error)) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    push->stop();
    return 1;
  }

  const std::string host = hostForUrl(options.bindAddress);
  const std::string web_base = "http://" + host + ":" + std::to_string(web.port());
  log.line("web " + web_base + "/");
  log.line("push " + host + ":" + std::to_string(push->port()));
  log.line("page " + web_base + web.pagePath() + " from " + pageRoot);
  log.line("interval " + std::to_string(options.intervalMs) + " ms, seed " +
           std::to_string(*options.seed) + ", charset " +
           (options.charset == PushCharset::Utf8 ? "utf-8" : "gbk") +
           (options.stampSendTime ? ", send times stamped" : ""));
  log.line("ready");

  int received = 0;
  while (sigwait(&stopSignals, &received) != 0) {
  }
  log.line(std::string("stop on ") + signalName(received));
  web.stop();
  push->stop();
  log.line("stopped");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  ParsedOptions parsed = parseDemoOptions(arguments);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "%s: %s (see --help)\n", kProgram, parsed.error.c_str());
    return 2;
  }
  if (parsed.options.help) {
    std::fputs(demoUsage(kProgram).c_str(), stdout);
    return 0;
  }
  if (parsed.options.version) {
    std::printf("%s %s\n", kProgram, ORVANE_VERSION);
    return 0;
  }
  return run(std::move(parsed.options));
}
