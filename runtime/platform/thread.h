// Threads and mutual exclusion for the services that work beside the program's thread (the
// network worker, the sound mixer). Neither type is copyable; both are used where they were made.
//
// The main thread is the one the process began on; it alone runs the program and its end. Every
// thread started through Thread is known here until it is joined, so that the exit can ask it to
// stop and wait for it (stopThreadsForExit) before the process's static objects are torn down.
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

class ThreadRecord;

// True on the thread the process began on. Any thread.
bool isMainThread();

// Ends the calling thread at once: the objects on its stack are destroyed as it unwinds, and a
// Thread waiting to join it returns. Never on the main thread, and never from inside a function
// that may not throw (a destructor, a noexcept function): the unwinding would stop there and end
// the whole process.
[[noreturn]] void exitCurrentThread();

// True once the calling thread has been asked to stop (Thread::requestStop, or the exit). A
// worker that loops polls this and returns when it turns true. Always false on the main thread
// and on threads not started through Thread. Any thread, for itself.
bool stopRequested();

// How long the exit waits in all for the started threads to end.
inline constexpr int kThreadStopWaitMs = 1000;

// Asks every started thread that has not been joined yet (except the caller) to stop, and waits
// up to `waitMs` in all for them to end. True when every one of them ended; the Thread objects
// then join at once. False when one still runs: the process must then end without running its
// static tear-down (those objects may still be in use), after flushing the standard streams.
// Called by the exit, on any thread.
bool stopThreadsForExit(int waitMs);

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
  bool joinable() const { return record_ != nullptr; }

  // Sets the started thread's stopRequested(); it ends when it next polls. Does nothing when
  // nothing was started.
  void requestStop();

 private:
  ThreadRecord* record_ = nullptr;
};

}  // namespace korvane::platform
