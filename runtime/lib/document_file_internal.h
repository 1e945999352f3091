// What the data file and the INI document share: finding the file through the media resolver,
// reading it whole with a size cap, and the write-back target fixed at load.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

enum class DocumentRead {
  kRead,        // `bytes` holds the whole file
  kMissing,     // nothing at the path and nothing in the media pack: an empty document
  kUnreadable,  // something is there but could not be read whole; never to be overwritten
};

// Resolves `path` (as the program spells it) through media resolver 0 and reads the file.
DocumentRead readDocument(std::string_view path, std::string& bytes);

// The file a document read from `path` is written back to: the path as the system spells it,
// made absolute now. A document read from a media pack goes to the requested path, never to the
// extracted copy. Empty when no absolute path can be formed.
std::string documentWritePath(std::string_view path);

// Replaces the file at `writePath` whole with `text`; false (the file untouched) on failure.
bool writeDocument(const std::string& writePath, std::string_view text);

}  // namespace korvane
