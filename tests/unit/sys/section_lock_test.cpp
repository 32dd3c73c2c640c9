#include "sys/section_lock.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <vector>

namespace orvane {
namespace {

// Runs `body` on another thread and returns its result.
template <typename Body>
auto onOtherThread(Body body) {
  return std::async(std::launch::async, body).get();
}

TEST(SectionLock, ExcludesOtherThreads) {
  SectionLock lock;
  lock.init();
  long counter = 0;  // deliberately not atomic: only the lock protects it
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 50'000; ++i) {
        SectionGuard guard(lock);
        ++counter;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 200'000);
}

TEST(SectionLock, OwnerMayEnterAgainAndNeedsAsManyLeaves) {
  SectionLock lock;
  lock.init();
  lock.enter();
  lock.enter();
  EXPECT_TRUE(lock.tryEnter());
  lock.leave();
  lock.leave();
  EXPECT_FALSE(onOtherThread([&] { return lock.tryEnter(); }));
  lock.leave();
  EXPECT_TRUE(onOtherThread([&] {
    const bool got = lock.tryEnter();
    if (got) lock.leave();
    return got;
  }));
}

TEST(SectionLock, LeaveByAThreadThatDoesNotHoldItDoesNothing) {
  SectionLock lock;
  lock.init();
  lock.enter();
  onOtherThread([&] {
    lock.leave();
    return 0;
  });
  EXPECT_FALSE(onOtherThread([&] { return lock.tryEnter(); }));
  lock.leave();
  lock.leave();  // one too many: no effect
  EXPECT_TRUE(onOtherThread([&] {
    const bool got = lock.tryEnter();
    if (got) lock.leave();
    return got;
  }));
}

TEST(SectionLock, UninitialisedOrDestroyedLockIgnoresEverything) {
  SectionLock lock;
  EXPECT_FALSE(lock.initialised());
  lock.enter();
  lock.leave();
  lock.leave();
  EXPECT_FALSE(lock.tryEnter());

  lock.init();
  lock.enter();  // held while destroyed: released, not leaked
  lock.destroy();
  lock.destroy();
  EXPECT_FALSE(lock.initialised());
  lock.enter();
  lock.leave();

  // A fresh init gives a usable, free lock.
  lock.init();
  EXPECT_TRUE(onOtherThread([&] {
    const bool got = lock.tryEnter();
    if (got) lock.leave();
    return got;
  }));
  lock.enter();
  lock.init();  // init on a held lock starts over
  EXPECT_TRUE(onOtherThread([&] {
    const bool got = lock.tryEnter();
    if (got) lock.leave();
    return got;
  }));
}

}  // namespace
}  // namespace orvane
