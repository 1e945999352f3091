// Sound effects: the sound device and its slots.
#pragma once

#include "runtime/sound/sound_device.h"
