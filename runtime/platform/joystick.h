// Joysticks, and virtual joysticks that tests and tools attach. Main thread only; joystick
// calls need startInputSystem() first: without it there are no devices, opens and attaches
// fail, and nullptr handles are accepted everywhere (calls on them return false or "").
#pragma once

#include <cstdint>
#include <string>

namespace korvane::platform {

struct Joystick;  // opaque: an opened joystick

inline constexpr int kJoystickAxisCount = 8;  // X, Y, Z, rotation X, Y, Z, two sliders
inline constexpr int kJoystickHatCount = 4;
inline constexpr int kJoystickButtonCount = 32;

// Hat positions as bits: 0 is centred, diagonals are two bits.
inline constexpr uint8_t kHatUp = 0x01;
inline constexpr uint8_t kHatRight = 0x02;
inline constexpr uint8_t kHatDown = 0x04;
inline constexpr uint8_t kHatLeft = 0x08;

// One reading. Axes run -32768..32767; missing axes, hats and buttons read 0.
struct JoystickReading {
  int32_t axes[kJoystickAxisCount] = {};
  uint8_t hats[kJoystickHatCount] = {};
  bool buttons[kJoystickButtonCount] = {};
};

// Joysticks attached now, in the system's device order; 0 when the subsystem is not running.
int joystickDeviceCount();

// Opens device `deviceIndex`; nullptr on failure. Each open is matched by closeJoystick.
Joystick* openJoystick(int deviceIndex);
void closeJoystick(Joystick* joystick);

// The device's name ("" when it has none).
std::string joystickName(Joystick* joystick);

// Brings every joystick's state up to date, then reads this one. False when it is detached
// (the reading is then all zero).
bool readJoystickState(Joystick* joystick, JoystickReading& reading);

// Runs both rumble motors at the given strengths (0..65535) for `milliseconds`. False when the
// joystick has no rumble.
bool rumble(Joystick* joystick, uint16_t lowFrequency, uint16_t highFrequency,
            uint32_t milliseconds);

// ---- Virtual joysticks (software devices of the backend), for tests and tools.

// Attaches a virtual joystick with the given name and counts (at most the reading's sizes);
// returns its device index, or -1.
int attachVirtualJoystick(const std::string& name, int axes, int buttons, int hats);
// Detaches the virtual joystick at `deviceIndex`.
bool detachVirtualJoystick(int deviceIndex);
// Set a virtual joystick's controls through an opened handle; they show in the next reading.
bool setVirtualAxis(Joystick* joystick, int axis, int16_t value);
bool setVirtualButton(Joystick* joystick, int button, bool pressed);
bool setVirtualHat(Joystick* joystick, int hat, uint8_t position);

// The last rumble request any virtual joystick received.
struct RumbleRequest {
  int count = 0;  // requests received so far
  uint16_t lowFrequency = 0;
  uint16_t highFrequency = 0;
};
RumbleRequest lastVirtualRumble();

}  // namespace korvane::platform
