#include "display/screen_picker.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "config/ini_file.h"
#include "display/monitor_source_null.h"
#include "display/screen_picker_dialog_null.h"
#include "support/temp_directory.h"
#include "webview/main_window_null.h"

namespace orvane {
namespace {

using Monitors = std::vector<MonitorRect>;
using Lines = std::vector<std::string>;

const MonitorRect kLeft{0, 0, 1920, 1080};
const MonitorRect kRight{1920, 0, 3840, 1080};
const WindowRect kLeftWindow{0, 0, 1920, 1080};
const WindowRect kRightWindow{1920, 0, 1920, 1080};

// A picker over null parts: the monitors, the window and the dialog are the
// test's, config.ini lives in a fresh folder, log lines are collected.
class PickerFixture : public ::testing::Test {
 protected:
  void SetUp() override { window.setCaption("Quenmere-排行榜"); }

  void saveIndex(std::optional<std::string> text) {
    ASSERT_TRUE(writeIniString(configPath, "server", "ip", "127.0.0.1"));
    if (text) {
      ASSERT_TRUE(writeIniString(configPath, "local", "index", *text));
    }
  }
  std::string savedIndex() const { return readIniString(configPath, "local", "index", "<none>"); }

  ScreenPicker& picker() {
    if (!picker_) {
      ScreenPickerParts parts;
      parts.monitors = &monitors;
      parts.mainWindow = &window;
      parts.configPath = configPath;
      parts.makeDialog = [this] {
        records.push_back(std::make_shared<NullPickerDialogRecord>());
        NullScreenPickerDialog::Script script = whileShown;
        if (!script) script = [](NullScreenPickerDialog& dialog) { dialog.close(); };
        return std::make_unique<NullScreenPickerDialog>(records.back(), std::move(script));
      };
      parts.log = [this](std::string_view category, std::string_view message) {
        EXPECT_EQ(category, "选择");
        lines.emplace_back(message);
      };
      picker_ = std::make_unique<ScreenPicker>(std::move(parts));
    }
    return *picker_;
  }
  const NullPickerDialogRecord& lastDialog() const { return *records.back(); }

  testing::TempDirectory folder;
  std::string configPath = folder.file("config.ini");
  NullMonitorSource monitors;
  NullMainWindow window;
  // What the operator does while the dialog is shown; empty: closes it.
  NullScreenPickerDialog::Script whileShown;
  std::vector<std::shared_ptr<NullPickerDialogRecord>> records;
  Lines lines;

 private:
  std::unique_ptr<ScreenPicker> picker_;
};

TEST(ScreenItemText, IsNumberWidthAndHeight) {
  EXPECT_EQ(screenItemText(2, kRight), "序号: 2 (w:1920 h:1080)");
  EXPECT_EQ(screenItemText(1, {-1280, -24, 0, 1000}), "序号: 1 (w:1280 h:1024)");
}

struct OrderCase {
  const char* name;
  Monitors enumerated;
  Monitors listed;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.name; }

class PickerOrder : public PickerFixture, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(PickerOrder, ListsMonitorsByLeftEdgeKeepingEnumerationOrderForTies) {
  const OrderCase& c = GetParam();
  monitors.setMonitors(c.enumerated);
  saveIndex(std::nullopt);
  picker().runModal();

