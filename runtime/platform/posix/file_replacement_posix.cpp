// Whole-file writes: a spare file beside the target, renamed over it once it is complete.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/platform/files.h"

namespace korvane::platform {

namespace {

constexpr int kMaxLinkHops = 40;

std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links (also one whose file does not exist yet), so the file they name is
// replaced and the link itself stays. Empty on a loop.
std::string resolveLinks(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    const ssize_t n = readlink(path.c_str(), buffer.data(), buffer.size() - 1);
    if (n < 0) return path;
    std::string next(buffer.data(), static_cast<size_t>(n));
    path = next.starts_with('/') ? next : directoryOf(path) + "/" + next;
  }
  return "";
}

// The process's umask, read without changing it (umask() itself would race other threads).
mode_t currentUmask() {
  std::FILE* status = std::fopen("/proc/self/status", "re");
  mode_t mask = 022;
  if (status == nullptr) return mask;
  char line[256];
  while (std::fgets(line, sizeof line, status) != nullptr) {
    unsigned value = 0;
    if (std::sscanf(line, "Umask: %o", &value) == 1) {
      mask = static_cast<mode_t>(value);
      break;
    }
  }
  std::fclose(status);
  return mask;
}

bool syncAndClose(int fd) {
  const bool synced = fsync(fd) == 0 || errno == EINVAL;  // EINVAL: a file system without fsync
  return close(fd) == 0 && synced;
}

}  // namespace

FileReplacement::~FileReplacement() { abandon(); }

bool FileReplacement::begin(const std::string& target, WhenNoSpareFile fallback) {
  abandon();
  failed_ = false;
  target_ = resolveLinks(target);
  if (target_.empty()) return false;
  struct stat st;
  const bool exists = stat(target_.c_str(), &st) == 0;
  // A directory, FIFO or device is not a file this can replace.
  if (exists && !S_ISREG(st.st_mode)) return false;
  const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~currentUmask());

  std::string pattern = directoryOf(target_) + "/." + nameOf(target_) + ".XXXXXX";
  int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd >= 0) {
    if (fchmod(fd, mode) != 0) {
      close(fd);
      unlink(pattern.c_str());
      return false;
    }
    spare_ = pattern;
    file_ = fd;
    return true;
  }
  if (fallback != WhenNoSpareFile::writeInPlace || (errno != EACCES && errno != EPERM)) {
    return false;
  }
  // Not truncated yet: the old bytes are cut off only once the new ones are all written.
  fd = open(target_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return false;
  int flags = fcntl(fd, F_GETFL);
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return false;
  }
  spare_.clear();
  file_ = fd;
  return true;
}

bool FileReplacement::write(const void* data, size_t size) {
  if (file_ == kNoFileHandle || failed_) return false;
  if (writeFully(file_, data, size) != static_cast<int64_t>(size)) failed_ = true;
  return !failed_;
}

bool FileReplacement::commit() {
  if (file_ == kNoFileHandle) return false;
  const int fd = file_;
  file_ = kNoFileHandle;
  if (spare_.empty()) {
    const off_t end = lseek(fd, 0, SEEK_CUR);
    const bool cut = end >= 0 && ftruncate(fd, end) == 0;
    return syncAndClose(fd) && cut && !failed_;
  }
  const bool whole = syncAndClose(fd) && !failed_;
  if (!whole || rename(spare_.c_str(), target_.c_str()) != 0) {
    unlink(spare_.c_str());
    spare_.clear();
    return false;
  }
  spare_.clear();
  // The rename itself reaches the disk with the directory.
  const int dir = open(directoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

void FileReplacement::abandon() {
  if (file_ != kNoFileHandle) close(file_);
  file_ = kNoFileHandle;
  if (!spare_.empty()) unlink(spare_.c_str());
  spare_.clear();
}

bool replaceFileWhole(const std::string& target, const void* data, size_t size,
                      FileReplacement::WhenNoSpareFile fallback) {
  FileReplacement replacement;
  return replacement.begin(target, fallback) && replacement.write(data, size) &&
         replacement.commit();
}

}  // namespace korvane::platform
