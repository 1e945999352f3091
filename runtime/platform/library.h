// Shared libraries loaded while the program runs, and the symbols they export.
#pragma once

#include <string>

namespace korvane::platform {

// A loaded library; only the functions below look inside.
struct Library;

// Loads the shared library at `path` (a name without "/" is searched where the system looks for
// libraries) with every symbol bound now and none made visible to other libraries. Loading one
// library twice gives two handles to one copy. nullptr on failure, with the reason in
// lastLibraryError(). Any thread.
Library* openLibrary(const std::string& path);

// The address of the symbol `name` in `library`; nullptr when the library is null or does not
// export it (the reason then in lastLibraryError()). Any thread.
void* findSymbol(Library* library, const char* name);

// Releases the handle; the library leaves the process when its last handle goes, and addresses
// found in it must not be used after that. nullptr is ignored. Any thread.
void closeLibrary(Library* library);

// The system's text for the calling thread's latest failure of openLibrary or findSymbol;
// empty when none has failed on this thread.
std::string lastLibraryError();

}  // namespace korvane::platform
