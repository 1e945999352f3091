// The fatal-condition state and the single way out of the program.
// A fatal condition is raised as setErrorCode(code) then endProgram(); nothing else exits.
//
// Which thread stops the program: only the main thread runs the program end. The shutdown waits
// for the service workers (the network worker, the sound mixer), so a worker that ran it would
// wait for itself. On any other thread, setErrorCode and the endProgram family record the
// failure instead (its error code, the current line and the exit code; the first worker to fail
// wins) and end the calling thread; the main thread then stops with that error at its next
// frame or at the next command that calls stopIfWorkerFailed.
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/stop/error_codes.h"

namespace korvane {

struct RuntimeError {
  double errorCode = 0;
  double errorLine = 0;
  double currentLine = 0;
  double positionTag = 0;
};

// The process-wide error state. The main thread's: workers never write it.
RuntimeError& runtimeError();

// errorCode = code; errorLine = currentLine. Returns code. On a worker it is kept for that
// thread's endProgram, and runtimeError() is left alone.
double setErrorCode(double code);

// positionTag = tag; currentLine = line.
void setSourcePosition(double tag, double line);

// Runs the registered shutdown, appends the five report lines to the error log in debug mode
// and exits with code 0. Never returns; safe to enter again from inside the shutdown (the
// nested call skips the shutdown it is already in).
[[noreturn]] void endProgram();

// The same way out with a chosen exit code: used only where exit 0 would report a failure as
// success (the display could not be created).
[[noreturn]] void endProgramWithExitCode(int exitCode);

// Runs the registered shutdown (once), starts `command` as a new process without waiting for
// it, and exits with code 0. A failed start is not reported. No error report is written.
[[noreturn]] void endProgramAndStart(const std::string& command);

// Shorthand for setErrorCode(code) followed by endProgram().
[[noreturn]] void stopWithError(double code);

// On a worker, all of the above end the calling thread instead (endProgramAndStart starts no
// command there): the code given to setErrorCode on that thread, if any, and the exit code are
// recorded for the main thread. Call them on a worker only where the thread may unwind: not
// from a destructor or a noexcept function.

// On the main thread, after a worker recorded a failure: stores its error code and line (when
// the worker set one) and ends the program with its exit code, as endProgram does. Otherwise
// returns at once; cheap enough for every frame. Does nothing on a worker.
void stopIfWorkerFailed();

// The program end runs the shutdown that the start-up registered among the upward calls, once.
// Until one is registered, the program end only writes the report and exits.

// Appends one line (CR LF added) to "ErrorLog.txt" in the temporary directory; failures ignored.
// Any thread: the lines of two threads never mix.
void appendErrorLog(std::string_view line);

// Full path of the error log.
std::string errorLogPath();

// Deletes the error log; a missing file is not an error.
void deleteErrorLog();

}  // namespace korvane
