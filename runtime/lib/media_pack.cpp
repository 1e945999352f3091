#include "runtime/lib/media_pack.h"

#include <lzo/lzo1x.h>

#include <cstring>

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

// Positions inside the pack where a directory or data offset is counted from.
struct PackLayout {
  int64_t size = 0;
  int64_t directoryStart = 0;
  bool fromEnd = false;
};

MediaPackLookup readTrailer(const MediaPackSource& pack, PackLayout& layout) {
  layout.size = pack.size();
  if (layout.size < kMediaPackTrailerSize) return MediaPackLookup::kNotAPack;
  uint8_t trailer[kMediaPackTrailerSize];
  if (!pack.readAt(layout.size - kMediaPackTrailerSize, trailer, sizeof trailer)) {
    return MediaPackLookup::kNotAPack;
  }
  if (std::memcmp(trailer, kMediaPackMagic, sizeof kMediaPackMagic) != 0) {
    return MediaPackLookup::kNotAPack;
  }
  int32_t offset = littleEndian32(trailer + 3);
  layout.fromEnd = offset < 0;
  layout.directoryStart = layout.fromEnd ? layout.size + offset : offset;
  return MediaPackLookup::kFound;
}

// Reads the record at `position`; false at the directory's end marker. `damaged` is set when
// the record does not fit inside the file.
bool readRecord(const MediaPackSource& pack, const PackLayout& layout, int64_t& position,
                MediaPackEntry& entry, bool& damaged) {
  damaged = true;
  if (position < 0 || position >= layout.size) return false;
  uint8_t nameLength = 0;
  if (!pack.readAt(position, &nameLength, 1)) return false;
  if (nameLength == 0) {
    damaged = false;
    return false;
  }
  if (position + 1 + nameLength + 8 > layout.size) return false;
  char name[255];
  uint8_t numbers[8];
  if (!pack.readAt(position + 1, name, nameLength) ||
      !pack.readAt(position + 1 + nameLength, numbers, sizeof numbers)) {
    return false;
  }
  entry.name.assign(name, nameLength);
  entry.dataOffset = littleEndian32(numbers);
  entry.storedSize = littleEndian32(numbers + 4);
  entry.dataStart = layout.fromEnd ? layout.size + entry.dataOffset : entry.dataOffset;
  position += 1 + nameLength + 8;
  damaged = false;
  return true;
}

}  // namespace

bool MemoryPackSource::readAt(int64_t offset, void* buffer, size_t count) const {
  if (offset < 0 || static_cast<uint64_t>(offset) > size_ || count > size_ - offset) return false;
  if (count > 0) std::memcpy(buffer, data_ + offset, count);
  return true;
}

std::string_view mediaPackLookupName(std::string_view requestedPath) {
  size_t cut = requestedPath.find_last_of("/\\");
  return cut == std::string_view::npos ? requestedPath : requestedPath.substr(cut + 1);
}

MediaPackLookup findMediaPackEntry(const MediaPackSource& pack, std::string_view name,
                                   MediaPackEntry& entry) {
  PackLayout layout;
  MediaPackLookup status = readTrailer(pack, layout);
  if (status != MediaPackLookup::kFound) return status;
  int64_t position = layout.directoryStart;
  MediaPackEntry record;
  bool damaged = false;
  while (readRecord(pack, layout, position, record, damaged)) {
    if (namesMatch(record.name, name)) {
      entry = record;
      return MediaPackLookup::kFound;
    }
  }
  return damaged ? MediaPackLookup::kDamaged : MediaPackLookup::kNotFound;
}

MediaPackLookup listMediaPackEntries(const MediaPackSource& pack,
                                     std::vector<MediaPackEntry>& entries) {
  entries.clear();
  PackLayout layout;
  MediaPackLookup status = readTrailer(pack, layout);
  if (status != MediaPackLookup::kFound) return status;
  int64_t position = layout.directoryStart;
  MediaPackEntry record;
  bool damaged = false;
  while (readRecord(pack, layout, position, record, damaged)) entries.push_back(record);
  return damaged ? MediaPackLookup::kDamaged : MediaPackLookup::kFound;
}

bool extractMediaPackEntry(const MediaPackSource& pack, const MediaPackEntry& entry,
                           std::vector<uint8_t>& out) {
  out.clear();
  static const bool lzoReady = lzo_init() == LZO_E_OK;
  if (!lzoReady) return false;
  const int64_t size = pack.size();
  if (entry.storedSize < kMediaPackRawSizeBytes || entry.dataStart < 0 || entry.dataStart > size ||
      entry.storedSize > size - entry.dataStart) {
    return false;
  }
  // LZO1X never grows data by more than a sixteenth plus a few bytes; anything longer is not
  // an entry the cap would accept.
  const int64_t compressedSize = entry.storedSize - kMediaPackRawSizeBytes;
  constexpr int64_t kMaxCompressed = kMediaPackMaxRawSize + kMediaPackMaxRawSize / 16 + 67;
  // The decompressor looks at its first byte before any bounds check; the shortest stream (the
  // end marker alone) is 3 bytes.
  constexpr int64_t kMinCompressed = 3;
  if (compressedSize < kMinCompressed || compressedSize > kMaxCompressed) return false;

  uint8_t rawWord[kMediaPackRawSizeBytes];
  if (!pack.readAt(entry.dataStart, rawWord, sizeof rawWord)) return false;
  const int32_t rawSize = littleEndian32(rawWord);
  if (rawSize < 0 || static_cast<uint32_t>(rawSize) > kMediaPackMaxRawSize) return false;
  // No LZO1X instruction yields more than 255 bytes per input byte, so a larger claim is
  // damage; refusing it here keeps a tiny entry from allocating the whole cap.
  constexpr int64_t kMaxExpansion = 256;
  if (rawSize > compressedSize * kMaxExpansion + kMaxExpansion) return false;

  std::vector<uint8_t> compressed(static_cast<size_t>(compressedSize));
  if (!pack.readAt(entry.dataStart + kMediaPackRawSizeBytes, compressed.data(),
                   compressed.size())) {
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
