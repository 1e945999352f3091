// Keyboard, mouse and joysticks for the program's commands. There is no input thread and no
// queue: every command reads the current state. Key codes are PC set-1 scan codes (0x80 added
// for extended keys): 1 Escape, 28 Enter, 42/54 Shift, 56 left Alt, 156 keypad Enter, 200 up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/values/rt_string.h"

namespace korvane {

namespace platform {
struct Window;
struct Joystick;
struct Event;
}  // namespace platform

inline constexpr int kMaxJoysticks = 10;
inline constexpr size_t kJoystickNameCapacity = 522;  // bytes, NUL included
inline constexpr int kInitialMousePosition = 100;

// initInput's status: 1, or the code of the last part that failed.
inline constexpr uint32_t kInputStarted = 1;
inline constexpr uint32_t kNoInputSystem = 0x8000000A;
inline constexpr uint32_t kNoKeyboard = 0x8000000B;
inline constexpr uint32_t kNoMouse = 0x8000000C;

// The error-log lines for those failures.
inline constexpr const char* kNoInputSystemLine = "No DX_Input";
inline constexpr const char* kNoKeyboardLine = "No DX_KB";
inline constexpr const char* kNoMouseLine = "No DX_Mouse";

// Key codes that presentFrame and the character reads look at.
inline constexpr int kKeyEscape = 1;
inline constexpr int kKeyBackspace = 14;
inline constexpr int kKeyEnter = 28;
inline constexpr int kKeyLeftShift = 42;
inline constexpr int kKeyRightShift = 54;
inline constexpr int kKeyLeftAlt = 56;
inline constexpr int kKeyF4 = 62;
inline constexpr int kKeyExtendedEscape = 129;
inline constexpr int kKeyPadEnter = 156;
inline constexpr uint8_t kKeyDownBit = 0x80;

// One mouse read: buttons non-zero when pressed; the movement of the current frame in pixels;
// the wheel as -1, 0 or 1.
struct MouseSample {
  int16_t left = 0;
  int16_t right = 0;
  int16_t middle = 0;
  int16_t dx = 0;
  int16_t dy = 0;
  int16_t wheel = 0;
};

// The 80-byte joystick state: axes in -32768..32768, sliders in 0..65535, POV directions in
// hundredths of a degree (0 up, 9000 right) with kPovCentred for none, buttons 0x80 pressed.
struct JoystickSample {
  int32_t x = 0;
  int32_t y = 0;
  int32_t z = 0;
  int32_t rotationX = 0;
  int32_t rotationY = 0;
  int32_t rotationZ = 0;
  int32_t sliders[2] = {};
  uint32_t pov[4] = {};
  uint8_t buttons[32] = {};
};
static_assert(sizeof(JoystickSample) == 80);
inline constexpr uint32_t kPovCentred = 0xFFFFFFFF;
inline constexpr uint8_t kJoystickButtonDown = 0x80;

class InputState {
 public:
  InputState() = default;
  ~InputState();
  InputState(const InputState&) = delete;
  InputState& operator=(const InputState&) = delete;

  // Starts the devices for the main window: keyboard, the mouse (captured when `captureMouse`,
  // else the shown system pointer) and up to 10 joysticks. Each failing part appends its line
  // to the error log; the program goes on without it. Returns kInputStarted or the last failure.
  // The window is not kept: every use asks the registered mainWindow call (a mode switch may
  // have replaced it), and without one the input acts on no window.
  uint32_t initInput(void* instance, bool captureMouse);
  // Shows the pointer again if it was captured (where it is: the window may be gone) and
  // closes every device.
  void releaseInput();

  // Refreshes the key buffer (and drops pending key events).
  void pollKeyboard();
  // 1 when key `code` (truncated, masked to 0..255) is down, else 0. Polls first.
  double keyDown(double code);

  // Fills `sample` and moves the position; the first read after setNewFrame takes the
  // frame's movement, later reads repeat it. Returns 1.
  int readMouse(MouseSample& sample);
  // Reads the mouse, clamps the position into the window (stored back), and gives it with the
  // left and right buttons as 1.0 or 0.0.
  void mouseState(double& x, double& y, double& left, double& right);
  // 0 dx, 1 dy, 2 wheel, 3 left, 4 right, 5 middle (buttons 1 or 0); other n give 0.
  double mouseAxis(double n);
  // The position the program sees, truncated; the system pointer is not moved.
  void setMousePosition(double x, double y);
  // Non-zero: the system pointer is shown and the position is absolute. Zero: captured, moving
  // relatively. Nothing happens when the mode does not change.
  void setSystemCursor(double show);
  double anyMouseButton();

