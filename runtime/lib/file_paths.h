// Path spelling shared by every file operation of the runtime.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace korvane {

// Turns the program's spelling of a path into the system's, in place: every "\" becomes "/".
// The one place that knows the mapping; everything that hands a path to the platform uses it.
void toSystemPathInPlace(std::span<char> path);

// The same on a copy. Applied before every file-system call, so programs may write either
// separator.
std::string toSystemPath(std::string_view path);

}  // namespace korvane
