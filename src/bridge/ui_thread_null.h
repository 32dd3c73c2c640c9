#pragma once
// A UI thread for tests: a plain thread that runs handed-over tasks in order,
// standing in for the GTK or Win32 loop.

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "bridge/ui_request_queue.h"
#include "bridge/ui_thread.h"

namespace orvane {

class NullUiThread final : public UiThread {
 public:
  NullUiThread();
  ~NullUiThread() override;
  NullUiThread(const NullUiThread&) = delete;
  NullUiThread& operator=(const NullUiThread&) = delete;

  bool invoke(const std::function<void()>& task) override { return queue_.invoke(task); }
  bool post(std::function<void()> task) override { return queue_.post(std::move(task)); }
  void beginTeardown() override { queue_.beginTeardown(); }
  bool isUiThread() const override { return queue_.isUiThread(); }
  bool tearingDown() const override { return queue_.tearingDown(); }

 private:
  void loop();

  UiRequestQueue queue_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
  bool quit_ = false;
  std::thread thread_;
};

}  // namespace orvane
