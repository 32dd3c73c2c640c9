#include "display/screen_picker.h"

#include <utility>

#include "config/config_keys.h"
#include "config/ini_file.h"
#include "log/log_writer.h"
#include "webview/main_window.h"

namespace orvane {

std::string screenItemText(int number, const MonitorRect& rect) {
  // Widths in 64 bits: a hostile or broken rectangle must not overflow.
  const long long width = static_cast<long long>(rect.right) - rect.left;
  const long long height = static_cast<long long>(rect.bottom) - rect.top;
  return "序号: " + std::to_string(number) + " (w:" + std::to_string(width) +
         " h:" + std::to_string(height) + ")";
}

void insertByLeftEdge(std::vector<MonitorRect>& list, const MonitorRect& rect) {
  auto at = list.begin();
  while (at != list.end() && at->left <= rect.left) ++at;
  list.insert(at, rect);
}

ScreenPicker::ScreenPicker(ScreenPickerParts parts) : parts_(std::move(parts)) {
  // The handler runs on the UI thread, like the destructor that removes it.
  if (parts_.monitors != nullptr)
    parts_.monitors->setChangedHandler([this] { onMonitorsChanged(); });
}

ScreenPicker::~ScreenPicker() {
  if (parts_.monitors != nullptr) parts_.monitors->setChangedHandler(nullptr);
}

void ScreenPicker::runModal() {
  if (dialog_ || !parts_.makeDialog) return;
  opened_ = true;
  dialog_ = parts_.makeDialog();
  if (!dialog_) return;
  // The dialog belongs to this picker, so its handler never outlives it.
  dialog_->setSelectedHandler([this] { onScreenSelected(); });
  onPickerCreated();
  // Shows the dialog only when the saved choice did not close it already.
  dialog_->runModal();
  dialog_.reset();
}

void ScreenPicker::close() {
  if (dialog_) dialog_->close();
}

void ScreenPicker::onPickerCreated() {
  const std::string mainCaption = parts_.mainWindow != nullptr ? parts_.mainWindow->caption() : "";
  dialog_->setCaption(mainCaption + std::string(kPickerCaptionSuffix));
  enumerateMonitors();
  fillItems();

  const int saved = readConfigInt(parts_.configPath, kLocalIndex);
  if (saved <= 0) return;  // no choice yet: wait for the operator
  // Item i has the value i, so the saved number names position saved - 1.
  dialog_->setSelection(saved <= monitorCount_ ? saved - 1 : -1);
  onScreenSelected();
}

void ScreenPicker::enumerateMonitors() {
  monitorList_.clear();
  if (parts_.monitors != nullptr) {
    for (const MonitorRect& rect : parts_.monitors->monitors())
      insertByLeftEdge(monitorList_, rect);
  }
  monitorCount_ = static_cast<int>(monitorList_.size());
}

void ScreenPicker::fillItems() {
  std::vector<std::string> texts;
  texts.reserve(monitorList_.size());
  for (int i = 1; i <= monitorCount_; ++i) texts.push_back(screenItemText(i, monitorList_[i - 1]));
  dialog_->setItems(texts);
}

void ScreenPicker::onScreenSelected() {
  if (!dialog_) return;
  const int position = dialog_->selection();
  if (position < 0) {
    log("未选中");
    return;
  }
  // Item values are their 1-based positions, so d is at least 1.
  const int d = position + 1;
  if (d == currentScreen_) {
    // The window is already there: nothing moves and the dialog stays open.
    log("选中值:" + std::to_string(d) + "," + std::to_string(currentScreen_));
    return;
  }
  if (d > monitorCount_) {
    log("选中值:" + std::to_string(d) + "," + std::to_string(currentScreen_) +
        " 屏幕数:" + std::to_string(monitorCount_));
    return;
  }
  currentScreen_ = d;
  if (!writeIniString(parts_.configPath, kLocalIndex.section, kLocalIndex.key, std::to_string(d))) {
    // The window still moves; only the next start will not know the choice.
    log("保存失败:index=" + std::to_string(d));
  }
  placeOnMonitor(monitorList_[d - 1]);
  dialog_->close();
}

void ScreenPicker::placeOnMonitor(const MonitorRect& rect) {
  placedOn_ = rect;
  if (parts_.mainWindow == nullptr) return;
  parts_.mainWindow->placeOn({rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top});
}

int ScreenPicker::choiceInForce() const {
  // The choice of this run, else the one saved by an earlier run (which may
  // name a monitor that is not attached yet).
  if (currentScreen_ > 0) return currentScreen_;
  return readConfigInt(parts_.configPath, kLocalIndex);
}

void ScreenPicker::onMonitorsChanged() {
  if (!opened_) return;
  enumerateMonitors();
  if (dialog_) {
    // Items of the old list would name the wrong monitors now.
    fillItems();
    if (currentScreen_ >= 1 && currentScreen_ <= monitorCount_) {
      dialog_->setSelection(currentScreen_ - 1);
    }
  }

  const int chosen = choiceInForce();
  if (chosen < 1) return;
  if (chosen > monitorCount_) {
    if (placedOn_) {
      log("屏幕变化,选中屏幕不在:" + std::to_string(chosen) +
          " 屏幕数:" + std::to_string(monitorCount_));
      placedOn_.reset();
    }
    return;
  }
  const MonitorRect& rect = monitorList_[chosen - 1];
  if (placedOn_ == rect) return;
  currentScreen_ = chosen;
  placeOnMonitor(rect);
  log("屏幕变化,重新放置:" + std::to_string(chosen) + " (" + std::to_string(rect.left) + "," +
      std::to_string(rect.top) + " w:" + std::to_string(rect.right - rect.left) +
      " h:" + std::to_string(rect.bottom - rect.top) + ")");
  // The choice the open picker waits for has been applied.
  if (dialog_) dialog_->close();
}

void ScreenPicker::log(std::string_view message) const {
  if (parts_.log) {
    parts_.log(kPickerLogCategory, message);
  } else {
    appLog().write(kPickerLogCategory, message);
  }
}

}  // namespace orvane
