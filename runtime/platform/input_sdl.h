// Start and end of SDL's input side (events and joysticks), beside the video system that the
// window code starts. Main thread only.
#pragma once

namespace korvane::platform {

// Starts SDL's event and joystick subsystems (reference-counted by SDL, so every successful
// call is matched by one stopInputSystem). False when SDL refuses; the keyboard and mouse then
// still work while the video system runs.
bool startInputSystem();
void stopInputSystem();

}  // namespace korvane::platform
