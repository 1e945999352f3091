// Bounded random-access input for every reader of untrusted bytes: a block of memory or a
// regular file, so one decoder serves the program's files, pack entries and the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/platform/files.h"

namespace korvane {

// True when `count` bytes starting at `offset` lie inside `size` bytes. Never overflows, so
// readers may pass offsets and counts taken straight from a file.
constexpr bool rangeFits(uint64_t size, uint64_t offset, uint64_t count) {
  return offset <= size && count <= size - offset;
}

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Total bytes available; fixed for the source's lifetime.
  virtual uint64_t size() const = 0;
  // Copies exactly `count` bytes starting at `offset` into `out`. False, with nothing promised
  // about `out`, when the range does not fit inside size() or the bytes could not be read.
  // Reading zero bytes at any offset up to size() succeeds.
  virtual bool readAt(uint64_t offset, void* out, size_t count) const = 0;
};

// Bytes owned by the caller, which keeps them alive and unchanged while the source is used.
class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* out, size_t count) const override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A regular file opened read-only (close-on-exec) and measured once. The path is spelled as
// programs write it: "\" and "/" both separate directories. Directories, devices and FIFOs are
// refused like missing files. Reads do not move a shared file position, so a const source may
// be read from any thread.
class FileSource final : public ByteSource {
 public:
  // An exclusive source also takes the file's exclusive lock, so it fails while another
  // exclusive reader holds the file.
  enum class Sharing { shared, exclusive };
  explicit FileSource(std::string_view path, Sharing sharing = Sharing::shared);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // False when the file could not be opened or measured; such a source reads nothing.
  bool isOpen() const { return file_ != platform::kNoFileHandle; }
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* out, size_t count) const override;

 private:
  platform::FileHandle file_ = platform::kNoFileHandle;
  uint64_t size_ = 0;
};

}  // namespace korvane
