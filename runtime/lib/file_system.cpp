#include "runtime/lib/file_system.h"

#include <cstdint>

#include "runtime/lib/file_paths.h"
#include "runtime/platform/files.h"
#include "runtime/platform/process.h"

namespace korvane {

namespace {
constexpr size_t kCopyBlockBytes = 4096;
}

double fileSize(const RtString& path) {
  int64_t size = platform::readableRegularFileSize(toSystemPath(viewOf(path)));
  return size < 0 ? 0.0 : static_cast<double>(size);
}

double fileExists(const RtString& path) {
  return platform::readableRegularFileSize(toSystemPath(viewOf(path))) >= 0 ? 1.0 : 0.0;
}

double deleteFile(const RtString& path) {
  return platform::deleteFile(toSystemPath(viewOf(path))) ? 1.0 : 0.0;
}

void copyFile(const RtString& source, const RtString& target) {
  const std::string targetPath = toSystemPath(viewOf(target));
  platform::FileHandle in = platform::openForReading(toSystemPath(viewOf(source)), false);
  if (in == platform::kNoFileHandle) return;
  platform::FileHandle out = platform::openForWriting(targetPath);
  if (out == platform::kNoFileHandle) {
    platform::closeFile(in);
    return;
  }
  // Truncating a target that is the source would destroy the only copy; a target that is no
  // regular file (a device) must never be deleted on failure.
  if (platform::sameFile(in, out) || !platform::isRegularFile(out)) {
    platform::closeFile(out);
    platform::closeFile(in);
    return;
  }
  bool ok = platform::truncateFile(out);
  char block[kCopyBlockBytes];
  while (ok) {
    int64_t got = platform::readFully(in, block, sizeof block);
    if (got < 0) ok = false;
    if (got <= 0) break;
    ok = platform::writeFully(out, block, static_cast<size_t>(got)) == got;
  }
  platform::closeFile(out);
  platform::closeFile(in);
  if (!ok) platform::deleteFile(targetPath);
}

RtString currentDirectory() {
  std::string dir = toSystemPath(platform::currentDirectory());
  if (dir.empty() || dir.back() != '/') dir += '/';
  return RtString(std::string_view(dir));
}

double setCurrentDirectory(const RtString& path) {
  return platform::setCurrentDirectory(toSystemPath(viewOf(path))) ? 1.0 : 0.0;
}

void toForwardSlashes(RtString& text) { toSystemPathInPlace({text.buf(), text.length()}); }

}  // namespace korvane
