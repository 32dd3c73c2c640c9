#pragma once
// The UI thread of the GTK client: the thread that runs the GTK main loop.
// Other threads hand their tasks over through the request queue, and an idle
// source on the default main context makes the loop run them.

#include <functional>
#include <memory>
#include <utility>

#include "bridge/ui_request_queue.h"
#include "bridge/ui_thread.h"

namespace orvane {

class GtkUiThread final : public UiThread {
 public:
  // Made on the thread that runs (or will run) the GTK main loop.
  GtkUiThread();
  // Begins teardown: waiting callers are released, and a wake-up still on
  // its way finds nothing to run.
  ~GtkUiThread() override;
  GtkUiThread(const GtkUiThread&) = delete;
  GtkUiThread& operator=(const GtkUiThread&) = delete;

  bool invoke(const std::function<void()>& task) override { return queue_->invoke(task); }
  bool post(std::function<void()> task) override { return queue_->post(std::move(task)); }
  void beginTeardown() override { queue_->beginTeardown(); }
  bool isUiThread() const override { return queue_->isUiThread(); }
  bool tearingDown() const override { return queue_->tearingDown(); }

 private:
  // Shared with the idle sources in flight, which hold it weakly.
  std::shared_ptr<UiRequestQueue> queue_;
};

}  // namespace orvane
