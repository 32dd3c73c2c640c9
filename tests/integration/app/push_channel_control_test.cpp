// The program's push channel as the startup makes it: what each of its
// hooks reaches, against a loopback pack server and port query, with the
// page on the null web view and the recording maker's library.

#include "app/push_channel_control.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "app/maker_library_null.h"
#include "bridge/bridge_message_filter.h"
#include "bridge/page_requests.h"
#include "bridge/ui_thread_null.h"
#include "server/pack_client.h"
#include "server/server_link.h"
#include "support/http_server/loopback_http_server.h"
#include "support/pack_server/pack_test_server.h"
#include "support/temp_directory.h"
#include "support/wait_until.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;

using testing::waitUntil;

class LineLog final : public DayLog {
 public:
  bool open(const std::string&, const std::string&) override { return true; }
  void write(std::string_view category, std::string_view message) override {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::string(category) + "|" + std::string(message));
  }
  void close() override {}
  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

class PushChannelControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    web.server().Get("/api100.php", [this](const httplib::Request&, httplib::Response& response) {
      response.set_content(std::to_string(pushServer.port()), "text/plain");
    });
    ASSERT_TRUE(web.start());
    config.runDirectory = folder.path() + "/";
    config.executableName = "QZorvane";
    config.configPath = folder.file("config.ini");
    testing::writeFile(config.configPath,
                       "[server]\nip=127.0.0.1\nwebport=" + std::to_string(web.port()) + "\n");
    link.init(config.configPath);
    state.machineName = "WALL-PC";
    state.pageUrl = web.base() + "/client/app/orvane/";
    ASSERT_TRUE(view.bind(window, true));
    maker->setLoginText(R"({"c":"login","a":"orvane","uid":"WALL-PC"})");
  }

  void TearDown() override {
    // As the teardown does: hand-overs closed first, then the channel.
    ui.beginTeardown();
    if (control) control->stop();
    link.shutdown();
  }

  std::vector<std::string> pageScripts() {
    std::vector<std::string> scripts;
    ui.invoke([&] { scripts = view.scripts(); });
    return scripts;
  }

  testing::TempDirectory folder;
  testing::LoopbackHttpServer web;
  testing::PackTestServer pushServer;
  ServerLink link;
  PackClient packClient;
  NullMainWindow window;
  NullWebView view;
  AppConfig config;
  AppState state;
  BridgeMessageFilter filter{view, config, state};
  NullUiThread ui;
  PageRequests pages{ui, view, filter};
  std::shared_ptr<NullMakerLibrary> maker = std::make_shared<NullMakerLibrary>();
  LineLog log;
  std::unique_ptr<PushControl> control;
};

TEST_F(PushChannelControlTest, LogsInWithTheMakersTextAndActsOnAPushedUpdate) {
  control = makePushChannelControl(PushParts{pages, window, ui, config, state, maker, log},
                                   packClient, link, PushChannelTiming{.keeperPeriod = 100ms});
  ASSERT_TRUE(ui.invoke([&] { control->onPageLoaded(kLoadSucceeded, ""); }));

  const auto login = pushServer.waitForPack(30s);
  ASSERT_TRUE(login);
  EXPECT_EQ(std::string(login->body.begin(), login->body.end()),
            R"({"c":"login","a":"orvane","uid":"WALL-PC"})");
  ASSERT_FALSE(maker->messageCalls().empty());
  EXPECT_EQ(maker->messageCalls()[0],
            (NullMakerLibrary::MessageCall{"login", "orvane", "WALL-PC", std::nullopt}));

  const std::string update = R"({"c":"sys","a":"update","uid":"","data":null})";
  ASSERT_EQ(pushServer.sendToAll(update), 1u);
  // The hidden update, with the run folder the startup found.
  ASSERT_TRUE(waitUntil([&] { return maker->updates().size() == 1; }));
  const UpdateArguments expected{config.runDirectory + "QZUpdate.dat",
                                 "排行榜",
                                 "Quenmere-排行榜",
                                 "hide",
                                 std::nullopt,
                                 "temp",
                                 std::nullopt,
                                 "a",
                                 "QZorvane.exe"};
  EXPECT_EQ(maker->updates()[0], expected);
  // The page reloads itself, then gets the message.
  ASSERT_TRUE(waitUntil([&] { return pageScripts().size() >= 2; }));
  EXPECT_EQ(pageScripts()[0], "location.reload(true)");
  EXPECT_EQ(pageScripts()[1], "clientJS2(" + update + ")");

  // Its lines go to the day log it was given.
  bool connected = false;
  for (const auto& line : log.lines()) connected |= line.rfind("客户通信|OnConnect:", 0) == 0;
  EXPECT_TRUE(connected);
}

TEST_F(PushChannelControlTest, AFailedLoadReloadsThePageAddressThroughThePageRequests) {
  control = makePushChannelControl(PushParts{pages, window, ui, config, state, maker, log},
                                   packClient, link, PushChannelTiming{.reloadDelay = 10ms});
  ASSERT_TRUE(ui.invoke([&] { control->onPageLoaded(kLoadFailed, "crashed"); }));
  ASSERT_TRUE(waitUntil([&] {
    std::size_t loads = 0;
    ui.invoke([&] { loads = view.loadedUrls.size(); });
    return loads == 1;
  }));
  ui.invoke([&] { EXPECT_EQ(view.loadedUrls[0], state.pageUrl); });
  EXPECT_EQ(log.lines().at(0), "载入页面|失败 code:1 crashed");
}

}  // namespace
}  // namespace orvane
