// The WAV reader: the RIFF WAVE layout as the sound slots take it, from any byte source, every
// size checked against the bytes that are really there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/lib/byte_source.h"
#include "runtime/platform/audio.h"

namespace korvane {

// The fixed header block: RIFF header, fmt chunk header and the 16 bytes of a plain fmt chunk.
inline constexpr size_t kWaveHeaderSize = 36;
// What a fmt chunk of any other size has skipped after the header block (the 30-byte chunk).
inline constexpr size_t kWaveFmtExtraSkip = 14;
inline constexpr uint32_t kWavePlainFmtSize = 16;
inline constexpr size_t kWaveChunkHeaderSize = 8;

// Accepted ranges: anything outside is refused before a byte of sample data is allocated.
inline constexpr uint32_t kWaveMinRate = 100;
inline constexpr uint32_t kWaveMaxRate = 200000;
inline constexpr uint32_t kWaveMinDataSize = 4;
inline constexpr uint32_t kWaveMaxDataSize = 0x0FFFFFFF;

// A sound as the device takes it: format tag always PCM, channels 1 or 2 (the file's count
// above 1 becomes 2), the data chunk's bytes as they were.
struct WaveSound {
  platform::PcmFormat format;
  int blockAlign = 0;
  int bytesPerSecond = 0;  // rate × block alignment
  std::vector<uint8_t> samples;
};

// Parses `file` into `sound`. False (with `sound` unspecified) for a header shorter than 36
// bytes, a chunk other than "fact" between the fmt and the data chunk, a "fact" or data chunk
// running past the end, and every format outside what the device can play: bits other than 8
// or 16, a block alignment other than channels × bits / 8, a rate or data size out of range.
bool readWaveFile(const ByteSource& file, WaveSound& sound);

}  // namespace korvane
