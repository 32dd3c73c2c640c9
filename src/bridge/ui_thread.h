#pragma once
// The one way for other threads into the UI thread, where the window, the web
// view and the page live.

#include <functional>

namespace orvane {

class UiThread {
 public:
  virtual ~UiThread() = default;

  // Runs `task` on the UI thread and returns when it has run. Tasks from
  // different threads run one at a time in the order they arrived; called on
  // the UI thread it runs at once. Returns false without running the task once
  // teardown has begun, so a network thread never blocks the shutdown that is
  // waiting for it.
  virtual bool invoke(const std::function<void()>& task) = 0;

  // From here on every invoke returns false at once; waiting callers wake.
  virtual void beginTeardown() = 0;

  virtual bool isUiThread() const = 0;
};

}  // namespace orvane
