// Finds a media file on disk or inside a media pack; a pack entry is extracted to a temporary
// file that lives until the next resolution on the same resolver.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

// Size of the path buffers, NUL included: a requested or extracted path must be shorter.
inline constexpr size_t kMediaPathCapacity = 1024;

class MediaResolver {
 public:
  MediaResolver() = default;
  ~MediaResolver();
  MediaResolver(const MediaResolver&) = delete;
  MediaResolver& operator=(const MediaResolver&) = delete;

  // Deletes the extracted file, sets the pack path and enables pack lookups again.
  void setMediaPack(std::string_view path);

  // 1 with `output` = the path to open (the requested path as given when it exists on disk,
  // else the extracted temporary file), or 0 with `output` empty. Deletes the previous
  // extracted file first. A pack that cannot be opened or lacks the magic disables pack
  // lookups until the next setMediaPack.
  int resolveMediaFile(std::string_view requestedPath, std::string& output);

  // Deletes the extracted file, if any (program end).
  void release();

  bool packEnabled() const { return packEnabled_; }
  const std::string& packPath() const { return packPath_; }
  const std::string& extractedPath() const { return extractedPath_; }

 private:
  int resolveFromPack(std::string_view requestedPath, std::string& output);
  void deleteExtractedFile();

  bool packEnabled_ = true;
  std::string packPath_;
  std::string extractedPath_;
};

// The runtime's two resolvers, index 0 and 1 (any other index is taken as 0), so two
// extracted files can be open at the same time.
MediaResolver& mediaResolver(int index);

// Start-up: gives both resolvers the same pack path.
void setMediaPackOfBoth(std::string_view path);

// Shutdown: deletes both resolvers' extracted files.
void releaseMediaResolvers();

// For loaders: resolves `name` through resolver `index` and returns a path ready for the file
// system ("\" turned into "/"), or "" when the file is neither on disk nor in the pack. An
// extracted file stays valid until the next resolution on the same resolver.
std::string mediaPathToOpen(std::string_view name, int index = 0);

}  // namespace korvane
