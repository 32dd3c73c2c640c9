#include "bridge/ui_request_queue.h"

#include <utility>

namespace orvane {

UiRequestQueue::UiRequestQueue(Wake wake) : wake_(std::move(wake)) {}

void UiRequestQueue::setUiThread(std::thread::id id) {
  std::lock_guard lock(mutex_);
  uiThread_ = id;
}

bool UiRequestQueue::isUiThread() const {
  std::lock_guard lock(mutex_);
  return uiThread_ == std::this_thread::get_id();
}

bool UiRequestQueue::isUiThreadSet() const {
  std::lock_guard lock(mutex_);
  return uiThread_ != std::thread::id();
}

bool UiRequestQueue::invoke(const std::function<void()>& task) {
  if (isUiThread()) {
    if (tearingDown()) return false;
    task();
    return true;
  }
  Request request;
  request.task = &task;
  bool wasEmpty = false;
  {
    std::lock_guard lock(mutex_);
    if (tearingDown_) return false;
    wasEmpty = pending_.empty();
    pending_.push_back(Entry{&request, {}});
  }
  if (wasEmpty) wake_();
  std::unique_lock lock(mutex_);
  done_.wait(lock, [&] { return request.done; });
  return request.ran;
}

bool UiRequestQueue::post(std::function<void()> task) {
  bool wasEmpty = false;
  {
    std::lock_guard lock(mutex_);
    if (tearingDown_) return false;
    wasEmpty = pending_.empty();
    pending_.push_back(Entry{nullptr, std::move(task)});
  }
  if (wasEmpty) wake_();
  return true;
}

void UiRequestQueue::runPending() {
  for (;;) {
    Entry entry;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) return;
      entry = std::move(pending_.front());
      pending_.pop_front();
    }
    if (entry.request == nullptr) {
      if (entry.posted) entry.posted();
      continue;
    }
    Request* request = entry.request;
    // The waiting caller must be released even if the task throws; the
    // exception then goes on to the platform loop's fatal-error handling.
    struct Release {
      UiRequestQueue& queue;
      Request& request;
      ~Release() {
        std::lock_guard lock(queue.mutex_);
        request.done = true;
        request.ran = true;
        queue.done_.notify_all();
      }
    } release{*this, *request};
    (*request->task)();
  }
}

void UiRequestQueue::beginTeardown() {
  // Posted tasks are dropped after the lock is let go: destroying one may run
  // whatever its captures own.
  std::deque<Entry> dropped;
  std::lock_guard lock(mutex_);
  tearingDown_ = true;
  // Queued tasks never run; a task that is running now finishes first, and its
  // caller keeps waiting for it because it is no longer in the queue.
  for (Entry& entry : pending_) {
    if (entry.request != nullptr) entry.request->done = true;
  }
  dropped.swap(pending_);
  done_.notify_all();
}

bool UiRequestQueue::tearingDown() const {
  std::lock_guard lock(mutex_);
  return tearingDown_;
}

}  // namespace orvane
