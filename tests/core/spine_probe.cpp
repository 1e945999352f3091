// A program on the runtime that the process tests start and drive from outside.
// After start-up it reports what it sees, then presents frames until it is ended.
//   --debug          debug mode
//   --hide           show command 0
//   --frames FILE    rewrite FILE with the number of presented frames after every frame
//   --error CODE     set the source position (tag 4, line 12) and error code CODE first
//   --fps N          frames per second
//   --end-and-run C  after the report, endAndRun(C) with PROBE_WINDOW set to the window id
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/core/command_line.h"
#include "runtime/core/frame_loop.h"
#include "runtime/core/program_end.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/platform/process.h"
#include "runtime/platform/window.h"

int main(int argc, char** argv) {
  using namespace korvane;
  int show = kShowDefault;
  const char* framesFile = nullptr;
  const char* errorCode = nullptr;
  const char* endCommand = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--debug") == 0) projectSettings().debugMode = 1;
    if (std::strcmp(argv[i], "--hide") == 0) show = kShowHide;
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) framesFile = argv[++i];
    if (std::strcmp(argv[i], "--error") == 0 && i + 1 < argc) errorCode = argv[++i];
    if (std::strcmp(argv[i], "--fps") == 0 && i + 1 < argc) {
      projectSettings().framesPerSecond = std::atoi(argv[++i]);
    }
    if (std::strcmp(argv[i], "--end-and-run") == 0 && i + 1 < argc) endCommand = argv[++i];
  }
  commandLine() = joinArguments(argc, argv);
  if (startRuntime(nullptr, nullptr, commandLine().c_str(), show, "Ondrel") != 0) {
    endAfterDisplayFailure();
  }
  runtimeError() = RuntimeError{};
  std::printf("programTime %.3f\n", programTime());
  char windowText[32];
  std::snprintf(windowText, sizeof windowText, "0x%llx",
                static_cast<unsigned long long>(platform::nativeWindowId(mainWindow())));
  std::printf("window %s\n", windowText);
  std::printf("cwd %s\n", platform::currentDirectory().c_str());
  std::printf("visible %d\n", platform::windowVisible(mainWindow()) ? 1 : 0);
  std::printf("ready\n");
  std::fflush(stdout);
  if (endCommand != nullptr) {
    setenv("PROBE_WINDOW", windowText, 1);
    endAndRun(RtString(endCommand));
  }
  if (errorCode != nullptr) {
    setSourcePosition(4, 12);
    setErrorCode(std::atof(errorCode));
  }
  for (long frames = 1;; ++frames) {
    presentFrame();
    if (framesFile != nullptr) {
      // Replaced whole, so a reader never sees a half-written count.
      std::string next = std::string(framesFile) + ".next";
      if (FILE* f = std::fopen(next.c_str(), "w")) {
        std::fprintf(f, "%ld\n", frames);
        std::fclose(f);
        std::rename(next.c_str(), framesFile);
      }
    }
  }
}
