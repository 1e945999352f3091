// POSIX file access behind the runtime's channels, media packs and error log.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/platform/files.h"

namespace korvane::platform {

FileHandle openForReading(const std::string& path, bool exclusive) {
  // O_NONBLOCK keeps a FIFO from hanging the open; it is refused just below anyway.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return kNoFileHandle;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return kNoFileHandle;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return kNoFileHandle;
  }
  if (exclusive && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return kNoFileHandle;
  }
  return fd;
}

FileHandle createForReadWrite(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return kNoFileHandle;
  // Truncate only after checking that no exclusive reader has the file open.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(fd, 0) != 0) {
    close(fd);
    return kNoFileHandle;
  }
  flock(fd, LOCK_UN);
  return fd;
}

FileHandle openForWriting(const std::string& path) {
  // O_NONBLOCK: a FIFO without a reader must not hang the open.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return kNoFileHandle;
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return kNoFileHandle;
  }
  return fd;
}

bool truncateFile(FileHandle file) {
  return ftruncate(file, 0) == 0 && lseek(file, 0, SEEK_SET) == 0;
}

FileHandle createFresh(const std::string& path) {
  if (unlink(path.c_str()) != 0 && errno != ENOENT) return kNoFileHandle;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  return fd < 0 ? kNoFileHandle : fd;
}

int64_t readFully(FileHandle file, void* buffer, size_t count) {
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = read(file, out + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? static_cast<int64_t>(done) : -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int64_t readFullyAt(FileHandle file, int64_t offset, void* buffer, size_t count) {
  if (offset < 0) return -1;
  auto* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = pread(file, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int64_t writeFully(FileHandle file, const void* buffer, size_t count) {
  const auto* in = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = write(file, in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool seekRelative(FileHandle file, int64_t delta) {
  return lseek(file, static_cast<off_t>(delta), SEEK_CUR) >= 0;
}

int64_t sizeOfOpenFile(FileHandle file) {
  struct stat st;
  if (fstat(file, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool isRegularFile(FileHandle file) {
  struct stat st;
  return fstat(file, &st) == 0 && S_ISREG(st.st_mode);
}

bool sameFile(FileHandle a, FileHandle b) {
  struct stat sa, sb;
  if (fstat(a, &sa) != 0 || fstat(b, &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void closeFile(FileHandle file) {
  if (file != kNoFileHandle) close(file);
}

int64_t readableRegularFileSize(const std::string& path) {
  FileHandle fd = openForReading(path, false);
  if (fd == kNoFileHandle) return -1;
  int64_t size = sizeOfOpenFile(fd);
  close(fd);
  return size;
}

bool deleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool appendLine(const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  const bool ok = writeFully(fd, text.data(), text.size()) == static_cast<int64_t>(text.size()) &&
                  writeFully(fd, "\r\n", 2) == 2;
  close(fd);
  return ok;
}

bool removeFile(const std::string& path) { return deleteFile(path); }

}  // namespace korvane::platform
