#include "runtime/lib/byte_source.h"

#include <cstring>

#include "runtime/lib/file_paths.h"

namespace korvane {

bool MemorySource::readAt(uint64_t offset, void* out, size_t count) const {
  if (!rangeFits(size_, offset, count)) return false;
  if (count > 0) std::memcpy(out, data_ + offset, count);
  return true;
}

FileSource::FileSource(std::string_view path, Sharing sharing) {
  file_ = platform::openForReading(toSystemPath(path), sharing == Sharing::exclusive);
  if (file_ == platform::kNoFileHandle) return;
  const int64_t size = platform::sizeOfOpenFile(file_);
  if (size < 0) {
    platform::closeFile(file_);
    file_ = platform::kNoFileHandle;
    return;
  }
  size_ = static_cast<uint64_t>(size);
}

FileSource::~FileSource() { platform::closeFile(file_); }

bool FileSource::readAt(uint64_t offset, void* out, size_t count) const {
  if (!isOpen() || !rangeFits(size_, offset, count)) return false;
  if (count == 0) return true;
  // The range check keeps the offset within the size the platform measured as signed.
  return platform::readFullyAt(file_, static_cast<int64_t>(offset), out, count) ==
         static_cast<int64_t>(count);
}

}  // namespace korvane
