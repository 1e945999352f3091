// Drives the real window with real X events (XTEST, through xdotool) and waits for the
// runtime to see them.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "runtime/platform/clock.h"
#include "runtime/platform/events.h"
#include "runtime/platform/window.h"
#include "tests/support/child_program.h"

namespace korvane::testing_input {

// Runs xdotool with `arguments`; true when it succeeded.
inline bool xdotool(const std::string& arguments) {
  return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// Presses (`down`) or releases keys by keysym name, space-separated. Sent as plain XTEST key
// events: xdotool adds the left modifier to a right one on its own.
inline bool keys(bool down, const std::string& names) {
  return std::system(
             (testing::xDriverPath() + (down ? " keys down " : " keys up ") + names).c_str()) == 0;
}
inline bool keyDown(const std::string& names) { return keys(true, names); }
inline bool keyUp(const std::string& names) { return keys(false, names); }

// Dispatches events and checks `done` until it holds or `timeoutMs` passed.
inline bool waitFor(const std::function<bool()>& done, double timeoutMs = 3000) {
  const double start = platform::monotonicMilliseconds();
  while (platform::monotonicMilliseconds() - start < timeoutMs) {
    platform::pumpEvents();
    if (done()) return true;
    platform::sleepMilliseconds(5);
  }
  return done();
}

// Keeps dispatching for `ms` (state is read once per frame, so presses are held this long).
inline void holdFor(double ms) {
  waitFor([] { return false; }, ms);
}

// There is no window manager on the test display: the window is shown and focused by hand.
inline bool focusWindow(platform::Window* window) {
  platform::showWindow(window);
  const std::string id = std::to_string(platform::nativeWindowId(window));
  if (!xdotool("windowfocus --sync " + id)) return false;
  return waitFor([&] { return platform::windowHasFocus(window); });
}

inline std::string windowArgument(platform::Window* window) {
  return "--window " + std::to_string(platform::nativeWindowId(window));
}

}  // namespace korvane::testing_input
