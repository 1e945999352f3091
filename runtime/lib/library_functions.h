// Functions of shared libraries found by name, with the libraries kept loaded in a cache until
// the runtime library shuts down; the debug-output command; and that shutdown.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "runtime/platform/library.h"
#include "runtime/values/rt_string.h"

namespace korvane {

struct LibraryCache {
  std::vector<platform::Library*> handles;
  std::vector<std::string> names;  // lower-cased (A-Z only) as each was asked for; same order
};

// The process's one library cache.
LibraryCache& libraryCache();

// `pointer` = the address of `function` in `library`, or null. The cache is searched for the
// library's name with A-Z lower-cased; on a miss the name is loaded as spelled (names are
// case-sensitive here), from the program's own directory first when it has no "/", then from
// the system's library paths, and kept in the cache. A failed load in debug mode sends
// "Failed to load: " and the lower-cased name to debugOutput.
void findLibraryFunction(const RtString& library, const RtString& function, void*& pointer);

// With a debugger (a tracer) attached, "TX" and the text go to the debugger's output (standard
// error); otherwise nothing happens.
void debugOutput(const RtString& text);

// At the program end: writes back the data file and, when changed, the INI document, closes
// every file channel and unloads every cached library.
void shutdownRuntimeLibrary();

}  // namespace korvane
