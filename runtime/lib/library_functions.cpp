#include "runtime/lib/library_functions.h"

#include "runtime/core/stop/project_settings.h"
#include "runtime/lib/data_file_cache.h"
#include "runtime/lib/file_channels.h"
#include "runtime/lib/file_paths.h"
#include "runtime/lib/ini_document.h"
#include "runtime/platform/directory.h"
#include "runtime/platform/process.h"

namespace korvane {

namespace {

constexpr std::string_view kDebugPrefix = "TX";
constexpr std::string_view kLoadFailedText = "Failed to load: ";

std::string lowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string programDirectoryOf(const std::string& executable) {
  const size_t cut = executable.rfind('/');
  return cut == std::string::npos ? std::string() : executable.substr(0, cut + 1);
}

// The program's own directory comes before the system's paths; a name with a folder is taken
// as it is.
platform::Library* loadLibrary(const std::string& name) {
  if (name.find('/') == std::string::npos) {
    const std::string directory = programDirectoryOf(platform::executablePath());
    const std::string beside = directory + name;
    if (!directory.empty() && platform::pathKind(beside) == platform::PathKind::regularFile) {
      if (platform::Library* library = platform::openLibrary(beside)) return library;
    }
  }
  return platform::openLibrary(name);
}

}  // namespace

LibraryCache& libraryCache() {
  static LibraryCache cache;
  return cache;
}

void findLibraryFunction(const RtString& library, const RtString& function, void*& pointer) {
  pointer = nullptr;
  const std::string key = lowerAscii(textOf(library));
  LibraryCache& cache = libraryCache();
  platform::Library* handle = nullptr;
  for (size_t i = 0; i < cache.names.size(); ++i) {
    if (cache.names[i] == key) {
      handle = cache.handles[i];
      break;
    }
  }
  if (handle == nullptr) {
    handle = loadLibrary(toSystemPath(textOf(library)));
    if (handle == nullptr) {
      if (projectSettings().debugMode != 0) {
        RtString text(kLoadFailedText);
        text.appendBytes(key.data(), key.size());
        debugOutput(text);
      }
      return;
    }
    cache.handles.push_back(handle);
    cache.names.push_back(key);
  }
  pointer = platform::findSymbol(handle, textOf(function));
}

void debugOutput(const RtString& text) {
  if (!platform::debuggerAttached()) return;
  std::string line(kDebugPrefix);
  line += viewOf(text);
  platform::debugOutput(line);
}

void shutdownRuntimeLibrary() {
  flushDataFile();
  saveIni();
  for (int channel = 0; channel < kFileChannelCount; ++channel) closeFile(channel);
  LibraryCache& cache = libraryCache();
  for (platform::Library* handle : cache.handles) platform::closeLibrary(handle);
  cache.handles.clear();
  cache.names.clear();
}

}  // namespace korvane
