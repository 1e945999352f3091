#include "runtime/gfx2d/byte_source.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace korvane {

bool MemorySource::readAt(uint64_t offset, void* out, size_t count) {
  if (offset > size_ || count > size_ - offset) return false;
  if (count > 0) std::memcpy(out, data_ + offset, count);
  return true;
}

FileSource::FileSource(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  file_ = std::fopen(native.c_str(), "rb");
  if (!file_) return;
  // A directory opens but cannot be measured or read: treat it as unopenable.
  if (std::fseek(file_, 0, SEEK_END) != 0) {
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  const long end = std::ftell(file_);
  if (end < 0 || end == LONG_MAX) {
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  size_ = static_cast<uint64_t>(end);
}

FileSource::~FileSource() {
  if (file_) std::fclose(file_);
}

bool FileSource::readAt(uint64_t offset, void* out, size_t count) {
  if (!file_ || offset > size_ || count > size_ - offset) return false;
  if (count == 0) return true;
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
  return std::fread(out, 1, count, file_) == count;
}

}  // namespace korvane
