#pragma once
// The application over the recording backends. Every call the startup or the
// teardown makes on a collaborator lands, in order, in one journal, so a
// test can read the sequence of steps as the program ran it. The window, the
// view, the system services and the maker's library forward to the null
// backends, which keep their own records for the details.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "app/maker_library_null.h"
#include "app/program_services.h"
#include "bridge/ui_thread_null.h"
#include "support/temp_directory.h"
#include "support/wait_until.h"
#include "sys/system_services_null.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace orvane::testing {

class Journal {
 public:
  void add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  std::vector<std::string> entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  // Entries from the first one equal to `from` on (all when absent: empty).
  std::vector<std::string> from(const std::string& first) const {
    const auto all = entries();
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i] == first) return {all.begin() + static_cast<long>(i), all.end()};
    }
    return {};
  }
  int count(const std::string& entry) const {
    int n = 0;
    for (const auto& e : entries()) n += e == entry ? 1 : 0;
    return n;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> entries_;
};

class JournalWindow final : public MainWindow {
 public:
  explicit JournalWindow(Journal& journal) : journal_(journal) {}
  void setCaption(const std::string& caption) override {
    journal_.add("window.setCaption " + caption);
    null.setCaption(caption);
  }
  std::string caption() const override { return null.caption(); }
  WindowRect outerRect() const override { return null.outerRect(); }
  void show(int code) override { null.show(code); }
  void placeOn(const WindowRect& rect) override { null.placeOn(rect); }
  void destroy() override {
    journal_.add("window.destroy");
    null.destroy();
  }
  bool isDestroyed() const override { return null.isDestroyed(); }
  void setDestroyHandler(std::function<void()> handler) override {
    null.setDestroyHandler(std::move(handler));
  }
  void addTrayIcon(const std::string& tooltip, std::function<void(TrayItem)> onItem) override {
    journal_.add("window.addTrayIcon " + tooltip);
    null.addTrayIcon(tooltip, std::move(onItem));
  }
  void removeTrayIcon() override {
    journal_.add("window.removeTrayIcon");
    null.removeTrayIcon();
  }
  NullMainWindow null;

 private:
  Journal& journal_;
};

class JournalView final : public WebView {
 public:
  explicit JournalView(Journal& journal) : journal_(journal) {}
  bool bind(MainWindow& window, bool transparent) override {
    journal_.add(std::string("view.bind") + (transparent ? " transparent" : ""));
    return null.bind(window, transparent);
  }
  void unbind() override {
    journal_.add("view.unbind");
    null.unbind();
  }
  bool isBound() const override { return null.isBound(); }
  void setLocalStoragePath(const std::string& directory) override {
    journal_.add("view.setLocalStoragePath " + directory);
    null.setLocalStoragePath(directory);
  }
  void setConsoleHandler(ConsoleHandler handler) override {
    journal_.add("view.setConsoleHandler");
    null.setConsoleHandler(std::move(handler));
  }
  void bindFunction(const std::string& name, NativeFunction function) override {
    journal_.add("view.bindFunction " + name);
    null.bindFunction(name, std::move(function));
  }
  void setLoadFinishedHandler(LoadFinishedHandler handler) override {
    journal_.add("view.setLoadFinishedHandler");
    null.setLoadFinishedHandler(std::move(handler));
  }
  void setRightDoubleClickHandler(GestureHandler handler) override {
    journal_.add("view.setRightDoubleClickHandler");
    null.setRightDoubleClickHandler(std::move(handler));
  }
  void setProcessGoneHandler(ProcessGoneHandler handler) override {
    journal_.add("view.setProcessGoneHandler");
    null.setProcessGoneHandler(std::move(handler));
  }
  void load(const std::string& url) override {
    journal_.add("view.load " + url);
    null.load(url);
  }
  void runScript(const std::string& script) override { null.runScript(script); }
  void runScriptThen(const std::string& script, ScriptFinished finished) override {
    null.runScriptThen(script, std::move(finished));
  }
  bool waitForScriptCapacity(std::chrono::milliseconds timeout) override {
    return null.waitForScriptCapacity(timeout);
  }
  void moveToCenter() override { null.moveToCenter(); }
  void setResizable(bool on) override { null.setResizable(on); }
  void setMinTrackSize(int w, int h) override { null.setMinTrackSize(w, h); }
  void setMaxTrackSize(int w, int h) override { null.setMaxTrackSize(w, h); }
  void showDevTools(const std::string& page) override { null.showDevTools(page); }
  NullWebView null;

 private:
  Journal& journal_;
};

