// What the running application does with the tray's menu, fatal errors and a
// page whose process died.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "application_fixture.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;
using Entries = std::vector<std::string>;

class ApplicationEventsTest : public ApplicationFixture {
 protected:
  void SetUp() override { ASSERT_EQ(start(), StartupResult::Running); }

  UpdateArguments expectedUpdate(const char* mode) const {
    return {runDirectory + "QZUpdate.dat",
            "排行榜",
            "Quenmere-排行榜",
            mode,
            std::nullopt,
            "temp",
            std::nullopt,
            "a",
            "QZorvane.exe"};
  }
};

TEST_F(ApplicationEventsTest, TraySettingsOpensThePicker) {
  onUi([&] { window.null.clickTray(TrayItem::Settings); });
  EXPECT_EQ(journal.count("picker.runModal"), 2);  // the startup's and this one
  EXPECT_FALSE(window.isDestroyed());
}

TEST_F(ApplicationEventsTest, TrayUpdateRunsAVisibleUpdateOffTheUiThread) {
  // The startup's hidden update came first.
  ASSERT_EQ(maker->null.updates().size(), 1u);
  EXPECT_EQ(maker->null.updates()[0], expectedUpdate("hide"));

  onUi([&] { window.null.clickTray(TrayItem::Update); });
  ASSERT_TRUE(eventually([&] { return maker->null.updates().size() == 2; }));
  EXPECT_EQ(maker->null.updates()[1], expectedUpdate(""));

  // The push channel's update for a "sys"/"update" message goes through the
  // parts it was handed: the same library, the startup's folders.
  ASSERT_TRUE(pushParts.has_value());
  runUpdate(*pushParts->maker, pushParts->config, kHiddenUpdate);
  EXPECT_EQ(maker->null.updates().back(), expectedUpdate("hide"));
}

TEST_F(ApplicationEventsTest, TrayExitWithThePickerOpenClosesItThenTearsDownOnce) {
  journal.clear();
  picker.whileOpen = [&] { window.null.clickTray(TrayItem::Exit); };
  onUi([&] { window.null.clickTray(TrayItem::Settings); });
  const Entries seen = journal.entries();
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen[0], "picker.runModal");
  EXPECT_EQ(seen[1], "picker.close");
  EXPECT_EQ(seen[2], "waits.cancel");
  EXPECT_EQ(seen[3], "window.destroy");
  EXPECT_EQ(journal.count("log 开始销毁 "), 1);
  EXPECT_EQ(journal.count("log 销毁 "), 1);
  EXPECT_EQ(journal.count("ended"), 1);
  EXPECT_EQ(window.null.destroyCount, 1);
  EXPECT_FALSE(instance.guard.held());
}

TEST_F(ApplicationEventsTest, FatalErrorOnTheUiThreadLogsAndTearsDown) {
  journal.clear();
  onUi([&] { app->onFatalError(5, "bad_alloc"); });
  const Entries expected = {
      "log 错误提示 code:5 msg:bad_alloc",
      "log 开始销毁 ",
      "window.removeTrayIcon",
      "waits.cancel",
      "ui.beginTeardown",
      "view.unbind",
      "push.stop",
      "log 销毁 ",
      "log.close",
      "server.shutdown",
      "instance.release",
      "ended",
  };
  EXPECT_EQ(journal.entries(), expected);

  // The window's destruction while the process ends changes nothing more.
  journal.clear();
  window.destroy();
  EXPECT_EQ(journal.entries(), Entries{"window.destroy"});
}

TEST_F(ApplicationEventsTest, FatalErrorOnAnotherThreadNeitherTouchesTheUiNorWaits) {
  journal.clear();
  std::thread([&] { app->onFatalError(0, "vector::_M_range_check"); }).join();
  const Entries expected = {
      "log 错误提示 code:0 msg:vector::_M_range_check",
      "log 开始销毁 ",
      "ui.beginTeardown",
      "log 销毁 ",
      "log.close",
      "instance.release",
  };
  EXPECT_EQ(journal.entries(), expected);
  EXPECT_FALSE(instance.guard.held());
}

TEST_F(ApplicationEventsTest, APageWhoseProcessDiedTakesTheFailedLoadsWayBack) {
  onUi([&] { view.null.processGone("crashed"); });
  EXPECT_EQ(journal.count("push.onPageLoaded 1 crashed"), 1);
}

}  // namespace
}  // namespace orvane::testing
