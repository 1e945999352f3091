#include "runtime/lib/media_resolver.h"

#include <cstdint>
#include <vector>

#include "runtime/lib/byte_source.h"
#include "runtime/lib/file_paths.h"
#include "runtime/lib/media_pack.h"
#include "runtime/platform/files.h"
#include "runtime/platform/process.h"

namespace korvane {

namespace {

// 'A' plus a non-negative remainder, so a negative offset still gives a letter.
char nameLetter(int32_t value) {
  int32_t r = value % 26;
  if (r < 0) r += 26;
  return static_cast<char>('A' + r);
}

bool fitsPathBuffer(std::string_view path) { return path.size() < kMediaPathCapacity; }

}  // namespace

MediaResolver::~MediaResolver() { release(); }

void MediaResolver::setMediaPack(std::string_view path) {
  deleteExtractedFile();
  packPath_.assign(path);
  packEnabled_ = true;
}

void MediaResolver::release() { deleteExtractedFile(); }

void MediaResolver::deleteExtractedFile() {
  if (!extractedPath_.empty()) platform::deleteFile(extractedPath_);
  extractedPath_.clear();
}

int MediaResolver::resolveMediaFile(std::string_view requestedPath, std::string& output) {
  output.clear();
  deleteExtractedFile();
  if (requestedPath.empty() || !fitsPathBuffer(requestedPath)) return 0;
  if (platform::readableRegularFileSize(toSystemPath(requestedPath)) >= 0) {
    output.assign(requestedPath);
    return 1;
  }
  if (!packEnabled_ || packPath_.empty()) return 0;
  return resolveFromPack(requestedPath, output);
}

int MediaResolver::resolveFromPack(std::string_view requestedPath, std::string& output) {
  FileSource source(packPath_);
  if (!source.isOpen()) {
    packEnabled_ = false;
    return 0;
  }
  MediaPackEntry entry;
  switch (findMediaPackEntry(source, mediaPackLookupName(requestedPath), entry)) {
    case MediaPackLookup::kFound:
      break;
    case MediaPackLookup::kNotAPack:
      packEnabled_ = false;
      return 0;
    case MediaPackLookup::kNotFound:
    case MediaPackLookup::kDamaged:
      return 0;
  }

  std::string path = platform::temporaryDirectory() + "sbx" + nameLetter(entry.dataOffset) +
                     nameLetter(entry.storedSize) + entry.name;
  if (!fitsPathBuffer(path)) return 0;
  std::vector<uint8_t> data;
  if (!extractMediaPackEntry(source, entry, data)) return 0;

  platform::FileHandle out = platform::createFresh(path);
  if (out == platform::kNoFileHandle) return 0;
  bool written =
      platform::writeFully(out, data.data(), data.size()) == static_cast<int64_t>(data.size());
  platform::closeFile(out);
  if (!written) {
    platform::deleteFile(path);
    return 0;
  }
  extractedPath_ = path;
  output = path;
  return 1;
}

MediaResolver& mediaResolver(int index) {
  static MediaResolver resolvers[2];
  return resolvers[index == 1 ? 1 : 0];
}

void setMediaPackOfBoth(std::string_view path) {
  mediaResolver(0).setMediaPack(path);
  mediaResolver(1).setMediaPack(path);
}

void releaseMediaResolvers() {
  mediaResolver(0).release();
  mediaResolver(1).release();
}

std::string mediaPathToOpen(std::string_view name, int index) {
  std::string path;
  if (mediaResolver(index).resolveMediaFile(name, path) == 0) return {};
  return toSystemPath(path);
}

}  // namespace korvane