class JournalSystem final : public SystemServices {
 public:
  explicit JournalSystem(Journal& journal) : journal_(journal) {}
  bool openUrl(const std::string& url, int code) override { return null.openUrl(url, code); }
  bool openFile(const std::string& path, const std::string& parameters, int code) override {
    return null.openFile(path, parameters, code);
  }
  long findProcess(const ProcessQuery& query) override { return null.findProcess(query); }
  bool pathExists(const std::string& path) override { return null.pathExists(path); }
  bool enablePrivilege(const std::string& name) override {
    journal_.add("system.enablePrivilege " + name);
    return null.enablePrivilege(name);
  }
  void ensureShortcut(ShortcutPlace place, const std::string& target) override {
    journal_.add(std::string("system.ensureShortcut ") +
                 (place == ShortcutPlace::Desktop ? "desktop " : "autostart ") + target);
    null.ensureShortcut(place, target);
  }
  std::int64_t uptimeMs() override {
    journal_.add("system.uptimeMs");
    return null.uptimeMs();
  }
  std::string fileVersion(const std::string& path) override {
    journal_.add("system.fileVersion " + path);
    return null.fileVersion(path);
  }
  NullSystemServices null;

 private:
  Journal& journal_;
};

class JournalMaker final : public MakerLibrary {
 public:
  explicit JournalMaker(Journal& journal) : journal_(journal) {}
  std::string machineName() override {
    journal_.add("maker.machineName");
    return null.machineName();
  }
  std::string loginText(const std::string& c, const std::string& a, const std::string& uid,
                        const std::optional<std::string>& data) override {
    return null.loginText(c, a, uid, data);
  }
  void update(const UpdateArguments& arguments) override {
    journal_.add("maker.update " + arguments[3].value_or("(null)"));
    null.update(arguments);
  }
  NullMakerLibrary null;

 private:
  Journal& journal_;
};

class JournalUi final : public UiThread {
 public:
  explicit JournalUi(Journal& journal) : journal_(journal) {}
  bool invoke(const std::function<void()>& task) override { return null.invoke(task); }
  bool post(std::function<void()> task) override { return null.post(std::move(task)); }
  void beginTeardown() override {
    journal_.add("ui.beginTeardown");
    null.beginTeardown();
  }
  bool isUiThread() const override { return null.isUiThread(); }
  bool tearingDown() const override { return null.tearingDown(); }
  NullUiThread null;

 private:
  Journal& journal_;
};

class JournalInstance final : public InstanceGuard {
 public:
  JournalInstance(Journal& journal, std::string lockDirectory)
      : guard(std::move(lockDirectory)), journal_(journal) {}
  bool acquire(const std::string& name) override {
    journal_.add("instance.acquire " + name);
    return guard.acquire(name);
  }
  void release() override {
    journal_.add("instance.release");
    guard.release();
  }
  InstanceMutexGuard guard;

 private:
  Journal& journal_;
};

// Keeps the lines in the journal as "log <category> <message>", dropped
// while not open as the day log drops them.
class JournalLog final : public DayLog {
 public:
  explicit JournalLog(Journal& journal) : journal_(journal) {}
  bool open(const std::string& appName, const std::string& directory) override {
    journal_.add("log.open " + appName + " " + directory);
    std::lock_guard lock(mutex_);
    open_ = true;
    return true;
  }
  void write(std::string_view category, std::string_view message) override {
    {
      std::lock_guard lock(mutex_);
      if (!open_) return;
    }
    journal_.add("log " + std::string(category) + " " + std::string(message));
  }
  void close() override {
    journal_.add("log.close");
    std::lock_guard lock(mutex_);
    open_ = false;
  }

 private:
  Journal& journal_;
  std::mutex mutex_;
  bool open_ = false;
};

// Answers "not ready" `notReadyAnswers` times, then "ready".
class JournalServer final : public ServerAccess {
 public:
  explicit JournalServer(Journal& journal) : journal_(journal) {}
  void init(const std::string& configPath) override {
    // Whether config.ini exists by now tells that it was made before.
    journal_.add(std::string("server.init") + (std::filesystem::exists(configPath)
                                                   ? " (config.ini there)"
                                                   : " (no config.ini)"));
  }
  std::string webBase() override { return base; }
  bool isReady(std::stop_token) override {
    journal_.add("server.isReady");
    std::lock_guard lock(mutex_);
    if (notReadyAnswers > 0) {
      --notReadyAnswers;
      return false;
    }
    return true;
  }
  void shutdown() override { journal_.add("server.shutdown"); }

