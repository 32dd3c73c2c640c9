#include "log/worker_threads.h"

#include <iterator>

#include "log/start_thread.h"

namespace orvane {

WorkerThreads::~WorkerThreads() { closeAndJoin(); }

bool WorkerThreads::start(std::function<void()> routine) {
  if (!routine) return false;
  std::unique_lock lock(mutex_);
  if (closed_) return false;
  reapFinished(lock);
  if (closed_) return false;
  workers_.emplace_back();
  const auto worker = std::prev(workers_.end());
  // The list node stays put until it is reaped, which needs `finished`, so
  // the thread may point at it.
  auto body = [this, worker, routine = std::move(routine)] {
    struct MarkFinished {
      WorkerThreads& owner;
      std::list<Worker>::iterator worker;
      ~MarkFinished() {
        std::lock_guard done(owner.mutex_);
        worker->finished = true;
      }
    } mark{*this, worker};
    routine();
  };
  if (!startThread(std::move(body), &worker->thread)) {
    workers_.erase(worker);
    return false;
  }
  return true;
}

void WorkerThreads::reapFinished(std::unique_lock<std::mutex>& lock) {
  std::list<Worker> finished;
  for (auto it = workers_.begin(); it != workers_.end();) {
    const auto next = std::next(it);
    if (it->finished) finished.splice(finished.end(), workers_, it);
    it = next;
  }
  if (finished.empty()) return;
  // A finished thread may still be leaving its routine; joining it takes no
  // longer than that, but is done without the lock all the same.
  lock.unlock();
  for (Worker& worker : finished) worker.thread.join();
  lock.lock();
}

void WorkerThreads::closeAndJoin() {
  std::list<Worker> all;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    all.swap(workers_);
  }
  for (Worker& worker : all) {
    if (worker.thread.joinable()) worker.thread.join();
  }
}

std::size_t WorkerThreads::count() const {
  std::lock_guard lock(mutex_);
  return workers_.size();
}

}  // namespace orvane
