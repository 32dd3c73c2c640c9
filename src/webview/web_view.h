#pragma once
// What the program asks of the page engine. One implementation per engine
// (WebKitGTK, wke) and a recording null view for tests. Every method runs on
// the UI thread, except waitForScriptCapacity.

#include <chrono>
#include <functional>
#include <string>

#include "webview/script_value.h"

namespace orvane {

class MainWindow;

// Engine console levels: log 1, warning 2, error 3, debug 4, info 5.
struct ConsoleMessage {
  int level = 0;
  std::string message;
  std::string sourceName;
  unsigned line = 0;
  std::string stackTrace;
};

// Loading-finished results.
enum LoadResult : int { kLoadSucceeded = 0, kLoadFailed = 1, kLoadCancelled = 2 };

class WebView {
 public:
  using ConsoleHandler = std::function<void(const ConsoleMessage&)>;
  using LoadFinishedHandler = std::function<void(int result, const std::string& reason)>;
  using NativeFunction = std::function<ScriptValue(const ScriptCall&)>;
  using GestureHandler = std::function<void()>;
  // Reason text is the engine's description of why its page process ended.
  using ProcessGoneHandler = std::function<void(const std::string& reason)>;
  using ScriptFinished = std::function<void()>;

  virtual ~WebView() = default;

  // Creates the view inside the window; false when already bound, when the
  // window is gone, or when no view can be made.
  virtual bool bind(MainWindow& window, bool transparent) = 0;
  virtual void unbind() = 0;
  virtual bool isBound() const = 0;

  virtual void setLocalStoragePath(const std::string& directory) = 0;
  virtual void setConsoleHandler(ConsoleHandler handler) = 0;
  // A global page function of one argument that runs `function` synchronously.
  virtual void bindFunction(const std::string& name, NativeFunction function) = 0;
  virtual void setLoadFinishedHandler(LoadFinishedHandler handler) = 0;
  virtual void setRightDoubleClickHandler(GestureHandler handler) = 0;
  virtual void setProcessGoneHandler(ProcessGoneHandler handler) = 0;

  virtual void load(const std::string& url) = 0;
  // Queues a script to the page; scripts run in the order they were given.
  virtual void runScript(const std::string& script) = 0;
  // As runScript; `finished` then runs on the UI thread once the page has run
  // the script, whatever its outcome, or once the view has dropped it
  // (unbound, page gone). It runs exactly once. Anything the page reported
  // while running the script (console messages, errors) has reached the
  // console handler before it. An engine that runs scripts inside the call
  // may call it before returning.
  virtual void runScriptThen(const std::string& script, ScriptFinished finished) = 0;
  // Called by other threads before they hand a script over: blocks while too
  // many scripts are still running in the page, so a slow page holds its
  // senders back instead of growing a queue. False when it gave up (teardown
  // or time-out); the caller then drops the script.
  virtual bool waitForScriptCapacity(std::chrono::milliseconds timeout) = 0;

  virtual void moveToCenter() = 0;
  virtual void setResizable(bool resizable) = 0;
  virtual void setMinTrackSize(int width, int height) = 0;
  virtual void setMaxTrackSize(int width, int height) = 0;
  // inspectorPage is the wke engine's developer-tools page; engines with
  // their own inspector ignore it.
  virtual void showDevTools(const std::string& inspectorPage) = 0;
};

}  // namespace orvane
