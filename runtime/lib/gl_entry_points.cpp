#include "runtime/lib/gl_entry_points.h"

#include <algorithm>

namespace korvane {

namespace {

constexpr std::string_view kVersionPrefix = "GL_VERSION_";
// Entry points of these versions are the library's own exports: a lookup by name gives none.
constexpr int kLastExportedVersion = 11;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int glProviderVersion(std::string_view provider) {
  if (!provider.starts_with(kVersionPrefix)) return -1;
  provider.remove_prefix(kVersionPrefix.size());
  if (provider.size() != 3 || !isDigit(provider[0]) || provider[1] != '_' ||
      !isDigit(provider[2])) {
    return -1;
  }
  return (provider[0] - '0') * 10 + (provider[2] - '0');
}

int glContextVersion(const char* versionString) {
  if (versionString == nullptr) return 0;
  const char* p = versionString;
  int major = 0;
  if (!isDigit(*p)) return 0;
  while (isDigit(*p)) major = std::min(major * 10 + (*p++ - '0'), 1000);
  if (*p++ != '.' || !isDigit(*p)) return 0;
  return major * 10 + std::min(*p - '0', 9);
}

bool hasGlExtensionWord(const char* extensions, std::string_view name) {
  if (extensions == nullptr || name.empty()) return false;
  const std::string_view all(extensions);
  for (size_t at = all.find(name); at != std::string_view::npos; at = all.find(name, at + 1)) {
    const bool startsWord = at == 0 || all[at - 1] == ' ';
    const size_t end = at + name.size();
    const bool endsWord = end == all.size() || all[end] == ' ';
    if (startsWord && endsWord) return true;
  }
  return false;
}

bool glEntryPointOffered(std::string_view name, const char* versionString, const char* extensions) {
  if (versionString == nullptr) return false;
  const GlEntryPointRow* begin = kGlProviderTable;
  const GlEntryPointRow* end = kGlProviderTable + kGlProviderRowCount;
  const GlEntryPointRow* first =
      std::lower_bound(begin, end, name,
                       [](const GlEntryPointRow& row, std::string_view n) { return row.name < n; });
  const int contextVersion = glContextVersion(versionString);
  bool offered = false;
  for (const GlEntryPointRow* row = first; row != end && row->name == name; ++row) {
    const int version = glProviderVersion(row->provider);
    if (version >= 0 && version <= kLastExportedVersion) return false;
    if (version >= 0 ? version <= contextVersion : hasGlExtensionWord(extensions, row->provider)) {
      offered = true;
    }
  }
  return offered;
}

}  // namespace korvane
