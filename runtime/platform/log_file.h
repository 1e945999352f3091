// Line-append and removal for small files in the temporary directory (the error log).
#pragma once

#include <string>
#include <string_view>

namespace korvane::platform {

// Opens `path` for writing without following a symbolic link, creating it when missing, takes
// an exclusive lock, writes `text` then CR LF at the end and closes it. Returns false (and
// writes nothing) when the file cannot be opened or locked. Any thread.
bool appendLine(const std::string& path, std::string_view text);

// Deletes `path`; returns false when it did not exist or could not be removed.
bool removeFile(const std::string& path);

}  // namespace korvane::platform
