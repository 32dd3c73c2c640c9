#pragma once
// The program's one top-level window as the portable code sees it. The page's
// window commands, the monitor picker and the tray act on it; each platform
// client implements it (GTK, Win32) and tests use the recording null window.

#include <functional>
#include <string>

namespace orvane {

// Outer rectangle in virtual-screen coordinates.
struct WindowRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowRect&) const = default;
};

// Win32 ShowWindow codes, which the page passes unchanged in "show".
enum ShowCode : int {
  kShowHide = 0,
  kShowNormal = 1,
  kShowMinimized = 2,
  kShowMaximized = 3,
  kShowNoActivate = 4,
  kShowShow = 5,
  kShowMinimize = 6,
  kShowMinNoActive = 7,
  kShowNa = 8,
  kShowRestore = 9,
  kShowDefault = 10,
};

enum class TrayItem { Settings, Update, Exit };  // "设置", "更新", "退出"

class MainWindow {
 public:
  virtual ~MainWindow() = default;

  virtual void setCaption(const std::string& caption) = 0;
  virtual std::string caption() const = 0;
  virtual WindowRect outerRect() const = 0;
  virtual void show(int showCode) = 0;
  // Moves and sizes the window onto the rectangle and shows it (on Wayland,
  // where a client cannot place itself, full screen on the monitor there).
  virtual void placeOn(const WindowRect& rect) = 0;
  // Destroys the window; the destroy handler runs teardown once. Safe twice.
  virtual void destroy() = 0;
  virtual bool isDestroyed() const = 0;

  // Runs when the window is being destroyed (before it is gone).
  virtual void setDestroyHandler(std::function<void()> handler) = 0;

  // Tray icon with the menu "设置", "更新", "退出"; a missing tray host is
  // not an error.
  virtual void addTrayIcon(const std::string& tooltip, std::function<void(TrayItem)> onItem) = 0;
  virtual void removeTrayIcon() = 0;
};

}  // namespace orvane
