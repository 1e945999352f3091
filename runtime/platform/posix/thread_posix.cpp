// Mutex and Thread over pthreads, with the list of started threads that the exit stops.
#include <pthread.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>

#include "runtime/platform/thread.h"

namespace korvane::platform {

namespace {

pthread_mutex_t* nativeMutex(unsigned char* storage) {
  return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}

}  // namespace

// One started thread, from start until its owner's join. It is on the registry's list all that
// time, so the exit can find it.
class ThreadRecord {
 public:
  ThreadFunction function = nullptr;
  void* argument = nullptr;
  pthread_t handle{};
  std::atomic<bool> stop{false};
  // The fields below are guarded by the registry's mutex.
  bool joinClaimed = false;  // one joiner only: the owner or the exit
  bool claimedByExit = false;
  bool joined = false;
  bool abandoned = false;  // outlived the exit's wait: claimed for good, never joined
  ThreadRecord* previous = nullptr;
  ThreadRecord* next = nullptr;
};

namespace {

// Plain statics with no destructor: the registry is still used while the process tears down.
pthread_mutex_t registryMutex = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t joinedChanged = PTHREAD_COND_INITIALIZER;
ThreadRecord* firstRecord = nullptr;

thread_local ThreadRecord* currentRecord = nullptr;

void link(ThreadRecord* record) {
  record->next = firstRecord;
  if (firstRecord != nullptr) firstRecord->previous = record;
  firstRecord = record;
}

void unlink(ThreadRecord* record) {
  if (record->previous != nullptr) record->previous->next = record->next;
  if (record->next != nullptr) record->next->previous = record->previous;
  if (firstRecord == record) firstRecord = record->next;
}

void* runThread(void* argument) {
  auto* record = static_cast<ThreadRecord*>(argument);
  currentRecord = record;
  record->function(record->argument);
  return nullptr;
}

timespec deadlineAfter(int ms) {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  const long long nanoseconds = t.tv_nsec + static_cast<long long>(ms < 0 ? 0 : ms) * 1000000LL;
  t.tv_sec += static_cast<time_t>(nanoseconds / 1000000000LL);
  t.tv_nsec = static_cast<long>(nanoseconds % 1000000000LL);
  return t;
}

// The next thread the exit claimed and has not joined or given up yet; null when none is left.
ThreadRecord* nextClaimedByExit() {
  for (ThreadRecord* r = firstRecord; r != nullptr; r = r->next) {
    if (r->claimedByExit && !r->joined && !r->abandoned) return r;
  }
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
  if (record_ != nullptr || function == nullptr) return false;
  auto* record = new (std::nothrow) ThreadRecord;
  if (record == nullptr) return false;
  record->function = function;
  record->argument = argument;
  pthread_mutex_lock(&registryMutex);
  const bool started = pthread_create(&record->handle, nullptr, runThread, record) == 0;
  if (started) link(record);
  pthread_mutex_unlock(&registryMutex);
  if (!started) {
    delete record;
    return false;
  }
  record_ = record;
  return true;
}

void Thread::join() {
  ThreadRecord* record = record_;
  if (record == nullptr) return;
  pthread_mutex_lock(&registryMutex);
  if (!record->joinClaimed) {
    record->joinClaimed = true;
    pthread_mutex_unlock(&registryMutex);
    pthread_join(record->handle, nullptr);
    pthread_mutex_lock(&registryMutex);
    record->joined = true;
    pthread_cond_broadcast(&joinedChanged);
  } else {
    // The exit is joining it.
    while (!record->joined) pthread_cond_wait(&joinedChanged, &registryMutex);
  }
  unlink(record);
  pthread_mutex_unlock(&registryMutex);
  delete record;
  record_ = nullptr;
}

void Thread::requestStop() {
  if (record_ != nullptr) record_->stop.store(true);
}

bool isMainThread() { return static_cast<pid_t>(syscall(SYS_gettid)) == getpid(); }

void exitCurrentThread() { pthread_exit(nullptr); }

bool stopRequested() { return currentRecord != nullptr && currentRecord->stop.load(); }

bool stopThreadsForExit(int waitMs) {
  const timespec deadline = deadlineAfter(waitMs);
  bool allEnded = true;
  pthread_mutex_lock(&registryMutex);
  for (ThreadRecord* r = firstRecord; r != nullptr; r = r->next) {
    if (r == currentRecord || r->joined) continue;
    r->stop.store(true);
    if (!r->joinClaimed) {
      r->joinClaimed = true;
      r->claimedByExit = true;
    }
  }
  // Join the claimed ones one by one; the lock is let go meanwhile so that owners can go on.
  // A thread that outlives the deadline stays claimed, so no owner joins it afterwards.
  while (ThreadRecord* r = nextClaimedByExit()) {
    pthread_mutex_unlock(&registryMutex);
    const bool ended = pthread_timedjoin_np(r->handle, nullptr, &deadline) == 0;
    pthread_mutex_lock(&registryMutex);
    if (ended) {
      r->joined = true;
      pthread_cond_broadcast(&joinedChanged);
    } else {
      allEnded = false;
      r->abandoned = true;
    }
  }
  // Those an owner is joining right now end under the owner's hand.
  for (;;) {
    ThreadRecord* waiting = nullptr;
    for (ThreadRecord* r = firstRecord; r != nullptr; r = r->next) {
      if (r != currentRecord && r->joinClaimed && !r->claimedByExit && !r->joined &&
          !r->abandoned) {
        waiting = r;
        break;
      }
    }
    if (waiting == nullptr) break;
    if (pthread_cond_timedwait(&joinedChanged, &registryMutex, &deadline) == ETIMEDOUT) {
      allEnded = false;
      break;
    }
  }
  pthread_mutex_unlock(&registryMutex);
  return allEnded;
}

}  // namespace korvane::platform
