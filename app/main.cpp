// Ondrel's entry: the project settings, the command line, the runtime, the main program.
#include "app/main_program.h"
#include "runtime/korvane.h"

namespace {
constexpr const char* kWindowTitle = "Ondrel";
// The command line's capacity is raised to this before the runtime sees it.
constexpr size_t kCommandLineCapacity = 256;
}  // namespace

int main(int argc, char** argv) {
  using namespace korvane;
  commandLine() = joinArguments(argc, argv);

  // The values this project was built with.
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = 640;
  settings.screenHeight = 480;
  settings.fullscreen = 0;
  settings.framesPerSecond = 60;
  settings.multisampleCount = 0;
  settings.captureMouse = 1;
  settings.debugMode = 0;

  commandLine().reserve(kCommandLineCapacity);
  if (startRuntime(nullptr, nullptr, commandLine().c_str(), kShowDefault, kWindowTitle) != 0) {
    endAfterDisplayFailure();
  }

  RuntimeError& error = runtimeError();
  error.errorCode = 0;
  error.errorLine = 0;
  error.currentLine = 0;

  ondrel::mainProgram();
  endProgram();
}
