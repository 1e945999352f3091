// The runtime's global state beside the services: title, pause and frame times. The main window
// is the display's (mainWindow() below asks it), so a mode switch that remakes it leaves
// nothing to bring up to date.
#pragma once

#include <cstdint>

#include "runtime/platform/window.h"
#include "runtime/values/rt_string.h"

namespace korvane {

struct RuntimeState {
  RtString windowTitle;           // the title without " <pause>"
  uint8_t autoPause = 1;          // pause while the window is inactive
  uint8_t paused = 0;             // set by the window handler while inactive
  uint8_t escapeEndsProgram = 1;  // Escape ends the program from presentFrame
  double currentFrameTime = 0;    // ms, stamped by presentFrame
  double previousFrameTime = 0;
  double programStartTime = 0;
};

RuntimeState& runtimeState();

// The display's window; nullptr while there is no display or it has no window.
platform::Window* mainWindow();

}  // namespace korvane
