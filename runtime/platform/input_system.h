// Start and end of the input side (events and joysticks), beside the video system that the
// window code starts. Main thread only.
#pragma once

namespace korvane::platform {

// Starts the event and joystick subsystems (reference-counted, so every successful call is
// matched by one stopInputSystem). False when the system refuses; the keyboard and mouse then
// still work while the video system runs, and there are no joysticks.
bool startInputSystem();
void stopInputSystem();

}  // namespace korvane::platform
