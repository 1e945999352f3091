// The runtime library: file channels and whole-file operations, media files, string and math
// functions, the random generator, data files and INI documents, platform information, directory
// listing, library functions and the HTTP fetch.
#pragma once

#include "runtime/lib/data_file_cache.h"
#include "runtime/lib/directory_listing.h"
#include "runtime/lib/file_channels.h"
#include "runtime/lib/file_system.h"
#include "runtime/lib/http_fetch.h"
#include "runtime/lib/ini_document.h"
#include "runtime/lib/library_functions.h"
#include "runtime/lib/math_functions.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/lib/platform_info.h"
#include "runtime/lib/random_generator.h"
#include "runtime/lib/string_functions.h"
