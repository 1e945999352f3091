// The runtime's global state beside the services: main window, title, pause and frame times.
#pragma once

#include <cstdint>

#include "runtime/platform/window.h"
#include "runtime/values/rt_string.h"

namespace korvane {

struct RuntimeState {
  platform::Window* mainWindow = nullptr;
  RtString windowTitle;           // the title without " <pause>"
  uint8_t autoPause = 1;          // pause while the window is inactive
  uint8_t paused = 0;             // set by the window handler while inactive
  uint8_t escapeEndsProgram = 1;  // Escape ends the program from presentFrame
  double currentFrameTime = 0;    // ms, stamped by presentFrame
  double previousFrameTime = 0;
  double programStartTime = 0;
};

RuntimeState& runtimeState();

}  // namespace korvane
