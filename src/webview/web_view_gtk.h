#pragma once
// The web view of the GTK client: a WebKitGTK 4.1 view filling the main
// window. The page's synchronous functions, its console and its errors reach
// the program through the page bridge (page_bridge_gtk.h); scripts from the
// program run asynchronously in the order given, with a bounded number in
// flight.

#include <chrono>
#include <memory>
#include <string>

#include "webview/web_view.h"

typedef struct _WebKitWebView WebKitWebView;

namespace orvane {

class GtkWebView final : public WebView {
 public:
  // Scripts the page may have in flight before senders are held back.
  static constexpr int kScriptWindow = 64;

  GtkWebView();
  ~GtkWebView() override;
  GtkWebView(const GtkWebView&) = delete;
  GtkWebView& operator=(const GtkWebView&) = delete;

  // `window` must be the GTK main window (a GtkWindowHost). Transparent gives
  // the window an RGBA visual and the page a transparent background.
  bool bind(MainWindow& window, bool transparent) override;
  void unbind() override;
  bool isBound() const override;

  // The folder under which the engine keeps local storage (its base data
  // folder). The engine takes it when the view is made: set after bind, it
  // remakes the view, which costs nothing before the first load.
  void setLocalStoragePath(const std::string& directory) override;
  void setConsoleHandler(ConsoleHandler handler) override;
  // Takes effect from the next document loaded. `name` must be a script
  // identifier; other names are ignored.
  void bindFunction(const std::string& name, NativeFunction function) override;
  void setLoadFinishedHandler(LoadFinishedHandler handler) override;
  void setRightDoubleClickHandler(GestureHandler handler) override;
  void setProcessGoneHandler(ProcessGoneHandler handler) override;

  void load(const std::string& url) override;
  // An uncaught exception of the script reaches the console handler as an
  // error (level 3) through the page's error event, before `finished` runs.
  void runScript(const std::string& script) override;
  void runScriptThen(const std::string& script, ScriptFinished finished) override;
  bool waitForScriptCapacity(std::chrono::milliseconds timeout) override;

  void moveToCenter() override;
  void setResizable(bool resizable) override;
  void setMinTrackSize(int width, int height) override;
  void setMaxTrackSize(int width, int height) override;
  void showDevTools(const std::string& inspectorPage) override;

  // The engine's view, for tests and diagnostics; null while unbound.
  WebKitWebView* webKitView() const;
  // Scripts handed to the page and not finished yet.
  int scriptsInFlight() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace orvane
