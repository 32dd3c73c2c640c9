#pragma once
// The monitor picker: lists the monitors, remembers the operator's choice as
// [local] "index" in config.ini, and places the main window so that it covers
// the chosen monitor exactly.
//
// One picker lives as long as the program; its monitor list and the number
// of the monitor in use outlive each opening of the dialog. runModal() opens
// the dialog over the main window: with a valid saved choice it places the
// window and closes before the dialog is ever shown; otherwise it waits for
// the operator. While a choice is in force the picker follows monitor
// changes: when the chosen monitor comes back or moves, the window is placed
// on it again; while it is gone, the window stays where it is.
//
// Everything here runs on the UI thread.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "display/monitor_source.h"
#include "display/screen_picker_dialog.h"

namespace orvane {

class MainWindow;

// Where the picker's lines go: (category, message). Empty: the program's log.
using PickerLog = std::function<void(std::string_view category, std::string_view message)>;

inline constexpr std::string_view kPickerLogCategory = "选择";

struct ScreenPickerParts {
  MonitorSource* monitors = nullptr;
  MainWindow* mainWindow = nullptr;
  std::string configPath;
  // Makes the form for one opening.
  std::function<std::unique_ptr<ScreenPickerDialog>()> makeDialog;
  PickerLog log;
};

// "序号: 2 (w:1920 h:1080)" for monitor number 2 of 1920×1080.
std::string screenItemText(int number, const MonitorRect& rect);

// Inserts `rect` before the first entry whose left edge is strictly greater,
// so monitors with equal left edges keep the order they came in.
void insertByLeftEdge(std::vector<MonitorRect>& list, const MonitorRect& rect);

class ScreenPicker {
 public:
  explicit ScreenPicker(ScreenPickerParts parts);
  ~ScreenPicker();
  ScreenPicker(const ScreenPicker&) = delete;
  ScreenPicker& operator=(const ScreenPicker&) = delete;

  // Opens the picker modally and returns when it is closed (at once when a
  // saved choice was applied). Does nothing while it is already open.
  void runModal();
  // Closes the open picker; runModal() then returns. Safe when none is open.
  void close();
  bool isOpen() const { return dialog_ != nullptr; }

  // The monitors found at the last enumeration, sorted by left edge.
  const std::vector<MonitorRect>& monitorList() const { return monitorList_; }
  int monitorCount() const { return monitorCount_; }
  // 1-based number of the monitor the window was last placed on; 0 before.
  int currentScreen() const { return currentScreen_; }

 private:
  void onPickerCreated();
  void enumerateMonitors();
  void fillItems();
  void onScreenSelected();
  void placeOnMonitor(const MonitorRect& rect);
  void onMonitorsChanged();
  int choiceInForce() const;
  void log(std::string_view message) const;

  ScreenPickerParts parts_;
  std::vector<MonitorRect> monitorList_;
  int monitorCount_ = 0;
  int currentScreen_ = 0;
  // Set once the picker has opened: monitor changes before that are left to
  // the first opening.
  bool opened_ = false;
  // The monitor rectangle the window covers; empty while the chosen monitor
  // is missing, so it is placed again when it comes back.
  std::optional<MonitorRect> placedOn_;
  std::unique_ptr<ScreenPickerDialog> dialog_;
};

}  // namespace orvane
