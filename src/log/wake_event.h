#pragma once
// An auto-reset event: set() lets exactly one wait() through (now or when it
// comes), then the event is unset again. Setting an event that is already set
// costs one atomic operation, so busy producers do not contend on its lock.

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace orvane {

class WakeEvent {
 public:
  void set() {
    if (signalled_.exchange(true, std::memory_order_acq_rel)) return;
    // Taking the lock orders this with a waiter that has just found the event
    // unset and is about to sleep.
    { std::lock_guard<std::mutex> lock(mutex_); }
    cv_.notify_one();
  }

  void wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return signalled_.load(std::memory_order_acquire); });
    signalled_.store(false, std::memory_order_release);
  }

 private:
  std::atomic<bool> signalled_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
};

}  // namespace orvane
