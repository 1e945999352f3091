// Process-level services: the one exit, the executable's path, the user's temporary directory,
// and child processes (started, waited for, or left to the reaper).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::platform {

// Ends the process with `exitCode`. The only function in the system that exits. First every
// thread started through Thread that is still running is asked to stop and joined, waiting
// kThreadStopWaitMs in all (stopThreadsForExit); then the standard streams are flushed. Static
// tear-down runs only when all of those threads ended: with one still running the process ends
// without it, so a worker that ignores its stop flag neither hangs nor crashes the exit. Any
// thread may call it, but the runtime calls it from the main thread.
[[noreturn]] void exitProcess(int exitCode);

// Full path of the running executable (from /proc/self/exe); empty on failure.
std::string executablePath();

// The user's temporary directory, always ending in "/": $TMPDIR when set and non-empty, else
// /tmp/korvane-UID created with mode 0700 and used only when this user owns it (else "/tmp/").
// Any thread. On the main thread it is looked up on each call, so a changed TMPDIR is seen;
// other threads get the main thread's last result (or look it up once if there is none) and
// never read the environment, which only the main thread changes.
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

// A child process started here; kNoProcess means none.
using ProcessId = int;
inline constexpr ProcessId kNoProcess = -1;

// Exit code reported for a child that ended by a signal: this plus the signal's number, as a
// shell reports it.
inline constexpr int kSignalExitBase = 128;

// Starts the program argv[0] with the arguments argv[1..], without a shell; a name without "/"
// is looked up in PATH. The child gets this process's environment and only its standard
// streams (no other descriptor passes, whether or not it was opened close-on-exec). Returns
// kNoProcess when argv is empty or the program cannot be started. Any thread.
ProcessId startProcess(const std::vector<std::string>& argv);

// Blocks until `child` (from startProcess) ends, and collects it. Returns its exit code
// (0..255), kSignalExitBase + the signal's number when a signal ended it, or -1 when it is not
// a child waiting to be collected (never started, already collected, or handed to the reaper).
// Any thread, but one waiter per child.
int waitForExit(ProcessId child);

// Hands `child` to the reaper: nobody will wait for it, and reapDetachedChildren collects it
// once it has ended, so it never lingers as a zombie. Any thread.
void detachChild(ProcessId child);

// Starts `command` through /bin/sh -c without waiting for it, and hands the child to the reaper
// (first collecting any detached children that have ended). The child inherits only the
// standard streams. Returns false when the process could not be started. Main thread.
bool startDetached(const std::string& command);

// Collects, without blocking, every detached child that has ended; returns how many. Children
// someone waits for with waitForExit are never touched. Any thread.
int reapDetachedChildren();

// The full path of the program `name` would start: `name` itself when it holds a "/" and names
// an executable regular file, else the first such file in PATH's folders (an empty entry is the
// current directory). Empty when there is none. Any thread.
std::string findProgram(const std::string& name);

// True when the shell would find the program that `command` starts: its first word (after any
// NAME=value assignments, quotes honoured) is a shell built-in or keyword, or findProgram finds
// it. A first word the shell itself expands ($, `, globs) is taken as found. False for an empty
// command. Lets a caller refuse a command whose start could only fail with the shell's 127.
bool commandProgramFound(const std::string& command);

// Runs argv as startProcess does, with its standard output read into `output` (at most
// `outputLimit` bytes are kept; the rest is read and dropped, so the child never blocks on a
// full pipe), and waits for it. Returns its exit code as waitForExit does, or -1 when it could
// not be started. Main thread.
int runForOutput(const std::vector<std::string>& argv, std::string& output, size_t outputLimit);

}  // namespace korvane::platform
