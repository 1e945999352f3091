#include "runtime/core/stop/error_stop.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "runtime/core/stop/project_settings.h"
#include "runtime/core/stop/upward_calls.h"
#include "runtime/platform/files.h"
#include "runtime/platform/process.h"
#include "runtime/platform/thread.h"

namespace korvane {

namespace {
bool shuttingDown = false;

// What setErrorCode kept on a worker, for that worker's endProgram.
struct PendingError {
  bool hasCode = false;
  double code = 0;
  double line = 0;
};
thread_local PendingError workerError;

// The first worker failure, handed to the main thread: the worker that moves the state from
// kNoFailure to kWriting owns the record; kRecorded publishes it.
struct WorkerFailure {
  PendingError error;
  int exitCode = 0;
};
constexpr int kNoFailure = 0;
constexpr int kWriting = 1;
constexpr int kRecorded = 2;
std::atomic<int> workerFailureState{kNoFailure};
WorkerFailure workerFailure;

// The line counter is written by the main thread and read by a failing worker.
double readCurrentLine() {
  return std::atomic_ref<double>(runtimeError().currentLine).load(std::memory_order_relaxed);
}

[[noreturn]] void endWorker(int exitCode) {
  int expected = kNoFailure;
  if (workerFailureState.compare_exchange_strong(expected, kWriting)) {
    workerFailure.error = workerError;
    workerFailure.exitCode = exitCode;
    workerFailureState.store(kRecorded, std::memory_order_release);
  }
  platform::exitCurrentThread();
}

platform::Mutex& errorLogMutex() {
  // Never destroyed: the log is written during the tear-down too.
  static auto* mutex = new platform::Mutex;
  return *mutex;
}

// The report writes doubles as integers; C++ leaves NaN and out-of-range conversions undefined,
// so these follow the x86 rule (the most negative integer) without depending on the values module.
int reportInteger(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int>(v);
}

std::string formatInteger(int v) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", v);
  return text;
}
}  // namespace

RuntimeError& runtimeError() {
  static RuntimeError state;
  return state;
}

double setErrorCode(double code) {
  if (!platform::isMainThread()) {
    workerError = {true, code, readCurrentLine()};
    return code;
  }
  runtimeError().errorCode = code;
  runtimeError().errorLine = runtimeError().currentLine;
  return code;
}

void setSourcePosition(double tag, double line) {
  runtimeError().positionTag = tag;
  std::atomic_ref<double>(runtimeError().currentLine).store(line, std::memory_order_relaxed);
}

std::string errorLogPath() { return platform::temporaryDirectory() + "ErrorLog.txt"; }

void appendErrorLog(std::string_view line) {
  // The log file refuses a second writer rather than wait for it, so the threads take turns here.
  platform::ScopedLock lock(errorLogMutex());
  platform::appendLine(errorLogPath(), line);
}

void deleteErrorLog() { platform::removeFile(errorLogPath()); }

namespace {
// A fatal condition met while the services are going down must not run the shutdown twice.
// Returns false when the shutdown had already begun.
bool shutDownOnce() {
  if (shuttingDown) return false;
  shuttingDown = true;
  if (upwardCalls().shutdown != nullptr) upwardCalls().shutdown();
  return true;
}
}  // namespace

void endProgramAndStart(const std::string& command) {
  if (!platform::isMainThread()) endWorker(0);
  if (shutDownOnce()) platform::startDetached(command);
  platform::exitProcess(0);
}

void endProgramWithExitCode(int exitCode) {
  if (!platform::isMainThread()) endWorker(exitCode);
  if (shutDownOnce()) {
    if (projectSettings().debugMode != 0) {
      const RuntimeError& e = runtimeError();
      appendErrorLog("-End On Line");
      appendErrorLog(formatInteger(reportInteger(e.errorCode)));
      // The line minus one wraps like the 32-bit arithmetic it stands for.
      appendErrorLog(
          formatInteger(static_cast<int>(static_cast<unsigned>(reportInteger(e.errorLine)) - 1u)));
      appendErrorLog(formatInteger(reportInteger(e.currentLine)));
      appendErrorLog(formatInteger(reportInteger(e.positionTag)));
    }
  }
  platform::exitProcess(exitCode);
}

void endProgram() { endProgramWithExitCode(0); }

void stopWithError(double code) {
  setErrorCode(code);
  endProgram();
}

void stopIfWorkerFailed() {
  if (workerFailureState.load(std::memory_order_acquire) != kRecorded) return;
  if (!platform::isMainThread()) return;
  const WorkerFailure failure = workerFailure;
  if (failure.error.hasCode) {
    runtimeError().errorCode = failure.error.code;
    runtimeError().errorLine = failure.error.line;
  }
  endProgramWithExitCode(failure.exitCode);
}

}  // namespace korvane
