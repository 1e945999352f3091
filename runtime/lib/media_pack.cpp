#include "runtime/lib/media_pack.h"

#include <lzo/lzo1x.h>

#include <climits>
#include <cstring>
#include <optional>

namespace korvane {

namespace {

int32_t littleEndian32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool namesMatch(std::string_view entryName, std::string_view wanted) {
  if (entryName.size() != wanted.size() || wanted.empty()) return false;
  for (char c : entryName) {
    if (c == '/' || c == '\\' || c == '\0') return false;
  }
  for (size_t i = 0; i < wanted.size(); ++i) {
    if (asciiLower(entryName[i]) != asciiLower(wanted[i])) return false;
  }
  return true;
}

// Where the offsets of a pack are counted from.
struct PackLayout {
  uint64_t size = 0;
  bool fromEnd = false;
  std::optional<uint64_t> directoryStart;
};

// The absolute position a stored offset points at: counted from the start, or back from the
// end in a negative pack. Empty when that lies before the start or past the end. The checks
// are made on the signed value, before it becomes a position to read at.
std::optional<uint64_t> resolveOffset(const PackLayout& layout, int32_t stored) {
  const int64_t offset = stored;
  if (layout.fromEnd) {
    // Counted back from the end: a positive offset would point past it.
    if (offset > 0 || static_cast<uint64_t>(-offset) > layout.size) return std::nullopt;
    return layout.size - static_cast<uint64_t>(-offset);
  }
  if (offset < 0 || static_cast<uint64_t>(offset) > layout.size) return std::nullopt;
  return static_cast<uint64_t>(offset);
}

MediaPackLookup readTrailer(const ByteSource& pack, PackLayout& layout) {
  layout.size = pack.size();
  uint8_t trailer[kMediaPackTrailerSize];
  if (layout.size < sizeof trailer ||
      !pack.readAt(layout.size - sizeof trailer, trailer, sizeof trailer)) {
    return MediaPackLookup::kNotAPack;
  }
  if (std::memcmp(trailer, kMediaPackMagic, sizeof kMediaPackMagic) != 0) {
    return MediaPackLookup::kNotAPack;
  }
  const int32_t offset = littleEndian32(trailer + sizeof kMediaPackMagic);
  layout.fromEnd = offset < 0;
  layout.directoryStart = resolveOffset(layout, offset);
  return MediaPackLookup::kFound;
}

enum class RecordRead { kRecord, kEnd, kDamaged };

// Reads the record at `position` and moves past it. kDamaged when the record does not fit
// inside the pack.
RecordRead readRecord(const ByteSource& pack, const PackLayout& layout, uint64_t& position,
                      MediaPackEntry& entry) {
  uint8_t nameLength = 0;
  if (!pack.readAt(position, &nameLength, 1)) return RecordRead::kDamaged;
  if (nameLength == 0) return RecordRead::kEnd;
  constexpr size_t kNumberBytes = 8;  // data offset, stored size
  uint8_t record[UINT8_MAX + kNumberBytes];
  const size_t recordBytes = nameLength + kNumberBytes;
  if (!pack.readAt(position + 1, record, recordBytes)) return RecordRead::kDamaged;
  const uint8_t* numbers = record + nameLength;
  entry.name.assign(reinterpret_cast<const char*>(record), nameLength);
  entry.dataOffset = littleEndian32(numbers);
  entry.storedSize = littleEndian32(numbers + 4);
  entry.dataStart = resolveOffset(layout, entry.dataOffset);
  position += 1 + recordBytes;
  return RecordRead::kRecord;
}

// Hands the directory's records in order to `visit` until it returns true. kFound when
// `visit` stopped the walk, kNotFound when the walk reached the end marker.
template <typename Visit>
MediaPackLookup walkDirectory(const ByteSource& pack, Visit&& visit) {
  PackLayout layout;
  const MediaPackLookup status = readTrailer(pack, layout);
  if (status != MediaPackLookup::kFound) return status;
  if (!layout.directoryStart) return MediaPackLookup::kDamaged;
  uint64_t position = *layout.directoryStart;
  MediaPackEntry record;
  for (;;) {
    switch (readRecord(pack, layout, position, record)) {
      case RecordRead::kEnd:
        return MediaPackLookup::kNotFound;
      case RecordRead::kDamaged:
        return MediaPackLookup::kDamaged;
      case RecordRead::kRecord:
        if (visit(record)) return MediaPackLookup::kFound;
        break;
    }
  }
}

}  // namespace

std::string_view mediaPackLookupName(std::string_view requestedPath) {
  size_t cut = requestedPath.find_last_of("/\\");
  return cut == std::string_view::npos ? requestedPath : requestedPath.substr(cut + 1);
}

MediaPackLookup findMediaPackEntry(const ByteSource& pack, std::string_view name,
                                   MediaPackEntry& entry) {
  return walkDirectory(pack, [&](const MediaPackEntry& record) {
    if (!namesMatch(record.name, name)) return false;
    entry = record;
    return true;
  });
}

MediaPackLookup listMediaPackEntries(const ByteSource& pack, std::vector<MediaPackEntry>& entries) {
  entries.clear();
  const MediaPackLookup status = walkDirectory(pack, [&](const MediaPackEntry& record) {
    entries.push_back(record);
    return false;
  });
  return status == MediaPackLookup::kNotFound ? MediaPackLookup::kFound : status;
}

bool extractMediaPackEntry(const ByteSource& pack, const MediaPackEntry& entry,
                           std::vector<uint8_t>& out) {
  out.clear();
  static const bool lzoReady = lzo_init() == LZO_E_OK;
  if (!lzoReady) return false;
  if (entry.storedSize < kMediaPackRawSizeBytes || !entry.dataStart ||
      !rangeFits(pack.size(), *entry.dataStart, static_cast<uint64_t>(entry.storedSize))) {
    return false;
  }
  const uint64_t dataStart = *entry.dataStart;
  // LZO1X never grows data by more than a sixteenth plus a few bytes; anything longer is not
  // an entry the cap would accept.
  const int64_t compressedSize = entry.storedSize - kMediaPackRawSizeBytes;
  constexpr int64_t kMaxCompressed = kMediaPackMaxRawSize + kMediaPackMaxRawSize / 16 + 67;
  // The decompressor looks at its first byte before any bounds check; the shortest stream (the
  // end marker alone) is 3 bytes.
  constexpr int64_t kMinCompressed = 3;
  if (compressedSize < kMinCompressed || compressedSize > kMaxCompressed) return false;

  uint8_t rawWord[kMediaPackRawSizeBytes];
  if (!pack.readAt(dataStart, rawWord, sizeof rawWord)) return false;
  const int32_t rawSize = littleEndian32(rawWord);
  if (rawSize < 0 || static_cast<uint32_t>(rawSize) > kMediaPackMaxRawSize) return false;
  // No LZO1X instruction yields more than 255 bytes per input byte, so a larger claim is
  // damage; refusing it here keeps a tiny entry from allocating the whole cap.
  constexpr int64_t kMaxExpansion = 256;
  if (rawSize > compressedSize * kMaxExpansion + kMaxExpansion) return false;

  std::vector<uint8_t> compressed(static_cast<size_t>(compressedSize));
  if (!pack.readAt(dataStart + kMediaPackRawSizeBytes, compressed.data(), compressed.size())) {
    return false;
  }
  // One spare byte keeps the buffer valid for an empty entry; the capacity passed is exact.
  std::vector<uint8_t> raw(static_cast<size_t>(rawSize) + 1);
  lzo_uint produced = static_cast<lzo_uint>(rawSize);
  int result =
      lzo1x_decompress_safe(compressed.data(), compressed.size(), raw.data(), &produced, nullptr);
  if (result != LZO_E_OK || produced != static_cast<lzo_uint>(rawSize)) return false;
  raw.resize(static_cast<size_t>(rawSize));
  out = std::move(raw);
  return true;
}

}  // namespace korvane
