// Threads started and joined, and a mutex that two threads count under.
#include "runtime/platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace korvane::platform {
namespace {

struct Counter {
  Mutex mutex;
  long value = 0;
  int rounds = 0;
};

void countUnderLock(void* argument) {
  auto* counter = static_cast<Counter*>(argument);
  for (int i = 0; i < counter->rounds; ++i) {
    ScopedLock lock(counter->mutex);
    // Read, give the processor away now and then, write back: without exclusion the other
    // thread's increments in between are lost.
    const long seen = counter->value;
    if (i % 128 == 0) std::this_thread::yield();
    counter->value = seen + 1;
  }
}

TEST(MutexTest, TwoThreadsCountingUnderTheMutexLoseNothing) {
  Counter counter;
  counter.rounds = 100000;
  Thread first;
  Thread second;
  ASSERT_TRUE(first.start(countUnderLock, &counter));
  ASSERT_TRUE(second.start(countUnderLock, &counter));
  first.join();
  second.join();
  EXPECT_EQ(counter.value, 2L * counter.rounds);
}

void storeSeven(void* argument) { static_cast<std::atomic<int>*>(argument)->store(7); }

TEST(ThreadTest, StartJoinAndJoinable) {
  Thread thread;
  EXPECT_FALSE(thread.joinable());
  thread.join();  // nothing started: returns at once
  EXPECT_FALSE(thread.start(nullptr, nullptr));
  EXPECT_FALSE(thread.joinable());

  std::atomic<int> value{0};
  ASSERT_TRUE(thread.start(storeSeven, &value));
  EXPECT_TRUE(thread.joinable());
  EXPECT_FALSE(thread.start(storeSeven, &value));  // one thread at a time
  thread.join();
  EXPECT_FALSE(thread.joinable());
  EXPECT_EQ(value.load(), 7);

  // A joined Thread starts again.
  value = 0;
  ASSERT_TRUE(thread.start(storeSeven, &value));
  thread.join();
  EXPECT_EQ(value.load(), 7);
}

void sleepThenStoreSeven(void* argument) {
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  storeSeven(argument);
}

TEST(ThreadTest, DestroyingARunningThreadWaitsForIt) {
  std::atomic<int> value{0};
  {
    Thread thread;
    ASSERT_TRUE(thread.start(sleepThenStoreSeven, &value));
  }
  EXPECT_EQ(value.load(), 7);
}

struct WorkerView {
  std::atomic<bool> wasMain{true};
  std::atomic<bool> sawStop{false};
  std::atomic<bool> unwound{false};
  std::atomic<bool> wentOn{false};
};

struct SetOnUnwind {
  std::atomic<bool>& flag;
  ~SetOnUnwind() { flag.store(true); }
};

void waitForStopThenEndItself(void* argument) {
  auto* view = static_cast<WorkerView*>(argument);
  SetOnUnwind guard{view->unwound};
  view->wasMain = isMainThread();
  while (!stopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  view->sawStop = true;
  exitCurrentThread();
  view->wentOn = true;
}

TEST(ThreadTest, AWorkerIsAskedToStopAndEndsItselfUnwinding) {
  EXPECT_TRUE(isMainThread());
  EXPECT_FALSE(stopRequested());  // the main thread is never asked
  WorkerView view;
  Thread thread;
  ASSERT_TRUE(thread.start(waitForStopThenEndItself, &view));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(view.sawStop.load());
  thread.requestStop();
  thread.join();
  EXPECT_FALSE(view.wasMain.load());
  EXPECT_TRUE(view.sawStop.load());
  EXPECT_TRUE(view.unwound.load());
  EXPECT_FALSE(view.wentOn.load());
}

}  // namespace
}  // namespace korvane::platform
