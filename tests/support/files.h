// Whole-file reads and writes for checking what the runtime wrote and preparing what it reads.
#pragma once

#include <filesystem>
#include <string>

namespace korvane::testing {

// The file's bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// Replaces the file's content with `bytes`.
void writeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace korvane::testing
