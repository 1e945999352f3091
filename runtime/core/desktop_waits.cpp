// The waits for a key, a mouse button or any input, and line input over the grabbed screen.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "runtime/core/desktop_services_internal.h"
#include "runtime/core/frame_loop_internal.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/stop/error_codes.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/input/input_state.h"
#include "runtime/platform/clock.h"
#include "runtime/platform/mouse.h"
#include "runtime/values/conversions.h"
#include "runtime/values/number_text.h"

namespace korvane {

namespace {

constexpr int64_t kWaitRoundSleepMs = 5;
// Key codes 0..254 count as input; 255 is no key.
constexpr int kLastWaitKeyCode = 254;
constexpr double kJoystickAxisRange = 32767;
constexpr double kJoystickAxisDeadZone = 0.1;
// The four point-of-view directions that count: up, right, down, left.
constexpr uint32_t kPovDirections[] = {0, 9000, 18000, 27000};

constexpr int kEnterCharacter = 10;
constexpr int kBackspaceCharacter = 8;
constexpr const char* kCursorText = "_";

InputLineFrameHook inputLineFrameHook = nullptr;

void pumpIfDisplayed() {
  if (OpenGLRainbows* d = display(); d != nullptr) pumpMessages(*d);
}

bool axisMoved(int32_t value) {
  const double scaled = std::fmax(-1.0, std::fmin(1.0, value / kJoystickAxisRange));
  return std::fabs(scaled) > kJoystickAxisDeadZone;
}

bool joystickMoved(InputState& input) {
  for (int i = 0; i < kMaxJoysticks; ++i) {
    if (!input.hasJoystick(i)) continue;
    JoystickSample sample;
    input.readJoystick(i, sample);
    for (uint8_t button : sample.buttons) {
      if ((button & kJoystickButtonDown) != 0) return true;
    }
    if (axisMoved(sample.x) || axisMoved(sample.y) || axisMoved(sample.z)) return true;
    for (uint32_t direction : kPovDirections) {
      if (sample.pov[0] == direction) return true;
    }
  }
  return false;
}

// One round of waitForInput: true when something changed.
bool inputChanged(InputState& input) {
  input.pollKeyboard();
  const uint8_t* keys = input.keyBuffer();
  if (runtimeState().escapeEndsProgram != 0 &&
      ((keys[kKeyEscape] | keys[kKeyExtendedEscape]) & kKeyDownBit) != 0) {
    stopWithError(kQuitKeysErrorCode);
  }
  for (int code = 0; code <= kLastWaitKeyCode; ++code) {
    if ((keys[code] & kKeyDownBit) != 0) return true;
  }
  DesktopState& state = desktopState();
  double x = 0, y = 0, left = 0, right = 0;
  input.mouseState(x, y, left, right);
  if (x != state.lastMouseX || y != state.lastMouseY || left != state.lastMouseLeft ||
      right != state.lastMouseRight) {
    state.lastMouseX = x;
    state.lastMouseY = y;
    state.lastMouseLeft = left;
    state.lastMouseRight = right;
    return true;
  }
  return joystickMoved(input);
}

}  // namespace

int waitRoundsForInput() {
  InputState* input = inputState();
  for (int round = 0; round < kWaitRounds; ++round) {
    pumpIfDisplayed();
    keepMusicLooping();
    if (input != nullptr && inputChanged(*input)) return round;
    platform::sleepMilliseconds(kWaitRoundSleepMs);
  }
  return kWaitRounds;
}

void waitForInput() { waitRoundsForInput(); }

void waitForKey() {
  InputState* input = inputState();
  if (input == nullptr) return;
  while (input->keyCharAvailable() == 0) {
    pumpIfDisplayed();
    waitForInput();
  }
  // A held key gives its character once; this ends as soon as the scan gives none.
  while (input->keyCharAvailable() != 0) {
  }
}

void waitForMouseButton() {
  InputState* input = inputState();
  if (input == nullptr) return;
  // Reading the buttons pumps the window system without dispatching: the events stay queued,
  // so a close request made meanwhile reaches the window handler at the next dispatch.
  while (input->anyMouseButton() != 0) platform::sleepMilliseconds(1);
  while (input->anyMouseButton() == 0) waitForInput();
}

void inputLine(RtString& text, double x, double y) {
  OpenGLRainbows* d = display();
  InputState* input = inputState();
  if (d == nullptr || input == nullptr) return;
  d->grabScreenToTiled(kInputLineSlot);
  d->drawTiledImage(kInputLineSlot);
  print(text, x, y);
  presentFrame();

  const double column = truncateToInt32(x), row = truncateToInt32(y);
  bool cursorShown = false;
  int quietFrames = 0;
  for (;;) {
    const int character = input->readKeyChar();
    if (character == kEnterCharacter) break;
    if (character == kBackspaceCharacter) {
      if (text.length() > 0) text = RtString(std::string_view(text.buf(), text.length() - 1));
    } else if (character != 0) {
      const char typed = static_cast<char>(character);
      text.appendBytes(&typed, 1);
    } else if (++quietFrames > kCursorBlinkFrames) {
      cursorShown = !cursorShown;
      quietFrames = 0;
    }
    d->drawTiledImage(kInputLineSlot);
    RtString shown = text;
    if (cursorShown) shown += kCursorText;
    print(shown, column, row);
    if (inputLineFrameHook != nullptr) inputLineFrameHook(cursorShown);
    presentFrame();
  }
  d->deleteTiledImage(kInputLineSlot);
}

void inputNumber(double& value, double x, double y) {
  RtString text;
  inputLine(text, x, y);
  value = textToNumber(text.buf(), text.length());
}

void setInputLineFrameHookForTesting(InputLineFrameHook hook) { inputLineFrameHook = hook; }

}  // namespace korvane
