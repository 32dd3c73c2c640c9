#include "app/application.h"

#include <utility>

#include "bridge/ui_thread.h"
#include "config/config_keys.h"
#include "log/start_thread.h"
#include "sys/system_services.h"
#include "webview/web_view.h"

namespace orvane {

namespace {

constexpr std::string_view kPagePath = "/client/app/";

}  // namespace

Application::Application(ApplicationParts parts)
    : parts_(std::move(parts)), self_(std::make_shared<Application*>(this)) {}

Application::~Application() {
  // Handlers still held by the window or the view find nothing from here on.
  self_.reset();
}

void Application::log(std::string_view category, std::string_view message) {
  parts_.log.write(category, message);
}

bool Application::ending() const { return tornDown_ || parts_.window.isDestroyed(); }

StartupResult Application::start() {
  // One copy per user; a second one leaves without a trace.
  config_.appName = std::string(kAppName);
  if (!parts_.instance.acquire(std::string(kInstancePrefix) + config_.appName)) {
    return StartupResult::SecondInstance;
  }
  instanceHeld_ = true;
  std::weak_ptr<Application*> weak = self_;
  parts_.window.setDestroyHandler([weak] {
    if (auto self = weak.lock()) (*self)->teardown();
  });
  if (parts_.instanceHeld) parts_.instanceHeld();
  const StartupResult result = startAfterGuard();
  if (result == StartupResult::Ended) endBeforeRunning();
  return result;
}

StartupResult Application::startAfterGuard() {
  // The caption the user, the tray and the update know the program by.
  parts_.window.setCaption(std::string(kMainWindowCaption));
  parts_.system.enablePrivilege("");

  // Who and where the program is.
  const AppConfig located = appConfigFor(parts_.executablePath);
  config_.runDirectory = located.runDirectory;
  config_.executableName = located.executableName;
  config_.configPath = located.configPath;
  state_.machineName = parts_.maker->machineName();

  // A first start gets a config.ini naming this machine as the server.
  createConfigIfMissing(config_.configPath);

  // Right after boot the desktop and the network are still coming up.
  if (parts_.system.uptimeMs() < kSettleUptime.count()) {
    if (!parts_.waits.sleep(kSettleSleep)) return StartupResult::Ended;
  }

  // The server's settings, the shortcuts that bring the program back at
  // logon, and a silent update before anything else runs.
  parts_.server.init(config_.configPath);
  const std::string target = config_.runDirectory + config_.executableName;
  parts_.system.ensureShortcut(ShortcutPlace::Desktop, target);
  parts_.system.ensureShortcut(ShortcutPlace::Autostart, target);
  runUpdate(*parts_.maker, config_, kHiddenUpdate);

  // From here on the day log records what happens.
  parts_.log.open(config_.appName, config_.runDirectory);
  log("版本号", parts_.system.fileVersion(target) + " name:" + config_.executableName);
  if (parts_.installFatalErrorHandlers) parts_.installFatalErrorHandlers();

  // Nothing to show until the server answers.
  if (!waitForServer()) return StartupResult::Ended;

  // The tray, then the page's view inside the main window.
  std::weak_ptr<Application*> weak = self_;
  parts_.window.addTrayIcon(parts_.window.caption(), [weak](TrayItem item) {
    if (auto self = weak.lock()) (*self)->onTrayItem(item);
  });
  if (!parts_.view.bind(parts_.window, true)) {
    log("窗口绑定", "失败");
    parts_.window.destroy();
    return StartupResult::Ended;
  }

  // The way other threads reach the page.
  bridge_ = std::make_unique<Bridge>(BridgeContext{
      parts_.view,
      parts_.window,
      parts_.ui,
      parts_.system,
      config_,
      state_,
      [&server = parts_.server] { return server.webBase(); },
      [&log = parts_.log](std::string_view category, std::string_view message) {
        log.write(category, message);
      },
  });

  // Local storage, console, "serverJS", the message filter's gesture.
  parts_.view.setLocalStoragePath(config_.runDirectory);
  bridge_->install();

  // The first loaded page starts the push channel; a page whose process
  // died is loaded again.
  if (parts_.makePushChannel) {
    push_ = parts_.makePushChannel(PushParts{bridge_->pageRequests(), parts_.window, parts_.ui,
                                             config_, state_, parts_.maker, parts_.log});
  }
  parts_.view.setLoadFinishedHandler([weak](int result, const std::string& reason) {
    auto self = weak.lock();
    if (self && (*self)->push_) (*self)->push_->onPageLoaded(result, reason);
  });
  parts_.view.setProcessGoneHandler([weak](const std::string& reason) {
    if (auto self = weak.lock()) (*self)->onPageProcessGone(reason);
  });

  state_.pageUrl = parts_.server.webBase() + std::string(kPagePath) + config_.appName + "/";
  log("页面地址", state_.pageUrl);

  // A valid saved choice places the window at once; otherwise the
  // operator chooses (or closes the picker and places it later).
  parts_.picker.runModal();
  if (ending()) return StartupResult::Ended;

  parts_.view.load(state_.pageUrl);
  return StartupResult::Running;
}

bool Application::waitForServer() {
  ServerAccess& server = parts_.server;
  for (;;) {
    const std::optional<bool> ready =
        parts_.waits.check([&server](std::stop_token stop) { return server.isReady(stop); });
    if (!ready) return false;
    if (*ready) return true;
    if (!parts_.waits.sleep(kServerRetryDelay)) return false;
  }
}

void Application::endBeforeRunning() {
  // The startup gave up or was told to end: the window's destruction runs
  // the teardown, once, whichever came first.
  if (!parts_.window.isDestroyed()) {
    parts_.window.destroy();
  } else {
    teardown();
  }
}

void Application::teardown() {
  if (!instanceHeld_ || tornDown_.exchange(true)) return;
  log("开始销毁", "");
  parts_.window.removeTrayIcon();
  if (parts_.picker.isOpen()) parts_.picker.close();
  parts_.waits.cancel();
  // From here no thread can wait on the UI thread, and the page's view no
  // longer runs anything: the push channel's threads, which may be waiting
  // for the page, finish and can be joined.
  parts_.ui.beginTeardown();
  parts_.view.unbind();
  if (push_) push_->stop();
  log("销毁", "");
  parts_.log.close();
  parts_.server.shutdown();
  parts_.instance.release();
  if (parts_.ended) parts_.ended();
}

void Application::requestExit() {
  if (parts_.picker.isOpen()) parts_.picker.close();
  parts_.waits.cancel();
  if (!parts_.window.isDestroyed()) {
    parts_.window.destroy();
  } else {
    teardown();
  }
}

void Application::onTrayItem(TrayItem item) {
  if (ending()) return;
  switch (item) {
    case TrayItem::Settings:
      parts_.picker.runModal();
      break;
    case TrayItem::Update:
      // The update library shows its own windows; the page keeps running.
      startThread(
          [maker = parts_.maker, config = config_] { runUpdate(*maker, config, kVisibleUpdate); });
      break;
    case TrayItem::Exit:
      requestExit();
      break;
  }
}

void Application::onFatalError(int code, const std::string& message) {
  log("错误提示", "code:" + std::to_string(code) + " msg:" + message);
  if (parts_.ui.isUiThread()) {
    teardown();
    return;
  }
  // Another thread: the UI and the threads the full teardown joins may be
  // the very ones this thread holds up. What is left of the program's state
  // goes with the process.
  if (!instanceHeld_ || tornDown_.exchange(true)) return;
  log("开始销毁", "");
  parts_.ui.beginTeardown();
  log("销毁", "");
  parts_.log.close();
  parts_.instance.release();
}

void Application::onPageProcessGone(const std::string& reason) {
  if (ending() || !push_) return;
  push_->onPageLoaded(kLoadFailed, reason);
}

}  // namespace orvane
