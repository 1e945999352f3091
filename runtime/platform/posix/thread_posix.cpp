// Mutex and Thread over pthreads.
#include <pthread.h>

#include <new>

#include "runtime/platform/thread.h"

namespace korvane::platform {

namespace {

pthread_mutex_t* nativeMutex(unsigned char* storage) {
  return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}

// What the new thread needs; it owns and frees this.
struct StartRecord {
  ThreadFunction function;
  void* argument;
};

void* runThread(void* record) {
  StartRecord start = *static_cast<StartRecord*>(record);
  delete static_cast<StartRecord*>(record);
  start.function(start.argument);
  return nullptr;
}

}  // namespace

Mutex::Mutex() {
  static_assert(sizeof(pthread_mutex_t) <= sizeof(storage_), "the mutex does not fit its room");
  static_assert(alignof(pthread_mutex_t) <= alignof(std::max_align_t));
  // A default mutex needs no resources, so initialising it cannot fail on this system.
  pthread_mutex_init(new (storage_) pthread_mutex_t, nullptr);
}

Mutex::~Mutex() { pthread_mutex_destroy(nativeMutex(storage_)); }

void Mutex::lock() { pthread_mutex_lock(nativeMutex(storage_)); }

void Mutex::unlock() { pthread_mutex_unlock(nativeMutex(storage_)); }

Thread::~Thread() { join(); }

bool Thread::start(ThreadFunction function, void* argument) {
  static_assert(sizeof(pthread_t) <= sizeof(handle_), "the thread handle does not fit");
  if (joinable_ || function == nullptr) return false;
  auto* record = new (std::nothrow) StartRecord{function, argument};
  if (record == nullptr) return false;
  pthread_t thread;
  if (pthread_create(&thread, nullptr, runThread, record) != 0) {
    delete record;
    return false;
  }
  handle_ = static_cast<std::uintptr_t>(thread);
  joinable_ = true;
  return true;
}

void Thread::join() {
  if (!joinable_) return;
  pthread_join(static_cast<pthread_t>(handle_), nullptr);
  joinable_ = false;
  handle_ = 0;
}

}  // namespace korvane::platform
