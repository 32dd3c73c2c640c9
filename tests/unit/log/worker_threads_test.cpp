#include "log/worker_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

namespace orvane {
namespace {

using namespace std::chrono_literals;

TEST(WorkerThreads, CloseAndJoinWaitsForEveryRoutineAndThenRefusesNewOnes) {
  WorkerThreads workers;
  std::promise<void> release;
  auto released = release.get_future().share();
  std::atomic<int> finished{0};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(workers.start([&, released] {
      released.wait();
      ++finished;
    }));
  }
  auto joined = std::async(std::launch::async, [&] { workers.closeAndJoin(); });
  // Closed from the first moment of closeAndJoin, even while it waits.
  ASSERT_TRUE([&] {
    for (int i = 0; i < 3000; ++i) {
      if (!workers.start([] {})) return true;
      std::this_thread::sleep_for(1ms);
    }
    return false;
  }());
  EXPECT_EQ(finished.load(), 0);
  release.set_value();
  joined.wait();
  EXPECT_EQ(finished.load(), 4);
  EXPECT_EQ(workers.count(), 0u);
}

TEST(WorkerThreads, FinishedThreadsAreReapedWhenTheNextStarts) {
  WorkerThreads workers;
  for (int i = 0; i < 50; ++i) {
    std::promise<void> ran;
    auto done = ran.get_future();
    ASSERT_TRUE(workers.start([&ran] { ran.set_value(); }));
    done.wait();
  }
  // A thread may still be leaving its routine when the next start looks, so
  // starts go on until the stragglers are gone; without reaping the count
  // would only grow.
  const auto end = std::chrono::steady_clock::now() + 30s;
  bool reaped = false;
  while (!reaped && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(workers.start([] {}));
    reaped = workers.count() <= 2;
  }
  EXPECT_TRUE(reaped) << workers.count();
}

TEST(WorkerThreads, WhatARoutineOwnsIsReleasedByTheTimeItIsJoined) {
  auto owned = std::make_shared<int>(1);
  std::weak_ptr<int> watch = owned;
  {
    WorkerThreads workers;
    ASSERT_TRUE(workers.start([owned = std::move(owned)] { EXPECT_EQ(*owned, 1); }));
    EXPECT_FALSE(workers.start(nullptr));
  }  // the destructor joins
  EXPECT_TRUE(watch.expired());
}

TEST(WorkerThreads, AnExceptionEndsOnlyItsThread) {
  WorkerThreads workers;
  ASSERT_TRUE(workers.start([] { throw std::runtime_error("boom"); }));
  std::promise<int> after;
  ASSERT_TRUE(workers.start([&] { after.set_value(7); }));
  EXPECT_EQ(after.get_future().get(), 7);
  workers.closeAndJoin();
}

}  // namespace
}  // namespace orvane
