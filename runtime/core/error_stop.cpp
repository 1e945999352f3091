#include "runtime/core/error_stop.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "runtime/core/project_settings.h"
#include "runtime/platform/files.h"
#include "runtime/platform/process.h"

namespace korvane {

namespace {
ShutdownFunction registeredShutdown = nullptr;
bool shuttingDown = false;

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
  runtimeError().errorCode = code;
  runtimeError().errorLine = runtimeError().currentLine;
  return code;
}

void setSourcePosition(double tag, double line) {
  runtimeError().positionTag = tag;
  runtimeError().currentLine = line;
}

void setShutdownFunction(ShutdownFunction shutdown) { registeredShutdown = shutdown; }

std::string errorLogPath() { return platform::temporaryDirectory() + "ErrorLog.txt"; }

void appendErrorLog(std::string_view line) { platform::appendLine(errorLogPath(), line); }

void deleteErrorLog() { platform::removeFile(errorLogPath()); }

namespace {
// A fatal condition met while the services are going down must not run the shutdown twice.
// Returns false when the shutdown had already begun.
bool shutDownOnce() {
  if (shuttingDown) return false;
  shuttingDown = true;
  if (registeredShutdown != nullptr) registeredShutdown();
  return true;
}
}  // namespace

void endProgramAndStart(const std::string& command) {
  if (shutDownOnce()) platform::startDetached(command);
  platform::exitProcess(0);
}

void endProgramWithExitCode(int exitCode) {
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

}  // namespace korvane
