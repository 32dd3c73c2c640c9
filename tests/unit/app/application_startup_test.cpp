// The startup sequence and the teardown over the recording backends.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "application_fixture.h"
#include "config/ini_file.h"
#include "sys/instance_mutex.h"

namespace orvane::testing {
namespace {

using Entries = std::vector<std::string>;

class ApplicationStartupTest : public ApplicationFixture {};

TEST_F(ApplicationStartupTest, RunsTheStepsInOrder) {
  system.null.uptime = 60'000;
  maker->null.setMachineName("WALL-PC");
  ASSERT_EQ(start(), StartupResult::Running);

  const std::string target = runDirectory + "QZorvane";
  const Entries expected = {
      "instance.acquire QZorvane",
      "instanceHeld",
      "window.setCaption Quenmere-排行榜",
      "system.enablePrivilege ",
      "maker.machineName",
      "system.uptimeMs",                 // up long enough: no sleep
      "server.init (config.ini there)",  // made before it is read
      "system.ensureShortcut desktop " + target,
      "system.ensureShortcut autostart " + target,
      "maker.update hide",
      "log.open orvane " + runDirectory,
      "system.fileVersion " + target,
      "log 版本号 1.0.0.0 name:QZorvane",
      "fatal.install",
      "waits.check",
      "server.isReady",
      "window.addTrayIcon Quenmere-排行榜",
      "view.bind transparent",
      "view.setLocalStoragePath " + runDirectory,
      "view.setConsoleHandler",
      "view.bindFunction serverJS",
      "view.setRightDoubleClickHandler",
      "push.make",
      "view.setLoadFinishedHandler",
      "view.setProcessGoneHandler",
      std::string("log 页面地址 ") + kPageUrl,
      "picker.runModal",
      std::string("view.load ") + kPageUrl,
  };
  EXPECT_EQ(journal.entries(), expected);

  EXPECT_EQ(app->config().runDirectory, runDirectory);
  EXPECT_EQ(app->config().executableName, "QZorvane");
  EXPECT_EQ(app->config().configPath, configPath);
  EXPECT_EQ(app->state().machineName, "WALL-PC");
  EXPECT_EQ(app->state().pageUrl, kPageUrl);
  EXPECT_EQ(window.null.trayTooltip, "Quenmere-排行榜");
  EXPECT_EQ(view.null.boundWindow, &window);
  EXPECT_TRUE(instance.guard.held());
  // The push channel is handed what the startup learnt, not empty values.
  ASSERT_TRUE(pushParts.has_value());
  EXPECT_EQ(&pushParts->config, &app->config());
  EXPECT_EQ(&pushParts->state, &app->state());
  EXPECT_EQ(pushParts->maker, maker);
}

TEST_F(ApplicationStartupTest, SecondCopyLeavesWithoutTouchingAnything) {
  InstanceMutex first(folder.path() + "/locks");
  ASSERT_TRUE(first.acquire("QZorvane"));

  EXPECT_EQ(start(), StartupResult::SecondInstance);
  EXPECT_EQ(journal.entries(), Entries{"instance.acquire QZorvane"});
  EXPECT_FALSE(std::filesystem::exists(configPath));
  EXPECT_TRUE(std::filesystem::is_empty(runDirectory));
  EXPECT_TRUE(system.null.shortcuts.empty());
  EXPECT_TRUE(maker->null.updates().empty());
  EXPECT_TRUE(window.null.caption().empty());

  // Its window going away later is no teardown of the copy that runs.
  onUi([&] { window.destroy(); });
  EXPECT_EQ(journal.count("log.close"), 0);
  EXPECT_EQ(journal.count("instance.release"), 0);
  EXPECT_TRUE(first.held());
}

TEST_F(ApplicationStartupTest, CreatesConfigOnlyWhenMissing) {
  ASSERT_EQ(start(), StartupResult::Running);
  EXPECT_EQ(readFile(configPath), "[server]\nip=127.0.0.1\n");
}

TEST_F(ApplicationStartupTest, LeavesAnExistingConfigAsItIs) {
  const std::string text = "; wall screen\n[server]\nip = 10.1.2.3\nwebport = 9000\n";
  writeFile(configPath, text);
  ASSERT_EQ(start(), StartupResult::Running);
  EXPECT_EQ(readFile(configPath), text);
}

struct SettleCase {
  std::int64_t uptime;
  bool sleeps;
};

class ApplicationSettleTest : public ApplicationFixture,
                              public ::testing::WithParamInterface<SettleCase> {};

TEST_P(ApplicationSettleTest, SleepsFiveSecondsOnlyRightAfterBoot) {
  system.null.uptime = GetParam().uptime;
  ASSERT_EQ(start(), StartupResult::Running);
  const Entries after = journal.from("system.uptimeMs");
  ASSERT_GE(after.size(), 3u);
  if (GetParam().sleeps) {
    EXPECT_EQ(after[1], "waits.sleep 5000");
    EXPECT_EQ(after[2], "server.init (config.ini there)");
  } else {
    EXPECT_EQ(after[1], "server.init (config.ini there)");
  }
}

INSTANTIATE_TEST_SUITE_P(Uptimes, ApplicationSettleTest,
                         ::testing::Values(SettleCase{0, true}, SettleCase{4999, true},
                                           SettleCase{5000, false}, SettleCase{86'400'000, false}));

TEST_F(ApplicationStartupTest, WaitsForTheServerEveryThreeSecondsUntilItAnswers) {
  server.notReadyAnswers = 3;
  ASSERT_EQ(start(), StartupResult::Running);
  const Entries expected = {
      "fatal.install",
      "waits.check",
      "server.isReady",
      "waits.sleep 3000",
      "waits.check",
      "server.isReady",
      "waits.sleep 3000",
      "waits.check",
      "server.isReady",
      "waits.sleep 3000",
      "waits.check",
      "server.isReady",
      "window.addTrayIcon Quenmere-排行榜",
  };
  const Entries seen = journal.from("fatal.install");
  ASSERT_GE(seen.size(), expected.size());
  EXPECT_EQ(Entries(seen.begin(), seen.begin() + static_cast<long>(expected.size())), expected);
}

TEST_F(ApplicationStartupTest, TerminationDuringTheServerWaitEndsTheProgramCleanly) {
  server.notReadyAnswers = 1000;
  int sleeps = 0;
  waits.duringSleep = [&] {
    if (++sleeps == 2) app->requestExit();
  };
  EXPECT_EQ(start(), StartupResult::Ended);
  EXPECT_EQ(journal.count("log 开始销毁 "), 1);
  EXPECT_EQ(journal.count("ended"), 1);
  EXPECT_EQ(journal.count("window.addTrayIcon Quenmere-排行榜"), 0);
  EXPECT_EQ(journal.count("view.bind transparent"), 0);
  EXPECT_EQ(sleeps, 2);
  EXPECT_TRUE(window.isDestroyed());
  EXPECT_FALSE(instance.guard.held());
}

TEST_F(ApplicationStartupTest, FailedBindingLogsAndEndsThroughTheTeardown) {
  view.null.bindResult = false;
  EXPECT_EQ(start(), StartupResult::Ended);
  const Entries expected = {
      "view.bind transparent",
      "log 窗口绑定 失败",
      "window.destroy",
      "log 开始销毁 ",
      "window.removeTrayIcon",
      "waits.cancel",
      "ui.beginTeardown",
      "view.unbind",
      "log 销毁 ",
      "log.close",
      "server.shutdown",
      "instance.release",
      "ended",
  };
  EXPECT_EQ(journal.from("view.bind transparent"), expected);
  EXPECT_EQ(window.null.destroyCount, 1);
  EXPECT_TRUE(view.null.loadedUrls.empty());
}

TEST_F(ApplicationStartupTest, TeardownRunsInOrderOnceWhenTheWindowGoes) {
  ASSERT_EQ(start(), StartupResult::Running);
  journal.clear();
  onUi([&] { window.destroy(); });
  const Entries expected = {
      "window.destroy",  "log 开始销毁 ",    "window.removeTrayIcon",
      "waits.cancel",    "ui.beginTeardown", "view.unbind",
      "push.stop",       "log 销毁 ",        "log.close",
      "server.shutdown", "instance.release", "ended",
  };
  EXPECT_EQ(journal.entries(), expected);
  EXPECT_FALSE(instance.guard.held());
  EXPECT_FALSE(window.null.trayShown);

  // Again, as after a fatal error: nothing changes.
  journal.clear();
  app->teardown();
  window.destroy();
  EXPECT_EQ(journal.entries(), Entries{"window.destroy"});
}

TEST_F(ApplicationStartupTest, PickerClosedByTheEndOfTheProgramSkipsTheLoad) {
  picker.whileOpen = [&] { app->requestExit(); };
  EXPECT_EQ(start(), StartupResult::Ended);
  const Entries tail = journal.from("picker.runModal");
  ASSERT_GE(tail.size(), 3u);
  EXPECT_EQ(tail[1], "picker.close");
  EXPECT_EQ(journal.count("log 开始销毁 "), 1);
  EXPECT_TRUE(view.null.loadedUrls.empty());
}

TEST_F(ApplicationStartupTest, LoadingFinishedEventsGoToThePushChannel) {
  ASSERT_EQ(start(), StartupResult::Running);
  onUi([&] {
    view.null.finishLoad(kLoadFailed, "connection refused");
    view.null.finishLoad(kLoadSucceeded, "");
  });
  EXPECT_EQ(journal.count("push.onPageLoaded 1 connection refused"), 1);
  EXPECT_EQ(journal.count("push.onPageLoaded 0 "), 1);
}

}  // namespace
}  // namespace orvane::testing
