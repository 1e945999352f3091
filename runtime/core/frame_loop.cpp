// presentFrame, the pacing wait and the timing commands.
#include <cmath>
#include <cstdint>

#include "runtime/core/frame_loop_internal.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/stop/clock.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/gfx3d/rainbows3d.h"
#include "runtime/input/input_state.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/events.h"
#include "runtime/platform/window.h"
#include "runtime/values/conversions.h"

namespace korvane {

namespace {
constexpr double kPauseSleepMs = 100;
constexpr int kFramesAfterModeSwitch = 5;

}  // namespace

int pumpMessages(OpenGLRainbows&) {
  platform::pumpEvents();
  return 1;
}

double nextFrameDeadline(double deadline, double period, double now) {
  double next = deadline + period;
  if (period > 0 && now > next) {
    // Whole missed periods at once: a tiny period or a long stall must not loop for ages.
    double missed = std::ceil((now - next) / period);
    if (std::isfinite(missed)) next += missed * period;
    // Rounding may leave it a hair short; where the period no longer moves a number this
    // large, the clock itself becomes the deadline.
    for (int i = 0; i < 4 && now > next; ++i) next += period;
    if (now > next) next = now;
  }
  return next;
}

double swapBuffersAndPace(OpenGLRainbows& display) {
  display.swapAndClear();
  double start = readClock();
  double now = start;
  // Spins instead of sleeping: events keep being served and the deadline is met closely.
  for (;;) {
    if (platform::dispatchOneEvent()) continue;
    now = readClock();
    if (now > display.nextFrameDeadline()) break;
  }
  display.setNextFrameDeadline(
      nextFrameDeadline(display.nextFrameDeadline(), display.framePeriod(), now));
  return now - start + 1;
}

void presentFrame() {
  stopIfWorkerFailed();
  OpenGLRainbows* d = display();
  if (d == nullptr) return;
  RuntimeState& state = runtimeState();

  if (projectSettings().debugMode != 0) {
    platform::showWindow(d->window());
    platform::raiseWindow(d->window());
  }

  state.previousFrameTime = state.currentFrameTime;
  state.currentFrameTime = readClock();

  // The window handler clears the flag when the window is active again, or ends the program.
  while (state.paused != 0) {
    pumpMessages(*d);
    sleepMs(kPauseSleepMs);
  }

  if (InputState* input = inputState(); input != nullptr) {
    input->pollKeyboard();
    input->setNewFrame();
    const bool escape = input->keyDown(kKeyExtendedEscape) != 0 || input->keyDown(kKeyEscape) != 0;
    const bool altF4 = input->keyDown(kKeyLeftAlt) != 0 && input->keyDown(kKeyF4) != 0;
    if ((state.escapeEndsProgram != 0 && escape) || altF4) {
      setErrorCode(kQuitKeysErrorCode);
      endProgram();
    }
  }

  endShadowPass();  // nothing when it is already off

  swapBuffersAndPace(*d);

  // ----- 2D graphics: blending off, alpha level 1.0 and GL colour white here, then the
  //       background picture (drawTiledImage(0)).
  prepareNext2dFrame(*d);
  d->resetView(0, 0, 0, 0);
  d->useNoShaderProgram();
}

void setFrameRate(double framesPerSecond) {
  if (display() != nullptr) display()->setFrameRate(truncateToInt32(framesPerSecond));
}

double frameDuration() {
  const RuntimeState& state = runtimeState();
  double duration = state.currentFrameTime - state.previousFrameTime;
  return duration > 0 ? duration : 1.0;
}

double programTime() { return readClock() - runtimeState().programStartTime; }

void sleepMs(double milliseconds) {
  // Negative and NaN truncate to negative counts, which do not sleep.
  int64_t whole = truncateToInt64(milliseconds);
  if (whole > 0) platform::sleepMilliseconds(whole);
}

void setEscapeEnds(double value) { runtimeState().escapeEndsProgram = isTrue(value) ? 1 : 0; }

void setScreen(double width, double height, double fullscreen) {
  OpenGLRainbows* d = display();
  if (d == nullptr) return;
  d->setDisplayMode(truncateToInt32(width), truncateToInt32(height), 0,
                    truncateToInt32(fullscreen) != 0 ? 1 : 0);
  // Input (and later sound) ask the display for its window, so the new one needs no hand-over.
  for (int i = 0; i < kFramesAfterModeSwitch; ++i) presentFrame();
}

}  // namespace korvane
