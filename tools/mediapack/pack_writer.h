// Builds a media pack in memory: each file LZO1X-compressed, then the directory, then the
// trailer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::mediapack {

struct PackInput {
  std::string name;  // stored without any directory part
  std::vector<uint8_t> data;
};

// Offsets from the start of the pack (positive) or from its end (negative; such a pack still
// reads correctly when it is appended to another file).
enum class OffsetSign { kPositive, kNegative };

// The pack's bytes, or false with `error` set (a name empty or longer than 255 bytes, or a
// pack too big for 32-bit offsets).
bool buildPack(const std::vector<PackInput>& files, OffsetSign sign, std::vector<uint8_t>& pack,
               std::string& error);

}  // namespace korvane::mediapack
