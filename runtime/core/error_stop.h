// The fatal-condition state and the single way out of the program.
// A fatal condition is raised as setErrorCode(code) then endProgram(); nothing else exits.
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/error_codes.h"

namespace korvane {

struct RuntimeError {
  double errorCode = 0;
  double errorLine = 0;
  double currentLine = 0;
  double positionTag = 0;
};

// The process-wide error state.
RuntimeError& runtimeError();

// errorCode = code; errorLine = currentLine. Returns code.
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

// The start-up registers the function that takes every service down; the program end calls it
// once. Until one is registered, the program end only writes the report and exits.
using ShutdownFunction = void (*)();
void setShutdownFunction(ShutdownFunction shutdown);

// Appends one line (CR LF added) to "ErrorLog.txt" in the temporary directory; failures ignored.
void appendErrorLog(std::string_view line);

// Full path of the error log.
std::string errorLogPath();

// Deletes the error log; a missing file is not an error.
void deleteErrorLog();

}  // namespace korvane
