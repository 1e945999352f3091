#include "runtime/sound/wav_reader.h"

#include <array>
#include <cstring>

namespace korvane {

namespace {
// Field offsets inside the 36-byte header block.
constexpr size_t kFmtSizeAt = 16;
constexpr size_t kChannelsAt = 22;
constexpr size_t kRateAt = 24;
constexpr size_t kBlockAlignAt = 32;
constexpr size_t kBitsAt = 34;

constexpr char kFactId[4] = {'f', 'a', 'c', 't'};
constexpr char kDataId[4] = {'d', 'a', 't', 'a'};

uint16_t u16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t u32At(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct ChunkHeader {
  std::array<uint8_t, kWaveChunkHeaderSize> bytes{};
  bool is(const char (&id)[4]) const { return std::memcmp(bytes.data(), id, 4) == 0; }
  uint32_t size() const { return u32At(bytes.data() + 4); }
};

bool readChunkHeader(const ByteSource& file, uint64_t& position, ChunkHeader& header) {
  if (!file.readAt(position, header.bytes.data(), header.bytes.size())) return false;
  position += header.bytes.size();
  return true;
}
}  // namespace

bool readWaveFile(const ByteSource& file, WaveSound& sound) {
  std::array<uint8_t, kWaveHeaderSize> header{};
  if (!file.readAt(0, header.data(), header.size())) return false;
  uint64_t position = header.size();
  const uint32_t fmtSize = u32At(&header[kFmtSizeAt]);
  const uint16_t fileChannels = u16At(&header[kChannelsAt]);
  const uint32_t rate = u32At(&header[kRateAt]);
  const uint16_t blockAlign = u16At(&header[kBlockAlignAt]);
  const uint16_t bits = u16At(&header[kBitsAt]);

  // A fmt chunk of another size is taken to be the 30-byte one, whatever it declares.
  if (fmtSize != kWavePlainFmtSize) {
    if (!rangeFits(file.size(), position, kWaveFmtExtraSkip)) return false;
    position += kWaveFmtExtraSkip;
  }
  ChunkHeader chunk;
  if (!readChunkHeader(file, position, chunk)) return false;
  if (chunk.is(kFactId)) {
    if (!rangeFits(file.size(), position, chunk.size())) return false;
    position += chunk.size();
    if (!readChunkHeader(file, position, chunk)) return false;
  }
  if (!chunk.is(kDataId)) return false;
  const uint32_t dataSize = chunk.size();

  const int channels = fileChannels > 1 ? 2 : 1;
  if (bits != 8 && bits != 16) return false;
  if (blockAlign != channels * bits / 8) return false;
  if (rate < kWaveMinRate || rate > kWaveMaxRate) return false;
  if (dataSize < kWaveMinDataSize || dataSize > kWaveMaxDataSize) return false;
  if (!rangeFits(file.size(), position, dataSize)) return false;

  sound.format.channels = channels;
  sound.format.bitsPerSample = bits;
  sound.format.samplesPerSecond = static_cast<int>(rate);
  sound.blockAlign = blockAlign;
  sound.bytesPerSecond = static_cast<int>(rate * blockAlign);
  sound.samples.resize(dataSize);
  return file.readAt(position, sound.samples.data(), dataSize);
}

}  // namespace korvane
