#include <cstdint>

#include "runtime/lib/byte_source.h"
#include "runtime/lib/data_file_cache.h"
#include "runtime/lib/document_file_internal.h"
#include "runtime/lib/file_paths.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/platform/directory.h"
#include "runtime/platform/files.h"

namespace korvane {

DocumentRead readDocument(std::string_view path, std::string& bytes) {
  bytes.clear();
  const std::string systemPath = toSystemPath(path);
  const std::string resolved = mediaPathToOpen(path);
  // Only a path with nothing at it is an empty document: a directory, a file without read
  // permission or an unreachable folder must not be replaced by an empty file later.
  const platform::PathKind onDisk = platform::pathKind(systemPath);
  if (resolved.empty()) {
    return onDisk == platform::PathKind::missing ? DocumentRead::kMissing
                                                 : DocumentRead::kUnreadable;
  }
  // A pack entry stands in for a file on disk that could not be read: that file stays as it is.
  if (resolved != systemPath && onDisk != platform::PathKind::missing) {
    return DocumentRead::kUnreadable;
  }
  FileSource source(resolved);
  if (!source.isOpen() || source.size() > kMaxDocumentBytes) return DocumentRead::kUnreadable;
  bytes.resize(static_cast<size_t>(source.size()));
  if (!source.readAt(0, bytes.data(), bytes.size())) {
    bytes.clear();
    return DocumentRead::kUnreadable;
  }
  return DocumentRead::kRead;
}

std::string documentWritePath(std::string_view path) {
  if (path.empty()) return {};
  return platform::absolutePath(toSystemPath(path));
}

bool writeDocument(const std::string& writePath, std::string_view text) {
  if (writePath.empty()) return false;
  return platform::replaceFileWhole(writePath, text.data(), text.size());
}

}  // namespace korvane
