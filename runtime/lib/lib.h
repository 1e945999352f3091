// The runtime library: file channels and whole-file operations, media files, string and math
// functions, the random generator.
#pragma once

#include "runtime/lib/file_channels.h"
#include "runtime/lib/file_system.h"
#include "runtime/lib/math_functions.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/lib/random_generator.h"
#include "runtime/lib/string_functions.h"
