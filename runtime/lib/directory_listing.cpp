#include "runtime/lib/directory_listing.h"

#include <vector>

#include "runtime/lib/string_functions.h"
#include "runtime/platform/directory.h"

namespace korvane {

namespace {
constexpr double kDirectoryWeight = 65536;
}  // namespace

double listDirectory(const RtString& pattern, RtArray<RtString>& names) {
  std::vector<platform::DirectoryEntry> entries;
  platform::readDirectory(".", entries);
  std::vector<const platform::DirectoryEntry*> directories;
  std::vector<const platform::DirectoryEntry*> files;
  RtString name;
  for (const platform::DirectoryEntry& entry : entries) {
    if (entry.isDirectory) {
      directories.push_back(&entry);
      continue;
    }
    name.assignBytes(entry.name.data(), entry.name.size());
    if (wildcardMatch(pattern, name) != 0) files.push_back(&entry);
  }
  const double total = static_cast<double>(directories.size() + files.size());
  dimensionArray(names, total);
  double index = 0;
  for (const auto* list : {&directories, &files}) {
    for (const platform::DirectoryEntry* entry : *list) {
      elementAt(names, index++).assignBytes(entry->name.data(), entry->name.size());
    }
  }
  return static_cast<double>(files.size()) +
         kDirectoryWeight * static_cast<double>(directories.size());
}

}  // namespace korvane
