// The runtime's window procedure: pause on focus loss, end on close.
#pragma once

#include "runtime/platform/events.h"

namespace korvane {

// Handles one window event of the main window: focus gained clears the pause and restores
// the title, focus lost pauses with " <pause>" in the title (neither in debug mode nor while
// autoPause is clear, and a hidden window is never paused), a close request ends the program.
void handleWindowEvent(const platform::Event& event);

// autoPause = 1 for any non-zero value (NaN too), 0 for 0.
void setAutoPause(double value);

}  // namespace korvane
