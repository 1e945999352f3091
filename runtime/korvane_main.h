// A game's main in a few lines, the same steps Ondrel's entry takes:
//
//   #include "runtime/korvane_main.h"
//
//   void game() {
//     // The main program: load pictures and sounds, then draw and call presentFrame() once
//     // every frame. Returning ends the program as endProgram() does.
//   }
//
//   int main(int argc, char** argv) {
//     korvane::ProgramEntry entry;
//     entry.windowTitle = "My game";
//     entry.settings.screenWidth = 800;
//     entry.settings.screenHeight = 600;
//     korvane::runMainProgram(argc, argv, entry, game);
//   }
//
// runMainProgram never returns: the program always leaves through the runtime's end (the shutdown,
// the error report in debug mode, exit code 0), or with exit code 1 after one line on standard
// error when no window with OpenGL can be opened. Pictures, sounds and other media named by a
// bare file name are looked up beside the executable first, then in its media pack.
#pragma once

#include <cstddef>

#include "runtime/korvane.h"

namespace korvane {

struct ProgramEntry {
  const char* windowTitle = "Korvane";
  // The values the game is built with: window size, full screen, frame rate, multisampling,
  // whether the pointer is captured, debug mode (the error report on a runtime error).
  ProjectSettings settings;
  // The command line's capacity is raised to this before the runtime sees it, so a program that
  // writes into it in place has room.
  size_t commandLineCapacity = 256;
};

// The arguments after the program name become the command line the program reads; then the
// settings, the start-up with the window, a cleared error state, `mainProgram`, the end.
// Main thread, once per process.
[[noreturn]] inline void runMainProgram(int argc, char** argv, const ProgramEntry& entry,
                                        void (*mainProgram)()) {
  commandLine() = joinArguments(argc, argv);
  projectSettings() = entry.settings;
  commandLine().reserve(entry.commandLineCapacity);
  if (startRuntime(nullptr, nullptr, commandLine().c_str(), kShowDefault, entry.windowTitle) != 0) {
    endAfterDisplayFailure();
  }
  RuntimeError& error = runtimeError();
  error.errorCode = 0;
  error.errorLine = 0;
  error.currentLine = 0;
  mainProgram();
  endProgram();
}

}  // namespace korvane
