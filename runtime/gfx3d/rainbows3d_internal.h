// The 3D renderer's seams for tests: not for programs.
#pragma once

#include "runtime/gfx3d/rainbows3d.h"

namespace korvane {

// `probe` runs inside every debug drawing, after its state is set and before it is restored, so a
// test can read what the drawing used (nullptr removes it).
void setDebugDrawProbeForTesting(Rainbows3D& renderer, void (*probe)(void* context), void* context);

}  // namespace korvane
