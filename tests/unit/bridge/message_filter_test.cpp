#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bridge/bridge_context.h"
#include "bridge/bridge_message_filter.h"
#include "config/app_config.h"
#include "config/ini_file.h"
#include "support/temp_directory.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace orvane {
namespace {

class MessageFilterTest : public ::testing::Test {
 protected:
  MessageFilterTest() {
    config.runDirectory = dir.path() + "/";
    config.configPath = dir.file("config.ini");
    state.pageUrl = "http://127.0.0.1:8099/client/app/orvane/";
    EXPECT_TRUE(view.bind(window, true));
  }

  testing::TempDirectory dir;
  NullMainWindow window;
  NullWebView view;
  AppConfig config;
  AppState state;
  BridgeMessageFilter filter{view, config, state};
};

TEST_F(MessageFilterTest, RequestsRunTheScriptReloadThePageOrAnswerOne) {
  view.load("http://elsewhere.example/");

  // Script values are not handed back by the web views: the answer is 0.
  EXPECT_EQ(filter.handleRequest(kRunPageScriptRequest, "clientJS2({})"), 0);
  EXPECT_EQ(view.scripts(), (std::vector<std::string>{"clientJS2({})"}));

  EXPECT_EQ(filter.handleRequest(kReloadPageRequest), 1);
  EXPECT_EQ(view.loadedUrls,
            (std::vector<std::string>{"http://elsewhere.example/", state.pageUrl}));

  for (const int other : {0, 3, -1, 0x206}) {
    EXPECT_EQ(filter.handleRequest(other, "ignored()"), 1) << other;
  }
  EXPECT_EQ(view.scripts().size(), 1u);
  EXPECT_EQ(view.loadedUrls.size(), 2u);
}

TEST_F(MessageFilterTest, DeveloperToolsOpenOnlyWhenDebugIsExactlyOne) {
  struct Case {
    std::optional<std::string> debug;  // nothing: no key
    bool opens;
  };
  const Case cases[] = {
      {"1", true},           {"0", false},    {"01", false},
      {std::nullopt, false}, {"true", false}, {"2", false},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.debug.value_or("(missing)"));
    ASSERT_TRUE(writeIniString(config.configPath, "local", "index", "1"));
    ASSERT_TRUE(
        writeIniString(config.configPath, "local", "debug",
                       tc.debug ? std::optional<std::string_view>(*tc.debug) : std::nullopt));
    view.devToolsOpened.clear();
    // The double click always goes on to the page.
    EXPECT_EQ(filter.handleRightDoubleClick(), 0);
    if (tc.opens) {
      EXPECT_EQ(view.devToolsOpened,
                (std::vector<std::string>{config.runDirectory + "front_end/inspector.html"}));
    } else {
      EXPECT_TRUE(view.devToolsOpened.empty());
    }
  }
}

TEST_F(MessageFilterTest, WithoutAConfigFileTheToolsStayClosed) {
  filter.install();
  view.rightDoubleClick();
  EXPECT_TRUE(view.devToolsOpened.empty());

  testing::writeFile(config.configPath, "[local]\ndebug=1\n");
  view.rightDoubleClick();
  EXPECT_EQ(view.devToolsOpened.size(), 1u);
}

}  // namespace
}  // namespace orvane
