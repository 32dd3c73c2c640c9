#include "webview/web_view_null.h"

#include <utility>

#include "webview/main_window.h"

namespace orvane {

bool NullWebView::bind(MainWindow& window, bool transparentView) {
  if (bound_ || window.isDestroyed() || !bindResult) return false;
  bound_ = true;
  boundWindow = &window;
  transparent = transparentView;
  ++bindCount;
  return true;
}

void NullWebView::unbind() {
  bound_ = false;
  boundWindow = nullptr;
  console_ = nullptr;
  loadFinished_ = nullptr;
  rightDoubleClick_ = nullptr;
  processGone_ = nullptr;
  functions_.clear();
  // The scripts still running are dropped with the page.
  finishScripts();
}

void NullWebView::bindFunction(const std::string& name, NativeFunction function) {
  functions_[name] = std::move(function);
}

void NullWebView::load(const std::string& url) { loadedUrls.push_back(url); }

void NullWebView::runScript(const std::string& script) {
  {
    std::lock_guard lock(scriptsMutex_);
    scripts_.push_back(script);
  }
  if (onScript) onScript(script);
}

void NullWebView::runScriptThen(const std::string& script, ScriptFinished finished) {
  runScript(script);
  if (!finished) return;
  if (deferScriptFinish) {
    unfinished_.push_back(std::move(finished));
  } else {
    finished();
  }
}

void NullWebView::finishScripts() {
  std::vector<ScriptFinished> held;
  held.swap(unfinished_);
  for (auto& finished : held) finished();
}

std::vector<std::string> NullWebView::scripts() const {
  std::lock_guard lock(scriptsMutex_);
  return scripts_;
}

ScriptValue NullWebView::callFunction(const std::string& name, const ScriptCall& call) {
  const auto it = functions_.find(name);
  if (it == functions_.end() || !it->second) return ScriptUndefined{};
  return it->second(call);
}

void NullWebView::emitConsole(const ConsoleMessage& message) {
  if (console_) console_(message);
}

void NullWebView::finishLoad(int result, const std::string& reason) {
  if (loadFinished_) loadFinished_(result, reason);
}

void NullWebView::rightDoubleClick() {
  if (rightDoubleClick_) rightDoubleClick_();
}

void NullWebView::processGone(const std::string& reason) {
  if (processGone_) processGone_(reason);
}

}  // namespace orvane
