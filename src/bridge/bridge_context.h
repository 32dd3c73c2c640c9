#pragma once
// What the bridge works with. The startup sequence owns all of it, fills it
// in before the page is first loaded and keeps it until the UI loop has
// ended; the bridge only holds references.

#include <functional>
#include <string>
#include <string_view>

namespace orvane {

class MainWindow;
class SystemServices;
class UiThread;
class WebView;
struct AppConfig;

// Facts the startup sequence learns once and the page may ask for.
struct AppState {
  std::string machineName;  // "pcname"
  std::string pageUrl;      // the page address; reloading loads it again
};

// Where the bridge's log lines go: the day log's write(category, message).
using LogSink = std::function<void(std::string_view category, std::string_view message)>;

struct BridgeContext {
  WebView& view;
  MainWindow& window;
  UiThread& ui;
  SystemServices& system;
  const AppConfig& config;
  const AppState& state;
  // The server's web base (ServerLink::webBase); "serverJS" answers only
  // pages of its origin. A function, so the bridge does not depend on the
  // server library, which itself uses the bridge for the push channel.
  std::function<std::string()> serverWebBase;
  LogSink log;
};

}  // namespace orvane
