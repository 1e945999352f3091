// Process-level services: the one exit, the executable's path and the user's temporary directory.
#pragma once

#include <string>
#include <string_view>

namespace korvane::platform {

// Ends the process with `exitCode`. The only function in the system that exits; static
// tear-down runs. Any thread may call it, but the runtime calls it from the program's thread.
[[noreturn]] void exitProcess(int exitCode);

// Full path of the running executable (from /proc/self/exe); empty on failure.
std::string executablePath();

// The user's temporary directory, always ending in "/": $TMPDIR when set and non-empty, else
// /tmp/korvane-UID created with mode 0700 and used only when this user owns it (else "/tmp/").
// Main thread; the result is computed on each call so a changed TMPDIR is seen.
std::string temporaryDirectory();

// Page faults of the whole process so far that were served without reading a file or swap:
// memory handed to the process anew. 0 when unknown. Any thread.
long long minorPageFaults();

// True when a debugger (a tracer) is attached to this process.
bool debuggerAttached();

// Sends a line of text to the debugger's output: standard error on this system. Any thread.
void debugOutput(std::string_view text);

// Makes `path` the current directory; false on failure. Main thread.
bool setCurrentDirectory(const std::string& path);

// The current directory; empty on failure.
std::string currentDirectory();

// Starts `command` through /bin/sh -c without waiting for it; the child inherits only the
// standard streams. Returns false when the process could not be started. Main thread.
bool startDetached(const std::string& command);

}  // namespace korvane::platform
