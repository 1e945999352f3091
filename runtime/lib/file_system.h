// Whole-file operations and the current directory. Every path has "\" turned into "/" before
// it reaches the file system.
#pragma once

#include "runtime/values/rt_string.h"

namespace korvane {

// Size in bytes of an existing regular file that can be opened for reading, else 0.
double fileSize(const RtString& path);

// 1.0 when the path is a regular file that can be opened for reading, else 0.0.
double fileExists(const RtString& path);

// Nonzero (1.0) when the file was deleted, else 0.0.
double deleteFile(const RtString& path);

// Copies `source` to `target` (created or truncated) in 4096-byte blocks. The source is opened
// first: a missing source, or a target that is the source itself, leaves the target
// untouched, and so is a target that is not a regular file. A failure while copying deletes the
// target.
void copyFile(const RtString& source, const RtString& target);

// The current directory with "/" separators, always ending in "/".
RtString currentDirectory();

// 1.0 when the current directory was changed, else 0.0.
double setCurrentDirectory(const RtString& path);

// Turns every "\" of `text` into "/" in place.
void toForwardSlashes(RtString& text);

}  // namespace korvane