  // The character of the first pressed key (codes 0..254) that has one, upper case for a..z
  // while Shift is down; 0 when none, or when it is the character returned last (a held key
  // gives its character once).
  int readKeyChar();
  // The same scan, 1 when it gave a character, else 0.
  double keyCharAvailable();
  // The layout's character of one key code: 8 Backspace, 10 for both Enter keys, 0 for keys
  // without one. The keypad's "*", "-" and "+" (55, 74, 78) type theirs; its digit and point
  // keys and every extended code (0x80 added, keypad "/" among them) give 0.
  int scanCodeToChar(int code);

  // The joystick in slot `index`; 0 with an all-zero sample for an empty slot above 1, else 1.
  int readJoystick(int index, JoystickSample& sample);
  double joystickCount() const { return joystickCount_; }
  // True when slot `index` holds a joystick.
  bool hasJoystick(int index) const {
    return index >= 0 && index < kMaxJoysticks && joysticks_[static_cast<size_t>(index)] != nullptr;
  }
  // "" for an index outside 0..count-1.
  RtString joystickName(double index) const;
  // Both rumble motors at (forceX^2 + forceY^2) / 2 of full strength (forces clamped to
  // -1..1) for `durationMs`; nothing for an empty slot or a joystick without rumble.
  void rumbleJoystick(double index, double durationMs, double forceX, double forceY);

  // The frame code calls this once per presented frame.
  void setNewFrame() { newFrame_ = true; }
  // Wheel motion arrives only as events; the dispatcher hands them to the module's own input
  // state (inputState()) once that has started its devices.
  void noteEvent(const platform::Event& event);

  int32_t mouseX() const { return mouseX_; }
  int32_t mouseY() const { return mouseY_; }
  bool systemCursor() const { return systemCursor_; }
  bool newFrame() const { return newFrame_; }
  const uint8_t* keyBuffer() const { return keyBuffer_.data(); }

 private:
  void applyCursorMode();
  static platform::Window* window();

  int32_t mouseX_ = kInitialMousePosition;
  int32_t mouseY_ = kInitialMousePosition;
  bool inputSystem_ = false;  // SDL's input side started
  bool keyboard_ = false;
  bool mouseDevice_ = false;  // relative mode available
  std::array<platform::Joystick*, kMaxJoysticks> joysticks_{};
  std::array<std::string, kMaxJoysticks> joystickNames_;
  std::array<uint8_t, 256> keyBuffer_{};
  bool systemCursor_ = false;
  int32_t joystickCount_ = 0;
  bool newFrame_ = true;
  int16_t lastDx_ = 0;
  int16_t lastDy_ = 0;
  int16_t lastWheel_ = 0;
  int pendingWheel_ = 0;   // wheel steps dispatched since the last frame's read
  int lastCharacter_ = 0;  // what the last character read returned
};

// ---- The process-wide input state and the program's commands on it. Without an input state
// (before start-up) every command does nothing and reads 0.

InputState* inputState();
void createInputState();
// Releases the devices and frees the input state.
void destroyInputState();

double keyDown(double code);
void mouseState(double& x, double& y, double& left, double& right);
double mouseAxis(double n);
void setMousePosition(double x, double y);
void setSystemCursor(double show);
double anyMouseButton();
// The typed character as a one-character string ("" when none).
RtString readKeyChar();
double keyCharAvailable();
double joystickCount();
RtString joystickName(double index);
void rumbleJoystick(double index, double durationMs, double forceX, double forceY);
// Axis / 32767 clamped to -1..1.
double joystickX(double index);
double joystickY(double index);
double joystickZ(double index);
double joystickRotationX(double index);
double joystickRotationY(double index);
double joystickRotationZ(double index);
// -1 for up, 1 for down, else 0 (first POV). An empty slot reads 0 (its zero POV would say up).
double joystickPovVertical(double index);
// 1 for right, -1 for left, else 0.
double joystickPovHorizontal(double index);
// Joystick 0: X / 30000 and Y / 30000 truncated (-1, 0 or 1, a dead band of 30000 counts each
// side), and the raw bytes (0 or 128) of its first two buttons.
void joystickPad(double& x, double& y, double& button1, double& button2);

}  // namespace korvane
