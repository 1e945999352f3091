// Path spelling shared by every file operation of the runtime library.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The path as the file system takes it: every "\" becomes "/". Applied before every
// file-system call, so programs may write either separator.
std::string toSystemPath(std::string_view path);

}  // namespace korvane
