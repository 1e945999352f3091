// Feeds arbitrary bytes to the pack reader as a whole pack: directory walk, lookup and
// decompression of every entry the walk finds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/lib/media_pack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::MemorySource pack(data, size);
  korvane::MediaPackEntry entry;
  std::vector<uint8_t> out;
  if (korvane::findMediaPackEntry(pack, "image.png", entry) == korvane::MediaPackLookup::kFound) {
    korvane::extractMediaPackEntry(pack, entry, out);
  }
  std::vector<korvane::MediaPackEntry> entries;
  korvane::listMediaPackEntries(pack, entries);
  size_t extracted = 0;
  for (const korvane::MediaPackEntry& e : entries) {
    if (++extracted > 16) break;
    korvane::MediaPackEntry found;
    if (korvane::findMediaPackEntry(pack, e.name, found) == korvane::MediaPackLookup::kFound &&
        korvane::extractMediaPackEntry(pack, found, out) &&
        out.size() > korvane::kMediaPackMaxRawSize) {
      __builtin_trap();  // the cap was not enforced
    }
  }
  return 0;
}
