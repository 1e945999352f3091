// Keyboard, mouse and joystick input.
#pragma once

#include "runtime/input/input_state.h"