  EXPECT_EQ(picker().monitorList(), c.listed);
  EXPECT_EQ(picker().monitorCount(), static_cast<int>(c.listed.size()));
  Lines items;
  for (std::size_t i = 0; i < c.listed.size(); ++i) {
    items.push_back(screenItemText(static_cast<int>(i) + 1, c.listed[i]));
  }
  EXPECT_EQ(lastDialog().items, items);
  EXPECT_EQ(lastDialog().caption, "Quenmere-排行榜屏幕选择");
  EXPECT_TRUE(lastDialog().shown);
  EXPECT_EQ(lastDialog().selection, -1);
  EXPECT_TRUE(lines.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickerOrder,
    ::testing::Values(OrderCase{"SecondaryLeftOfPrimary",
                                {{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}},
                                {{-1280, 0, 0, 1024}, {0, 0, 1920, 1080}}},
                      OrderCase{"ThreeStackedKeepEnumerationOrder",
                                {{0, 0, 1920, 1080}, {0, 1080, 1920, 2160}, {0, -1080, 1920, 0}},
                                {{0, 0, 1920, 1080}, {0, 1080, 1920, 2160}, {0, -1080, 1920, 0}}},
                      OrderCase{"TiesAmongOthers",
                                {{1920, 0, 3840, 1080},
                                 {0, 0, 1920, 1080},
                                 {1920, 1080, 3840, 2160},
                                 {-1920, 0, 0, 1080}},
                                {{-1920, 0, 0, 1080},
                                 {0, 0, 1920, 1080},
                                 {1920, 0, 3840, 1080},
                                 {1920, 1080, 3840, 2160}}},
                      OrderCase{"NoMonitors", {}, {}}),
    [](const auto& p) { return std::string(p.param.name); });

struct SavedCase {
  const char* name;
  std::optional<std::string> saved;
  Monitors monitors;
  std::vector<WindowRect> placements;
  bool dialogShown;
  Lines logged;
  std::string savedAfter;
  int currentScreen;
};

void PrintTo(const SavedCase& c, std::ostream* out) { *out << c.name; }

class PickerAtStart : public PickerFixture, public ::testing::WithParamInterface<SavedCase> {};

TEST_P(PickerAtStart, AppliesAValidSavedChoiceUnseenAndWaitsOtherwise) {
  const SavedCase& c = GetParam();
  monitors.setMonitors(c.monitors);
  saveIndex(c.saved);
  picker().runModal();

  EXPECT_EQ(window.placements, c.placements);
  EXPECT_EQ(window.visible, !c.placements.empty());
  EXPECT_EQ(lastDialog().shown, c.dialogShown);
  EXPECT_TRUE(lastDialog().closed);
  EXPECT_EQ(lines, c.logged);
  EXPECT_EQ(savedIndex(), c.savedAfter);
  EXPECT_EQ(picker().currentScreen(), c.currentScreen);
  EXPECT_FALSE(picker().isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PickerAtStart,
    ::testing::Values(
        // " 02" reads as 2 and is written back as "2": the file is rewritten.
        SavedCase{"SavedTwoOfTwo", " 02", {kLeft, kRight}, {kRightWindow}, false, {}, "2", 2},
        SavedCase{"SavedOneOfTwo", "1", {kRight, kLeft}, {kLeftWindow}, false, {}, "1", 1},
        SavedCase{"SavedBeyondTheMonitors", "3", {kLeft, kRight}, {}, true, {"未选中"}, "3", 0},
        SavedCase{"NotANumber", "abc", {kLeft, kRight}, {}, true, {}, "abc", 0},
        SavedCase{"Zero", "0", {kLeft, kRight}, {}, true, {}, "0", 0},
        SavedCase{"Negative", "-2", {kLeft, kRight}, {}, true, {}, "-2", 0},
        SavedCase{"Missing", std::nullopt, {kLeft, kRight}, {}, true, {}, "<none>", 0},
        SavedCase{"NoMonitorsAtAll", "1", {}, {}, true, {"未选中"}, "1", 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(PickerFixture, OperatorsChoiceMovesTheWindowClosesThePickerAndIsSaved) {
  monitors.setMonitors({kLeft, kRight});
  saveIndex("0");
  whileShown = [](NullScreenPickerDialog& dialog) { dialog.choose(1); };
  picker().runModal();

  EXPECT_EQ(window.placements, std::vector<WindowRect>{kRightWindow});
  EXPECT_TRUE(window.visible);
  EXPECT_TRUE(lastDialog().closed);
  EXPECT_EQ(savedIndex(), "2");
  EXPECT_EQ(picker().currentScreen(), 2);
  EXPECT_TRUE(lines.empty());
}

TEST_F(PickerFixture, OpeningFromTheTrayWithTheChoiceInForceOnlyLogsUntilAnotherIsChosen) {
  monitors.setMonitors({kLeft, kRight});
  saveIndex("1");
  picker().runModal();  // the start
  ASSERT_EQ(window.placements, std::vector<WindowRect>{kLeftWindow});

  // "设置": the monitor in use is pre-selected, logged, and the picker waits;
  // the operator picks it again (nothing happens) and closes the picker.
  whileShown = [](NullScreenPickerDialog& dialog) {
    dialog.choose(0);
    dialog.close();
  };
  picker().runModal();
  EXPECT_TRUE(lastDialog().shown);
  EXPECT_EQ(lastDialog().selection, 0);
  EXPECT_EQ(lines, Lines{"选中值:1,1"});
  EXPECT_EQ(window.placements.size(), 1u);

  // "设置" again, and this time the other monitor.
  whileShown = [](NullScreenPickerDialog& dialog) { dialog.choose(1); };
  picker().runModal();
  EXPECT_EQ(window.placements, (std::vector<WindowRect>{kLeftWindow, kRightWindow}));
  EXPECT_EQ(lines, (Lines{"选中值:1,1", "选中值:1,1"}));
  EXPECT_EQ(savedIndex(), "2");
  EXPECT_EQ(records.size(), 3u);
}

TEST_F(PickerFixture, ClosingFromOutsideEndsTheModalRunAndASecondOpeningIsRefused) {
  monitors.setMonitors({kLeft});
  saveIndex("0");
  bool reopenedWhileOpen = false;
  whileShown = [&](NullScreenPickerDialog&) {
    EXPECT_TRUE(picker().isOpen());
    picker().runModal();  // "设置" clicked while the picker is up
    reopenedWhileOpen = true;
    picker().close();  // "退出"
  };
  picker().runModal();
  EXPECT_TRUE(reopenedWhileOpen);
  EXPECT_EQ(records.size(), 1u);
  EXPECT_TRUE(lastDialog().closed);
  EXPECT_FALSE(picker().isOpen());
  EXPECT_TRUE(window.placements.empty());
  picker().close();  // nothing open: nothing happens
}

TEST_F(PickerFixture, AChoiceThatCannotBeSavedStillMovesTheWindowAndIsLogged) {
  configPath = folder.file("missing-folder/config.ini");
  monitors.setMonitors({kLeft, kRight});
  whileShown = [](NullScreenPickerDialog& dialog) { dialog.choose(1); };
  picker().runModal();
  EXPECT_EQ(window.placements, std::vector<WindowRect>{kRightWindow});
  EXPECT_EQ(lines, Lines{"保存失败:index=2"});
  EXPECT_EQ(picker().currentScreen(), 2);
}

// Hot-plug: each step changes the monitors and says what the window and the
// log must show afterwards.
struct PlugStep {
  Monitors monitors;
  std::vector<WindowRect> newPlacements;
  Lines newLines;
};

struct PlugCase {
  const char* name;
  std::string saved;
  Monitors atStart;
  std::vector<PlugStep> steps;
};

void PrintTo(const PlugCase& c, std::ostream* out) { *out << c.name; }

class PickerHotPlug : public PickerFixture, public ::testing::WithParamInterface<PlugCase> {};

TEST_P(PickerHotPlug, FollowsTheChosenMonitorWhileItIsAttached) {
  const PlugCase& c = GetParam();
  monitors.setMonitors(c.atStart);
  saveIndex(c.saved);
  picker().runModal();
  const std::size_t startPlacements = window.placements.size();
  const std::size_t startLines = lines.size();

  std::vector<WindowRect> placements(window.placements);
  Lines logged(lines);
  for (std::size_t i = 0; i < c.steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    const PlugStep& step = c.steps[i];
    monitors.change(step.monitors);
    placements.insert(placements.end(), step.newPlacements.begin(), step.newPlacements.end());
    logged.insert(logged.end(), step.newLines.begin(), step.newLines.end());
    EXPECT_EQ(window.placements, placements);
    EXPECT_EQ(lines, logged);
    EXPECT_EQ(picker().monitorCount(), static_cast<int>(step.monitors.size()));
  }
  EXPECT_GE(window.placements.size(), startPlacements);
  EXPECT_GE(lines.size(), startLines);
  EXPECT_EQ(savedIndex(), c.saved);
}

const MonitorRect kBig{1920, 0, 4480, 1440};

INSTANTIATE_TEST_SUITE_P(
    Cases, PickerHotPlug,
    ::testing::Values(
        PlugCase{
            "ChosenRemovedStaysThenComesBack",
            "2",
            {kLeft, kRight},
            {{{kLeft}, {}, {"屏幕变化,选中屏幕不在:2 屏幕数:1"}},
             {{kLeft}, {}, {}},
             {{kLeft, kRight}, {kRightWindow}, {"屏幕变化,重新放置:2 (1920,0 w:1920 h:1080)"}}}},
        PlugCase{"AnotherMonitorAddedOrRemovedLeavesTheWindow",
                 "1",
                 {kLeft},
                 {{{kLeft, kRight}, {}, {}}, {{kLeft}, {}, {}}}},
        PlugCase{"ChosenMonitorResizedIsCoveredAgain",
                 "2",
                 {kLeft, kRight},
                 {{{kLeft, kBig},
                   {{1920, 0, 2560, 1440}},
                   {"屏幕变化,重新放置:2 (1920,0 w:2560 h:1440)"}}}},
        PlugCase{
            "SavedMonitorMissingAtStartIsUsedWhenItArrives",
            "2",
            {kLeft},
            {{{kLeft, kRight}, {kRightWindow}, {"屏幕变化,重新放置:2 (1920,0 w:1920 h:1080)"}}}},
        PlugCase{"NoChoiceNoPlacement", "0", {kLeft}, {{{kLeft, kRight}, {}, {}}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(PickerFixture, ChangesBeforeTheFirstOpeningAreLeftToIt) {
  monitors.setMonitors({kLeft});
  saveIndex("2");
  picker();
  monitors.change({kLeft, kRight});
  EXPECT_TRUE(window.placements.empty());
  EXPECT_TRUE(lines.empty());
  picker().runModal();
  EXPECT_EQ(window.placements, std::vector<WindowRect>{kRightWindow});
}

TEST_F(PickerFixture, WhileOpenAChangeRefreshesTheItemsAndAnArrivingSavedMonitorEndsTheWait) {
  monitors.setMonitors({kLeft});
  saveIndex("2");
  std::vector<Lines> itemsSeen;
  whileShown = [&](NullScreenPickerDialog& dialog) {
    itemsSeen.push_back(dialog.record().items);
    monitors.change({{0, 0, 1280, 1024}});  // the one monitor changes mode
    itemsSeen.push_back(dialog.record().items);
    EXPECT_FALSE(dialog.isClosed());
    monitors.change({{0, 0, 1280, 1024}, kRight});  // the saved one arrives
  };
  picker().runModal();

  EXPECT_EQ(itemsSeen,
            (std::vector<Lines>{{"序号: 1 (w:1920 h:1080)"}, {"序号: 1 (w:1280 h:1024)"}}));
  EXPECT_EQ(lastDialog().items, (Lines{"序号: 1 (w:1280 h:1024)", "序号: 2 (w:1920 h:1080)"}));
  EXPECT_TRUE(lastDialog().closed);
  EXPECT_EQ(window.placements, std::vector<WindowRect>{kRightWindow});
  EXPECT_EQ(lines, (Lines{"未选中", "屏幕变化,重新放置:2 (1920,0 w:1920 h:1080)"}));
  EXPECT_EQ(picker().currentScreen(), 2);
}

TEST_F(PickerFixture, ThePickerGoneTheMonitorSourceNoLongerCallsIt) {
  monitors.setMonitors({kLeft});
  saveIndex("1");
  picker().runModal();
  {
    ScreenPickerParts parts;
    parts.monitors = &monitors;
    parts.mainWindow = &window;
    parts.configPath = configPath;
    ScreenPicker other(std::move(parts));
  }
  // The second picker took the handler over and removed it when it went.
  monitors.change({kLeft, kRight});
  EXPECT_EQ(window.placements.size(), 1u);
}

}  // namespace
}  // namespace orvane
