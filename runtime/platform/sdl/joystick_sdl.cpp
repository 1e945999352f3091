#include <SDL.h>

#include <algorithm>

#include "runtime/platform/joystick.h"

namespace korvane::platform {

// Hat positions pass through as SDL gives them.
static_assert(kHatUp == SDL_HAT_UP && kHatRight == SDL_HAT_RIGHT && kHatDown == SDL_HAT_DOWN &&
              kHatLeft == SDL_HAT_LEFT);

struct Joystick {
  SDL_Joystick* sdl = nullptr;
};

namespace {

bool joysticksRunning() { return SDL_WasInit(SDL_INIT_JOYSTICK) != 0; }

RumbleRequest virtualRumble;

int recordRumble(void*, Uint16 low, Uint16 high) {
  ++virtualRumble.count;
  virtualRumble.lowFrequency = low;
  virtualRumble.highFrequency = high;
  return 0;
}

}  // namespace

int joystickDeviceCount() {
  if (!joysticksRunning()) return 0;
  return std::max(0, SDL_NumJoysticks());
}

Joystick* openJoystick(int deviceIndex) {
  if (!joysticksRunning()) return nullptr;
  SDL_Joystick* sdl = SDL_JoystickOpen(deviceIndex);
  if (sdl == nullptr) return nullptr;
  return new Joystick{sdl};
}

void closeJoystick(Joystick* joystick) {
  if (joystick == nullptr) return;
  if (joysticksRunning()) SDL_JoystickClose(joystick->sdl);
  delete joystick;
}

std::string joystickName(Joystick* joystick) {
  if (joystick == nullptr) return {};
  const char* name = SDL_JoystickName(joystick->sdl);
  return name != nullptr ? name : "";
}

bool readJoystickState(Joystick* joystick, JoystickReading& reading) {
  reading = JoystickReading{};
  if (joystick == nullptr || !joysticksRunning()) return false;
  SDL_JoystickUpdate();
  if (!SDL_JoystickGetAttached(joystick->sdl)) return false;
  int axes = std::min(kJoystickAxisCount, std::max(0, SDL_JoystickNumAxes(joystick->sdl)));
  for (int i = 0; i < axes; ++i) reading.axes[i] = SDL_JoystickGetAxis(joystick->sdl, i);
  int hats = std::min(kJoystickHatCount, std::max(0, SDL_JoystickNumHats(joystick->sdl)));
  for (int i = 0; i < hats; ++i) reading.hats[i] = SDL_JoystickGetHat(joystick->sdl, i);
  int buttons = std::min(kJoystickButtonCount, std::max(0, SDL_JoystickNumButtons(joystick->sdl)));
  for (int i = 0; i < buttons; ++i) {
    reading.buttons[i] = SDL_JoystickGetButton(joystick->sdl, i) != 0;
  }
  return true;
}

bool rumble(Joystick* joystick, uint16_t lowFrequency, uint16_t highFrequency,
            uint32_t milliseconds) {
  if (joystick == nullptr || !joysticksRunning()) return false;
  return SDL_JoystickRumble(joystick->sdl, lowFrequency, highFrequency, milliseconds) == 0;
}

int attachVirtualJoystick(const std::string& name, int axes, int buttons, int hats) {
  if (!joysticksRunning()) return -1;
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = static_cast<Uint16>(std::clamp(axes, 0, kJoystickAxisCount));
  desc.nbuttons = static_cast<Uint16>(std::clamp(buttons, 0, kJoystickButtonCount));
  desc.nhats = static_cast<Uint16>(std::clamp(hats, 0, kJoystickHatCount));
  desc.name = name.c_str();  // SDL copies it
  desc.Rumble = recordRumble;
  return SDL_JoystickAttachVirtualEx(&desc);
}

bool detachVirtualJoystick(int deviceIndex) {
  return joysticksRunning() && SDL_JoystickDetachVirtual(deviceIndex) == 0;
}

bool setVirtualAxis(Joystick* joystick, int axis, int16_t value) {
  return joystick != nullptr && SDL_JoystickSetVirtualAxis(joystick->sdl, axis, value) == 0;
}

bool setVirtualButton(Joystick* joystick, int button, bool pressed) {
  return joystick != nullptr &&
         SDL_JoystickSetVirtualButton(joystick->sdl, button, pressed ? 1 : 0) == 0;
}

bool setVirtualHat(Joystick* joystick, int hat, uint8_t position) {
  return joystick != nullptr && SDL_JoystickSetVirtualHat(joystick->sdl, hat, position) == 0;
}

RumbleRequest lastVirtualRumble() { return virtualRumble; }

}  // namespace korvane::platform
