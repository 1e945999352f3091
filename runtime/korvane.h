// Everything a translated program uses of the runtime, one header per module.
#pragma once

#include "runtime/core/core.h"
#include "runtime/gfx2d/gfx2d.h"
#include "runtime/gfx3d/gfx3d.h"
#include "runtime/input/input.h"
#include "runtime/lib/lib.h"
#include "runtime/net/net.h"
#include "runtime/path/path.h"
#include "runtime/sound/sound.h"
#include "runtime/values/values.h"
