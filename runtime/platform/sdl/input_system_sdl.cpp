// The input side of SDL: its event queue and joysticks.
#include <SDL.h>

#include "runtime/platform/input_system.h"

namespace korvane::platform {

bool startInputSystem() { return SDL_InitSubSystem(SDL_INIT_EVENTS | SDL_INIT_JOYSTICK) == 0; }

void stopInputSystem() { SDL_QuitSubSystem(SDL_INIT_EVENTS | SDL_INIT_JOYSTICK); }

}  // namespace korvane::platform
