// Shared libraries through dlopen; the handle dlopen returns is the Library pointer.
#include <dlfcn.h>

#include "runtime/platform/library.h"

namespace korvane::platform {

namespace {

// dlerror's text is consumed by the first read, so it is kept here for lastLibraryError.
thread_local std::string latestError;

void noteFailure(const char* fallback) {
  const char* text = dlerror();
  latestError = text != nullptr ? text : fallback;
}

}  // namespace

Library* openLibrary(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) noteFailure("the library could not be loaded");
  return static_cast<Library*>(handle);
}

void* findSymbol(Library* library, const char* name) {
  if (library == nullptr || name == nullptr) {
    latestError = "no library or no symbol name";
    return nullptr;
  }
  dlerror();  // drops an older error, so the text read below is this call's
  void* address = dlsym(library, name);
  if (address == nullptr) noteFailure("the symbol was not found");
  return address;
}

void closeLibrary(Library* library) {
  if (library != nullptr) dlclose(library);
}

std::string lastLibraryError() { return latestError; }

}  // namespace korvane::platform
