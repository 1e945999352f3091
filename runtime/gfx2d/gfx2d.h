// 2D graphics: the display object and the program's sprite, drawing and font commands.
#pragma once

#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/gfx2d/opengl_rainbows.h"
