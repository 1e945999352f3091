// The frame loop's steps below the per-frame command, for the start-up and the tests.
#pragma once

#include "runtime/core/frame_loop.h"
#include "runtime/gfx2d/opengl_rainbows.h"

namespace korvane {

// Dispatches every pending window-system event. Returns 1.
int pumpMessages(OpenGLRainbows& display);

// Shows the back buffer and waits, spinning and dispatching events, until the frame deadline
// has passed; then moves the deadline on. Returns the milliseconds waited after the swap, + 1.
double swapBuffersAndPace(OpenGLRainbows& display);

// The deadline after `deadline` once the clock reads `now`: one period on, and further whole
// periods when frames were missed, so that the next deadline is not before `now`.
double nextFrameDeadline(double deadline, double period, double now);

}  // namespace korvane
