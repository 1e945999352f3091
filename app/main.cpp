// Ondrel's entry: its two answers without a window, then the project settings and the main
// program on the runtime.
#include <cstdio>
#include <cstring>

#include "app/main_program.h"
#include "runtime/korvane_main.h"

namespace {
constexpr const char* kVersion = "Ondrel 1.0\n";
constexpr const char* kHelp =
    "usage: ondrel [--help | --version]\n"
    "Opens a 640x480 window with a dye grid: hold a mouse button to inject dye at four mirrored\n"
    "points. The pointer is captured while the window has the focus; losing the focus pauses.\n"
    "Escape or Alt+F4 quits.\n"
    "--help and --version count only as the whole command line; any other command line is\n"
    "handed to the program unread.\n";

// The one departure from handing every command line to the program: exactly "--help" or
// exactly "--version" is answered here, before any window opens. Returns true when answered.
bool answeredQuestion(int argc, char** argv) {
  if (argc != 2) return false;
  const char* text = std::strcmp(argv[1], "--help") == 0      ? kHelp
                     : std::strcmp(argv[1], "--version") == 0 ? kVersion
                                                              : nullptr;
  if (text == nullptr) return false;
  std::fputs(text, stdout);
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (answeredQuestion(argc, argv)) return 0;

  // The values this project was built with.
  korvane::ProgramEntry entry;
  entry.windowTitle = "Ondrel";
  entry.settings.screenWidth = 640;
  entry.settings.screenHeight = 480;
  entry.settings.fullscreen = 0;
  entry.settings.framesPerSecond = 60;
  entry.settings.multisampleCount = 0;
  entry.settings.captureMouse = 1;
  entry.settings.debugMode = 0;
  korvane::runMainProgram(argc, argv, entry, ondrel::mainProgram);
}
