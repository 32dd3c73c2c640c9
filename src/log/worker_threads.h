#pragma once
// Short-lived threads that must not outlive what they use: each runs one
// routine, and closeAndJoin (or the destructor) waits for all of them, so an
// owner that calls it before its members go away never leaves a thread
// running on freed state. Finished threads are reaped when the next starts.

#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace orvane {

class WorkerThreads {
 public:
  WorkerThreads() = default;
  ~WorkerThreads();  // closeAndJoin
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  // Runs `routine` on a new thread (as startThread does: an exception ends
  // only that thread). False when closed, the routine is empty, or no thread
  // can be started.
  bool start(std::function<void()> routine);

  // From here on start refuses; waits for every thread started so far. Must
  // not be called from one of them.
  void closeAndJoin();

  // Threads started and not yet reaped, finished or not.
  std::size_t count() const;

 private:
  struct Worker {
    std::thread thread;
    bool finished = false;  // guarded by mutex_
  };

  void reapFinished(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::list<Worker> workers_;
  bool closed_ = false;
};

}  // namespace orvane
