#pragma once
// A main window that records what it is asked; tests drive the dispatcher,
// the picker and the startup sequence with it.

#include <functional>
#include <string>
#include <vector>

#include "webview/main_window.h"

namespace orvane {

class NullMainWindow final : public MainWindow {
 public:
  void setCaption(const std::string& caption) override { caption_ = caption; }
  std::string caption() const override { return caption_; }
  WindowRect outerRect() const override { return rect_; }
  void show(int showCode) override {
    showCalls.push_back(showCode);
    visible = showCode != kShowHide;
  }
  void placeOn(const WindowRect& rect) override {
    placements.push_back(rect);
    rect_ = rect;
    visible = true;
  }
  void destroy() override {
    if (destroyed_) return;
    destroyed_ = true;
    ++destroyCount;
    if (onDestroy_) onDestroy_();
  }
  bool isDestroyed() const override { return destroyed_; }
  void setDestroyHandler(std::function<void()> handler) override { onDestroy_ = std::move(handler); }
  void addTrayIcon(const std::string& tooltip, std::function<void(TrayItem)> onItem) override {
    trayTooltip = tooltip;
    trayHandler = std::move(onItem);
    trayShown = true;
  }
  void removeTrayIcon() override { trayShown = false; }

  // Test controls.
  void setRect(const WindowRect& rect) { rect_ = rect; }
  void clickTray(TrayItem item) {
    if (trayHandler) trayHandler(item);
  }

  std::vector<int> showCalls;
  std::vector<WindowRect> placements;
  int destroyCount = 0;
  bool visible = false;
  bool trayShown = false;
  std::string trayTooltip;
  std::function<void(TrayItem)> trayHandler;

 private:
  std::string caption_;
  WindowRect rect_;
  bool destroyed_ = false;
  std::function<void()> onDestroy_;
};

}  // namespace orvane
