#include "runtime/platform/log_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace korvane::platform {

namespace {
bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}
}  // namespace

bool appendLine(const std::string& path, std::string_view text) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  bool ok = writeAll(fd, text.data(), text.size()) && writeAll(fd, "\r\n", 2);
  close(fd);
  return ok;
}

bool removeFile(const std::string& path) { return unlink(path.c_str()) == 0; }

}  // namespace korvane::platform
