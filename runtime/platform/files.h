// Files: descriptor-level access for channels, media packs and whole-file operations, and the
// line-append of small logs. Paths are passed through unchanged: callers turn "\" into "/" first.
// Any thread may call these; one handle is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::platform {

// An open file; -1 means none. Every descriptor is opened close-on-exec.
using FileHandle = int;
inline constexpr FileHandle kNoFileHandle = -1;

// Opens an existing regular file for reading (directories and devices are refused). With
// `exclusive`, also takes an exclusive non-blocking lock, so a second exclusive open of the
// same file fails while this one is open. Returns kNoFileHandle on failure. Any thread.
FileHandle openForReading(const std::string& path, bool exclusive);

// Creates the file or truncates it, open for reading and writing. Refused (kNoFileHandle,
// nothing truncated) while an exclusive reader holds the file; holds no lock itself.
FileHandle createForReadWrite(const std::string& path);

// Opens the file for writing, creating it when missing, without truncating it (so a caller can
// first check what it opened). kNoFileHandle on failure.
FileHandle openForWriting(const std::string& path);

// Cuts the open file to length 0 and moves its position to the start. False on failure.
bool truncateFile(FileHandle file);

// Removes whatever is at `path`, then creates a new regular file exclusively (a link planted
// there is never followed) with owner-only permissions, open for writing. kNoFileHandle on
// failure.
FileHandle createFresh(const std::string& path);

// Reads up to `count` bytes at the current position, retrying short reads until `count` bytes
// arrived or the file ended. Returns the bytes delivered, or -1 on an I/O error.
int64_t readFully(FileHandle file, void* buffer, size_t count);

// The same at an absolute offset, leaving the file position alone.
int64_t readFullyAt(FileHandle file, int64_t offset, void* buffer, size_t count);

// Writes `count` bytes, retrying short writes. Returns the bytes written (fewer on failure).
int64_t writeFully(FileHandle file, const void* buffer, size_t count);

// Moves the file position by `delta` bytes. False on failure.
bool seekRelative(FileHandle file, int64_t delta);

// Size in bytes of the open file, or -1.
int64_t sizeOfOpenFile(FileHandle file);

// True when the handle refers to a regular file (not a device, FIFO or directory).
bool isRegularFile(FileHandle file);

// True when both handles refer to the same file (device and inode).
bool sameFile(FileHandle a, FileHandle b);

// Closes the handle; kNoFileHandle is ignored.
void closeFile(FileHandle file);

// Size of a regular file that can be opened for reading, or -1.
int64_t readableRegularFileSize(const std::string& path);

// Deletes a file (not a directory). False when it did not exist or could not be removed.
bool deleteFile(const std::string& path);

// Opens `path` for writing without following a symbolic link, creating it when missing, takes
// an exclusive lock, writes `text` then CR LF at the end and closes it. Returns false (and
// writes nothing) when the file cannot be opened or locked. Any thread.
bool appendLine(const std::string& path, std::string_view text);

// Deletes `path`; returns false when it did not exist or could not be removed.
bool removeFile(const std::string& path);

// Writes a file whole or not at all: the bytes go to a new file beside the target and replace it
// with one rename only when every write, the flush to the disk and the close succeeded, so a
// reader sees the old file or the new one, never a part. A target that is a symbolic link is
// resolved first (the link stays and its file is replaced), and an existing target keeps its
// permission bits. One writer, one thread.
class FileReplacement {
 public:
  // How to go on when the target's directory cannot take a new file (no write permission there
  // on a file that may itself be written): refuse, or write into the target itself.
  enum class WhenNoSpareFile { refuse, writeInPlace };

  FileReplacement() = default;
  ~FileReplacement();  // abandons what was not committed
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts the new file for `target`. False (nothing touched) when no new file can be made.
  bool begin(const std::string& target, WhenNoSpareFile fallback = WhenNoSpareFile::refuse);
  // Appends bytes; false once any write failed (later writes are then ignored).
  bool write(const void* data, size_t size);
  // Flushes, closes and renames over the target. False on any failure, and then the target is as
  // it was (except in place, where it may be cut short) and the spare file is gone.
  bool commit();
  // Removes the spare file; the target stays as it was.
  void abandon();

 private:
  std::string target_;
  std::string spare_;  // empty when writing in place
  FileHandle file_ = kNoFileHandle;
  bool failed_ = false;
};

// The whole of `size` bytes through a FileReplacement. False on any failure.
bool replaceFileWhole(
    const std::string& target, const void* data, size_t size,
    FileReplacement::WhenNoSpareFile fallback = FileReplacement::WhenNoSpareFile::refuse);

}  // namespace korvane::platform
