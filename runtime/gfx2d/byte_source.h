// Random-access byte input for the image readers: a file on disk or a block of memory, so the
// same decoders serve the program's files and the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace korvane {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Total bytes available.
  virtual uint64_t size() const = 0;
  // Copies exactly `count` bytes starting at `offset`; false (nothing promised about `out`) when
  // the source holds fewer.
  virtual bool readAt(uint64_t offset, void* out, size_t count) = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* out, size_t count) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A file opened read-only ("rb"). Backslashes in the path are taken as directory separators.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // False when the file could not be opened or measured.
  bool isOpen() const { return file_ != nullptr; }
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* out, size_t count) override;

 private:
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
};

}  // namespace korvane
