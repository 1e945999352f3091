// The "sbX" media pack: trailer, directory walk and LZO1X entry decompression.
// A pack is untrusted input: every length and offset is checked against the file before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/lib/byte_source.h"

namespace korvane {

// Last 7 bytes of a pack: the magic, then the signed little-endian directory offset.
inline constexpr char kMediaPackMagic[3] = {'s', 'b', 'X'};
inline constexpr int64_t kMediaPackTrailerSize = 7;
// Entries that claim to grow beyond this are refused rather than allocated.
inline constexpr uint32_t kMediaPackMaxRawSize = 256u << 20;
// An entry's stored data starts with its 32-bit raw size.
inline constexpr int32_t kMediaPackRawSizeBytes = 4;

// One directory record.
struct MediaPackEntry {
  std::string name;
  int32_t dataOffset = 0;  // as stored: from the start, or from the end in a negative pack
  int32_t storedSize = 0;  // raw-size word plus compressed bytes
  // Absolute position of the stored data; empty when the offset points before the start or
  // past the end of the pack.
  std::optional<uint64_t> dataStart;
};

enum class MediaPackLookup {
  kFound,
  kNotFound,  // the directory ended without a match
  kNotAPack,  // too short, or the trailer lacks the magic
  kDamaged,   // the directory runs outside the file
};

// The name a requested path is looked up by: the part after its last "/" or "\".
std::string_view mediaPackLookupName(std::string_view requestedPath);

// Walks the directory until an entry whose name equals `name` without regard to ASCII case.
// Entry names holding "/", "\" or a zero byte never match. On kFound fills `entry`.
MediaPackLookup findMediaPackEntry(const ByteSource& pack, std::string_view name,
                                   MediaPackEntry& entry);

// Reads and decompresses an entry into `out`. False (out empty) when the stored data lies
// outside the pack, the raw size is negative or above kMediaPackMaxRawSize, or the LZO1X data
// does not decompress to exactly the raw size.
bool extractMediaPackEntry(const ByteSource& pack, const MediaPackEntry& entry,
                           std::vector<uint8_t>& out);

// Every directory record in order (the pack tool's listing). kFound when the walk reached the
// directory's end.
MediaPackLookup listMediaPackEntries(const ByteSource& pack, std::vector<MediaPackEntry>& entries);

}  // namespace korvane
