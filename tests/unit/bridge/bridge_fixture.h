#pragma once
// The bridge over the null backends: a window at (100, 50) sized 800 x 600,
// a bound view, a UI thread, recording system services, and config.ini in a
// fresh folder.

#include <gtest/gtest.h>

#include <string>

#include "bridge/bridge_context.h"
#include "bridge/ui_thread_null.h"
#include "config/app_config.h"
#include "log_capture.h"
#include "support/temp_directory.h"
#include "sys/system_services_null.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace orvane::testing {

class BridgeFixture : public ::testing::Test {
 protected:
  BridgeFixture() {
    config.runDirectory = dir.path() + "/";
    config.configPath = dir.file("config.ini");
    state.machineName = "WALL-PC";
    state.pageUrl = kWebBase + "/client/app/orvane/";
    window.setRect({100, 50, 800, 600});
    window.setCaption("\xE6\x8E\x92\xE8\xA1\x8C\xE6\xA6\x9C");  // 排行榜
    EXPECT_TRUE(view.bind(window, true));
  }

  // Runs `task` on the UI thread, as the page's calls and the filter run.
  template <typename Task>
  void onUi(Task task) {
    ASSERT_TRUE(ui.invoke([&] { task(); }));
  }

  inline static const std::string kWebBase = "http://127.0.0.1:8099";

  TempDirectory dir;
  NullMainWindow window;
  NullWebView view;
  NullUiThread ui;
  NullSystemServices system;
  AppConfig config;
  AppState state;
  LogCapture log;
  std::string webBase = kWebBase;
  BridgeContext context{view,      window, ui, system, config, state, [this] { return webBase; },
                        log.sink()};
};

}  // namespace orvane::testing
