#include "bridge/ui_thread_null.h"

namespace orvane {

NullUiThread::NullUiThread()
    : queue_([this] {
        std::lock_guard lock(mutex_);
        woken_ = true;
        wake_.notify_one();
      }) {
  thread_ = std::thread([this] { loop(); });
  // Wait until the loop has registered itself, so isUiThread is right at once.
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [this] { return queue_.isUiThreadSet(); });
}

NullUiThread::~NullUiThread() {
  queue_.beginTeardown();
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
    wake_.notify_all();
  }
  thread_.join();
}

void NullUiThread::loop() {
  {
    std::lock_guard lock(mutex_);
    queue_.setUiThread(std::this_thread::get_id());
    wake_.notify_all();
  }
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return woken_ || quit_; });
      if (quit_) return;
      woken_ = false;
    }
    queue_.runPending();
  }
}

}  // namespace orvane
