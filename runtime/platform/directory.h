// Directories and what stands at a path: the listing of a directory in the system's own order,
// the kind of file a path names, and absolute paths. Paths are passed through unchanged.
// Any thread.
#pragma once

#include <string>
#include <vector>

namespace korvane::platform {

struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;  // a symbolic link counts as what it points to
};

// Replaces `entries` with every entry of the directory `path` in the order the system returns
// them, "." and ".." included when the system lists them. False (entries empty) when the
// directory cannot be opened or read to its end.
bool readDirectory(const std::string& path, std::vector<DirectoryEntry>& entries);

enum class PathKind {
  missing,       // nothing there (the path or one of its folders does not exist)
  regularFile,   // a regular file, possibly through symbolic links
  directory,     // a directory, possibly through symbolic links
  other,         // a device, FIFO or socket
  inaccessible,  // something may be there but cannot be looked at (permissions, a loop)
};

// What `path` names, following symbolic links.
PathKind pathKind(const std::string& path);

// `path` when it starts with "/", else the current directory, "/" and `path`; empty when the
// current directory is unknown. Nothing is resolved or checked.
std::string absolutePath(const std::string& path);

}  // namespace korvane::platform
