// The runtime's window procedure: pause on focus loss, end on close. The start-up registers it
// with the platform; programs do not call it.
#pragma once

#include "runtime/core/window_events.h"
#include "runtime/platform/events.h"

namespace korvane {

// Handles one window event of the main window: focus gained clears the pause and restores
// the title, focus lost pauses with " <pause>" in the title (neither in debug mode nor while
// autoPause is clear, and a hidden window is never paused), a close request ends the program.
void handleWindowEvent(const platform::Event& event);

}  // namespace korvane
