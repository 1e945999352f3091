#include "tools/mediapack/pack_writer.h"

#include <lzo/lzo1x.h>

#include <cstring>
#include <limits>

#include "runtime/lib/media_pack.h"

namespace korvane::mediapack {

namespace {

void putLittleEndian32(std::vector<uint8_t>& out, int64_t value) {
  uint32_t v = static_cast<uint32_t>(static_cast<int32_t>(value));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool compress(const std::vector<uint8_t>& raw, std::vector<uint8_t>& out) {
  std::vector<uint8_t> work(LZO1X_999_MEM_COMPRESS);
  out.resize(raw.size() + raw.size() / 16 + 64 + 3);
  lzo_uint outLength = 0;
  // The best (slow) level: packs are made once and read many times.
  if (lzo1x_999_compress(raw.data(), raw.size(), out.data(), &outLength, work.data()) != LZO_E_OK) {
    return false;
  }
  out.resize(outLength);
  return true;
}

}  // namespace

bool buildPack(const std::vector<PackInput>& files, OffsetSign sign, std::vector<uint8_t>& pack,
               std::string& error) {
  if (lzo_init() != LZO_E_OK) {
    error = "the LZO library did not initialise";
    return false;
  }
  struct Placed {
    std::string name;
    int64_t start;
    int64_t storedSize;
  };
  std::vector<Placed> placed;
  pack.clear();
  for (const PackInput& file : files) {
    if (file.name.empty() || file.name.size() > 255 ||
        file.name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
      error = "bad entry name \"" + file.name + "\" (1 to 255 bytes, no directory part)";
      return false;
    }
    if (file.data.size() > kMediaPackMaxRawSize) {
      error = file.name + " is larger than an entry may be";
      return false;
    }
    std::vector<uint8_t> compressed;
    if (!compress(file.data, compressed)) {
      error = "compression of " + file.name + " failed";
      return false;
    }
    placed.push_back({file.name, static_cast<int64_t>(pack.size()),
                      kMediaPackRawSizeBytes + static_cast<int64_t>(compressed.size())});
    putLittleEndian32(pack, static_cast<int64_t>(file.data.size()));
    pack.insert(pack.end(), compressed.begin(), compressed.end());
  }
  const int64_t directoryStart = static_cast<int64_t>(pack.size());
  int64_t directorySize = 1;
  for (const Placed& p : placed) directorySize += 1 + static_cast<int64_t>(p.name.size()) + 8;
  const int64_t total = directoryStart + directorySize + kMediaPackTrailerSize;
  if (total > std::numeric_limits<int32_t>::max()) {
    error = "the pack would exceed 2 GiB";
    return false;
  }
  auto offset = [&](int64_t start) {
    return sign == OffsetSign::kNegative ? start - total : start;
  };
  for (const Placed& p : placed) {
    pack.push_back(static_cast<uint8_t>(p.name.size()));
    pack.insert(pack.end(), p.name.begin(), p.name.end());
    putLittleEndian32(pack, offset(p.start));
    putLittleEndian32(pack, p.storedSize);
  }
  pack.push_back(0);
  pack.insert(pack.end(), kMediaPackMagic, kMediaPackMagic + sizeof kMediaPackMagic);
  putLittleEndian32(pack, offset(directoryStart));
  return true;
}

}  // namespace korvane::mediapack
