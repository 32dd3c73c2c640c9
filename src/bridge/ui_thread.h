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

  // Queues `task` to run on the UI thread later, after whatever the UI thread
  // is doing now has returned, and returns at once; from the UI thread too.
  // Posted and handed-over tasks run in one arrival order. False, and the
  // task is dropped, once teardown has begun; tasks still queued then are
  // dropped as well.
  virtual bool post(std::function<void()> task) = 0;

  // From here on every invoke returns false at once; waiting callers wake.
  virtual void beginTeardown() = 0;

  virtual bool isUiThread() const = 0;
  virtual bool tearingDown() const = 0;
};

}  // namespace orvane
