#pragma once
// The program's spine: the startup sequence that runs once on the UI thread
// before the main loop, the teardown that runs once when the main window
// goes, the tray's menu, and what happens on a fatal error or when the
// page's process dies. Everything it works with comes in by interface, so
// the platform's entry point decides the backends and tests drive it with
// the recording ones.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/app_services.h"
#include "app/maker_library.h"
#include "bridge/bridge.h"
#include "bridge/bridge_context.h"
#include "config/app_config.h"
#include "webview/main_window.h"

namespace orvane {

class SystemServices;
class UiThread;
class WebView;

inline constexpr std::string_view kAppName = "orvane";
inline constexpr std::string_view kInstancePrefix = "QZ";
inline constexpr std::string_view kMainWindowCaption = "Quenmere-排行榜";
// The startup waits for the system to settle when it has been up less long.
inline constexpr std::chrono::milliseconds kSettleUptime{5000};
inline constexpr std::chrono::milliseconds kSettleSleep{5000};
inline constexpr std::chrono::milliseconds kServerRetryDelay{3000};

// What the push channel gets when the startup makes it (after the bridge,
// whose page requests it hands its messages to).
struct PushParts {
  PageRequests& pages;
  MainWindow& window;
  UiThread& ui;
  const AppConfig& config;
  const AppState& state;
  std::shared_ptr<MakerLibrary> maker;
  DayLog& log;
};

struct ApplicationParts {
  // Absolute path of the running executable; the run folder is its folder.
  std::string executablePath;

  MainWindow& window;
  WebView& view;
  UiThread& ui;
  SystemServices& system;
  // Shared with the update threads, which may outlive the application.
  std::shared_ptr<MakerLibrary> maker;
  InstanceGuard& instance;
  DayLog& log;
  ServerAccess& server;
  StartupWaits& waits;
  ScreenChoice& picker;

  // Makes the push channel; null (or an empty function) for none.
  std::function<std::unique_ptr<PushControl>(const PushParts&)> makePushChannel{};
  // Installs the process's handlers for fatal errors (startup step 17).
  std::function<void()> installFatalErrorHandlers{};
  // Runs once the instance guard is held, before anything else is touched:
  // the place for helpers that live as long as the program.
  std::function<void()> instanceHeld{};
  // Runs at the end of the teardown: the main loop may end.
  std::function<void()> ended{};
};

enum class StartupResult {
  SecondInstance,  // another copy runs; nothing was touched
  Running,         // the page is loading; the main loop takes over
  Ended,           // the program ended during the startup (teardown done)
};

class Application {
 public:
  explicit Application(ApplicationParts parts);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The startup sequence, on the UI thread.
  StartupResult start();

  // The shutdown sequence, on the UI thread: log "开始销毁", remove the tray
  // icon, close the picker, stop the hand-overs to the UI thread and unbind
  // the view (so no network thread can hold up what follows), stop the push
  // channel, log "销毁", close the log, shut the server link down, release
  // the instance guard. Runs once; nothing before the guard was held.
  void teardown();

  // Ends the program as the tray's "退出" does: closes the picker, then
  // destroys the main window, whose destruction runs the teardown. UI thread.
  void requestExit();

  // The tray menu: "设置" opens the picker, "更新" starts a visible update on
  // a thread of its own, "退出" is requestExit().
  void onTrayItem(TrayItem item);

  // Logs "错误提示" / "code:" + code + " msg:" + message and tears down. On
  // the UI thread the teardown is the whole one; on any other thread only
  // the parts that neither touch the UI nor wait for other threads run (the
  // thread may be one of those), and the process is about to end anyway.
  void onFatalError(int code, const std::string& message);

  // The page's process died. The page is gone as if its load had failed, so
  // it takes the failed load's way back: the push channel logs "载入页面" /
  // "失败 code:" + reason and loads the page again a while later, off the UI
  // thread.
  void onPageProcessGone(const std::string& reason);

  const AppConfig& config() const { return config_; }
  const AppState& state() const { return state_; }
  // Null before the startup made the bridge.
  PageRequests* pageRequests() { return bridge_ ? &bridge_->pageRequests() : nullptr; }
  // True once the program is ending (teardown begun or the window gone).
  bool ending() const;

 private:
  StartupResult startAfterGuard();
  void log(std::string_view category, std::string_view message);
  bool waitForServer();
  void endBeforeRunning();

  ApplicationParts parts_;
  AppConfig config_;
  AppState state_;
  bool instanceHeld_ = false;
  // Set by the one teardown that runs, on whichever thread it runs.
  std::atomic<bool> tornDown_{false};
  std::unique_ptr<Bridge> bridge_;
  std::unique_ptr<PushControl> push_;
  // Handlers given to the window and the view hold this weakly, so one that
  // runs after the application is gone does nothing.
  std::shared_ptr<Application*> self_;
};

}  // namespace orvane
