#pragma once
// A re-entrant lock with an explicit life: init, enter, leave, destroy.
//
// enter and leave do nothing on a lock that is not initialised (never
// initialised, or destroyed), so code that runs before start-up or after
// teardown may take the lock harmlessly. The owning thread may enter again;
// each enter needs its leave. A leave by a thread that does not hold the lock
// does nothing. init and destroy must not race with enter on another thread.

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace orvane {

class SectionLock {
 public:
  SectionLock() = default;
  ~SectionLock() { destroy(); }
  SectionLock(const SectionLock&) = delete;
  SectionLock& operator=(const SectionLock&) = delete;

  // Destroys any previous state, then makes the lock usable.
  void init();
  void enter();
  // Takes the lock only when that needs no waiting; false otherwise and when
  // the lock is not initialised.
  bool tryEnter();
  void leave();
  // Makes the lock unusable; a lock the calling thread still holds is released.
  void destroy();
  bool initialised() const { return state_ != nullptr; }

 private:
  struct State {
    std::mutex mutex;
    std::atomic<std::thread::id> owner{};
    unsigned depth = 0;  // touched only by the owner
  };
  std::unique_ptr<State> state_;
};

// Holds a SectionLock for a scope.
class SectionGuard {
 public:
  explicit SectionGuard(SectionLock& lock) : lock_(lock) { lock_.enter(); }
  ~SectionGuard() { lock_.leave(); }
  SectionGuard(const SectionGuard&) = delete;
  SectionGuard& operator=(const SectionGuard&) = delete;

 private:
  SectionLock& lock_;
};

}  // namespace orvane
