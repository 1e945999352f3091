// Threads and mutual exclusion for the services that work beside the program's thread (the
// network worker, the sound mixer). Neither type is copyable; both are used where they were made.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane::platform {

// A non-recursive lock. lock/unlock may be called from any thread; a thread that already holds
// the mutex must not lock it again, and only the holder unlocks it. Destroy it only when no
// thread holds or waits for it.
class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // Waits until the mutex is free, then holds it.
  void lock();
  // Releases it; one waiting thread may then take it.
  void unlock();

 private:
  // Room for the system's mutex, so this header names no system type.
  alignas(std::max_align_t) unsigned char storage_[64];
};

// Holds `mutex` from construction to the end of the scope.
class ScopedLock {
 public:
  explicit ScopedLock(Mutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  ~ScopedLock() { mutex_.unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

 private:
  Mutex& mutex_;
};

using ThreadFunction = void (*)(void* argument);

// One thread of this process. start, join and joinable are called by the thread that owns the
// Thread object (normally the one that made it), never by the started thread itself.
class Thread {
 public:
  Thread() = default;
  // A thread still running is joined first: the owner must have told it to stop.
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Runs `function(argument)` on a new thread. False, and nothing started, when `function` is
  // null, this Thread is still joinable, or the system refuses another thread.
  bool start(ThreadFunction function, void* argument);

  // Waits for the started thread to return; afterwards joinable() is false. Does nothing when
  // nothing was started.
  void join();

  // True from a successful start until join.
  bool joinable() const { return joinable_; }

 private:
  std::uintptr_t handle_ = 0;
  bool joinable_ = false;
};

}  // namespace korvane::platform
