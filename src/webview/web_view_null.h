#pragma once
// A web view without an engine: records what the program asks of it and lets
// a test play the page's part (call a bound function, log to the console,
// finish a load).

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "webview/web_view.h"

namespace orvane {

class NullWebView final : public WebView {
 public:
  bool bind(MainWindow& window, bool transparent) override;
  void unbind() override;
  bool isBound() const override { return bound_; }

  void setLocalStoragePath(const std::string& directory) override { localStoragePath = directory; }
  void setConsoleHandler(ConsoleHandler handler) override { console_ = std::move(handler); }
  void bindFunction(const std::string& name, NativeFunction function) override;
  void setLoadFinishedHandler(LoadFinishedHandler handler) override { loadFinished_ = std::move(handler); }
  void setRightDoubleClickHandler(GestureHandler handler) override { rightDoubleClick_ = std::move(handler); }
  void setProcessGoneHandler(ProcessGoneHandler handler) override { processGone_ = std::move(handler); }

  void load(const std::string& url) override;
  void runScript(const std::string& script) override;
  void runScriptThen(const std::string& script, ScriptFinished finished) override;
  bool waitForScriptCapacity(std::chrono::milliseconds) override { return bound_ || !failWhenUnbound; }

  void moveToCenter() override { ++centerCount; }
  void setResizable(bool on) override { resizable = on; }
  void setMinTrackSize(int width, int height) override { minTrack = {width, height}; }
  void setMaxTrackSize(int width, int height) override { maxTrack = {width, height}; }
  void showDevTools(const std::string& inspectorPage) override { devToolsOpened.push_back(inspectorPage); }

  // The page's part.
  ScriptValue callFunction(const std::string& name, const ScriptCall& call);
  void emitConsole(const ConsoleMessage& message);
  void finishLoad(int result, const std::string& reason);
  void rightDoubleClick();
  void processGone(const std::string& reason);
  // With deferScriptFinish set, runs the held `finished` callbacks in order,
  // as an engine that runs scripts asynchronously would later.
  void finishScripts();
  // Thread-safe copy of everything runScript received, in order.
  std::vector<std::string> scripts() const;

  // Set by tests.
  bool bindResult = true;
  bool failWhenUnbound = false;
  // Hold runScriptThen's `finished` until finishScripts instead of calling it
  // right after the script, like an engine that runs scripts later.
  bool deferScriptFinish = false;

  // Recorded.
  MainWindow* boundWindow = nullptr;
  bool transparent = false;
  int bindCount = 0;
  std::string localStoragePath;
  std::vector<std::string> loadedUrls;
  int centerCount = 0;
  bool resizable = false;
  std::pair<int, int> minTrack{0, 0};
  std::pair<int, int> maxTrack{0, 0};
  std::vector<std::string> devToolsOpened;
  // Called with every script runScript receives, so a test can play a page
  // that reacts (for example one that raises an error of its own).
  std::function<void(const std::string&)> onScript;

 private:
  bool bound_ = false;
  ConsoleHandler console_;
  LoadFinishedHandler loadFinished_;
  GestureHandler rightDoubleClick_;
  ProcessGoneHandler processGone_;
  std::map<std::string, NativeFunction> functions_;
  mutable std::mutex scriptsMutex_;
  std::vector<std::string> scripts_;
  std::vector<ScriptFinished> unfinished_;
};

}  // namespace orvane