  std::string base = "http://127.0.0.1:8099";
  int notReadyAnswers = 0;

 private:
  Journal& journal_;
  std::mutex mutex_;
};

// Sleeps take no time. A test may act during a sleep or a check (as a
// termination signal would, from inside the wait's loop).
class JournalWaits final : public StartupWaits {
 public:
  explicit JournalWaits(Journal& journal) : journal_(journal) {}
  bool sleep(std::chrono::milliseconds duration) override {
    journal_.add("waits.sleep " + std::to_string(duration.count()));
    if (duringSleep) duringSleep();
    return !cancelled_;
  }
  std::optional<bool> check(std::function<bool(std::stop_token)> check) override {
    journal_.add("waits.check");
    if (cancelled_) return std::nullopt;
    return check(std::stop_token{});
  }
  void cancel() override {
    journal_.add("waits.cancel");
    cancelled_ = true;
  }
  std::function<void()> duringSleep;

 private:
  Journal& journal_;
  bool cancelled_ = false;
};

// Closes at once, as the picker does with a valid saved choice, unless a
// test acts while it is open.
class JournalPicker final : public ScreenChoice {
 public:
  explicit JournalPicker(Journal& journal) : journal_(journal) {}
  void runModal() override {
    journal_.add("picker.runModal");
    open_ = true;
    if (whileOpen) whileOpen();
    open_ = false;
  }
  void close() override {
    journal_.add("picker.close");
    open_ = false;
  }
  bool isOpen() const override { return open_; }
  std::function<void()> whileOpen;

 private:
  Journal& journal_;
  bool open_ = false;
};

class JournalPush final : public PushControl {
 public:
  explicit JournalPush(Journal& journal) : journal_(journal) {}
  void onPageLoaded(int result, const std::string& reason) override {
    journal_.add("push.onPageLoaded " + std::to_string(result) + " " + reason);
  }
  void stop() override { journal_.add("push.stop"); }

 private:
  Journal& journal_;
};

class ApplicationFixture : public ::testing::Test {
 protected:
  ApplicationFixture() {
    runDirectory = folder.path() + "/run/";
    std::filesystem::create_directories(runDirectory);
    std::filesystem::create_directories(folder.path() + "/locks");
    configPath = runDirectory + "config.ini";
  }

  ApplicationParts parts() {
    ApplicationParts p{.executablePath = runDirectory + "QZorvane",
                       .window = window,
                       .view = view,
                       .ui = ui,
                       .system = system,
                       .maker = maker,
                       .instance = instance,
                       .log = log,
                       .server = server,
                       .waits = waits,
                       .picker = picker};
    p.makePushChannel = [this](const PushParts& handed) -> std::unique_ptr<PushControl> {
      journal.add("push.make");
      pushParts.emplace(handed);
      return std::make_unique<JournalPush>(journal);
    };
    p.installFatalErrorHandlers = [this] { journal.add("fatal.install"); };
    p.instanceHeld = [this] { journal.add("instanceHeld"); };
    p.ended = [this] { journal.add("ended"); };
    return p;
  }

  // The startup, on the UI thread as the program runs it.
  StartupResult start() {
    app = std::make_unique<Application>(parts());
    StartupResult result = StartupResult::Ended;
    EXPECT_TRUE(ui.invoke([&] { result = app->start(); }));
    return result;
  }

  template <typename Task>
  void onUi(Task task) {
    ASSERT_TRUE(ui.invoke([&] { task(); }));
  }

  // Polls `done` on the UI thread until it holds or the deadline passes.
  bool eventually(const std::function<bool()>& done,
                  std::chrono::milliseconds deadline = kWaitDeadline) {
    return waitUntil(
        [&] {
          bool holds = false;
          if (!ui.invoke([&] { holds = done(); })) holds = done();
          return holds;
        },
        deadline);
  }

  static constexpr const char* kPageUrl = "http://127.0.0.1:8099/client/app/orvane/";

  TempDirectory folder;
  std::string runDirectory;
  std::string configPath;
  Journal journal;
  JournalWindow window{journal};
  JournalView view{journal};
  JournalSystem system{journal};
  std::shared_ptr<JournalMaker> maker = std::make_shared<JournalMaker>(journal);
  JournalInstance instance{journal, folder.path() + "/locks"};
  JournalLog log{journal};
  JournalServer server{journal};
  JournalWaits waits{journal};
  JournalPicker picker{journal};
  std::optional<PushParts> pushParts;
  // Last: its teardown and threads end before the parts go.
  JournalUi ui{journal};
  std::unique_ptr<Application> app;
};

}  // namespace orvane::testing
