// The mouse: relative (captured) mode, the pointer's position in a window, buttons and wheel
// steps. Without a running video system nothing moves and no button is down. Main thread only.
#pragma once

#include "runtime/platform/window.h"

namespace korvane::platform {

struct MouseButtons {
  bool left = false;
  bool right = false;
  bool middle = false;
};

// Pumps the window system's events so that button state and relative motion are current;
// events stay queued for the dispatch points.
void pumpInputEvents();

// Captured mode on: pointer hidden and confined, motion reported relatively. Off: the pointer
// is free and shown. Returns false when the system offers no relative mode.
bool setRelativeMouseMode(bool on);

// Relative motion gathered since the previous call (or since the mode changed); 0, 0 without a
// running video system.
void takeRelativeMotion(int& dx, int& dy);

// Removes every pending wheel event from the queue and returns their vertical steps summed
// (positive = away from the user).
int takeWheelSteps();

// The buttons as of the last pump.
MouseButtons mouseButtons();

// The pointer position in pixels from the top-left of the window's client area, also when the
// pointer is outside it. False (0, 0) when it cannot be read.
bool pointerInWindow(Window* window, int& x, int& y);

// Moves the pointer to (x, y) of the window's client area; nothing for a nullptr window.
void warpPointer(Window* window, int x, int y);

// Shows the system pointer as the standard arrow, or hides it.
void showArrowPointer(bool show);

}  // namespace korvane::platform
