// Runtime start-up and shutdown: every service up in a fixed order, and down again.
#pragma once

#include <string>

#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

// Show commands the entry passes.
inline constexpr int kShowHide = 0;
inline constexpr int kShowDefault = 10;

// Brings the services up, shows the window titled `title`, prints "Init OK". Returns 0, or 1
// when the display could not be created (nothing else is started then; the caller ends the
// program with endAfterDisplayFailure). Main thread, once per process.
int startRuntime(InstanceHandle instance, InstanceHandle previousInstance, const char* commandLine,
                 int showCommand, const char* title);

// Takes the services down; each step skips a service that was never created. Runs from the
// program end only.
void shutdownRuntime();

// The executable's directory: the path cut at its last "/" or "\\" (the separator dropped);
// the whole path when it has none.
std::string programDirectory(const std::string& executablePath);

// Prints one line on standard error saying that no window with OpenGL could be opened and
// what to try, then ends the program with exit code 1.
[[noreturn]] void endAfterDisplayFailure();

}  // namespace korvane
