// Directory reading through opendir/readdir; the kind of an entry from d_type where the file
// system reports it, else from stat.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/platform/directory.h"
#include "runtime/platform/process.h"

namespace korvane::platform {

namespace {

bool isDirectoryAt(int directoryFd, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  struct stat status;
  if (fstatat(directoryFd, entry.d_name, &status, 0) != 0) return false;  // a dangling link
  return S_ISDIR(status.st_mode);
}

}  // namespace

bool readDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* directory = fdopendir(fd);
  if (directory == nullptr) {
    close(fd);
    return false;
  }
  bool complete = true;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(directory);
    if (entry == nullptr) {
      complete = errno == 0;
      break;
    }
    entries.push_back({entry->d_name, isDirectoryAt(fd, *entry)});
  }
  closedir(directory);  // closes fd too
  if (!complete) entries.clear();
  return complete;
}

PathKind pathKind(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? PathKind::missing : PathKind::inaccessible;
  }
  if (S_ISREG(status.st_mode)) return PathKind::regularFile;
  if (S_ISDIR(status.st_mode)) return PathKind::directory;
  return PathKind::other;
}

std::string absolutePath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  std::string directory = currentDirectory();
  if (directory.empty()) return {};
  if (directory.back() != '/') directory += '/';
  return directory + path;
}

}  // namespace korvane::platform
