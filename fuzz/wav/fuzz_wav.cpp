// Feeds arbitrary bytes to the WAV reader; an accepted sound must be whole frames the device
// can take, every byte of them readable.
#include <cstddef>
#include <cstdint>

#include "runtime/sound/wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::MemorySource source(data, size);
  korvane::WaveSound sound;
  if (korvane::readWaveFile(source, sound)) {
    const auto& f = sound.format;
    if ((f.channels != 1 && f.channels != 2) || (f.bitsPerSample != 8 && f.bitsPerSample != 16) ||
        sound.blockAlign != f.channels * f.bitsPerSample / 8 || sound.samples.size() > size) {
      __builtin_trap();
    }
    volatile uint8_t sink = 0;
    for (size_t i = 0; i < sound.samples.size(); i += 509) sink = sink + sound.samples[i];
    sink = sink + sound.samples.back();
  }
  return 0;
}
