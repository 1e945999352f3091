// 3D graphics: object files, and the 3D renderer with its view, movement stack, lights and
// objects built from code.
#pragma once

#include "runtime/gfx3d/gfx3d_commands.h"
#include "runtime/gfx3d/mesh_object.h"
#include "runtime/gfx3d/mesh_object_x.h"
#include "runtime/gfx3d/movement_stack.h"
#include "runtime/gfx3d/normal_generation.h"
#include "runtime/gfx3d/normal_table.h"
#include "runtime/gfx3d/object_file.h"
#include "runtime/gfx3d/object_renderer.h"
#include "runtime/gfx3d/rainbows3d.h"
