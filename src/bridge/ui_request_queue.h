#pragma once
// The queue behind every UiThread: other threads add a task and wait; the UI
// thread runs the queued tasks in arrival order when its loop wakes it. The
// platform part only supplies the wake-up (g_idle_add, PostMessage, a test
// thread) and calls runPending on the UI thread.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace orvane {

class UiRequestQueue {
 public:
  using Wake = std::function<void()>;

  // `wake` is called (from the submitting thread) whenever the queue goes from
  // empty to non-empty; it must make the UI thread call runPending soon.
  explicit UiRequestQueue(Wake wake);

  void setUiThread(std::thread::id id);
  bool isUiThread() const;
  bool isUiThreadSet() const;

  // See UiThread::invoke and UiThread::post.
  bool invoke(const std::function<void()>& task);
  bool post(std::function<void()> task);

  // Runs everything queued so far, in order, on the calling (UI) thread.
  void runPending();

  void beginTeardown();
  bool tearingDown() const;

 private:
  // Lives on the waiting caller's stack until `done` is set.
  struct Request {
    const std::function<void()>* task = nullptr;
    bool done = false;
    bool ran = false;
  };

  Wake wake_;
  std::thread::id uiThread_;
  mutable std::mutex mutex_;
  std::condition_variable done_;
  // A waiting caller's request, or a posted task the queue owns.
  struct Entry {
    Request* request = nullptr;
    std::function<void()> posted;
  };

  std::deque<Entry> pending_;
  bool tearingDown_ = false;
};

}  // namespace orvane
