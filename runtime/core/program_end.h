// Ways out besides endProgram, and the debugging aids.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/values/rt_string.h"

namespace korvane {

// Shuts the runtime down, starts `command` as a new process without waiting for it, and
// exits with code 0. A failed start is not reported.
[[noreturn]] void endAndRun(const RtString& command);

// With a debugger attached: hides the main window, sends "BP" and the value in lower-case hex
// to the debugger's output, clears the pause and refreshes the keyboard. Else nothing.
void notifyDebugger(int32_t value);

// The text notifyDebugger sends for `value` ("BP" + lower-case hex).
std::string debuggerNoticeText(int32_t value);

// The process already has its standard streams; they stay as they are.
void openConsole();

}  // namespace korvane
