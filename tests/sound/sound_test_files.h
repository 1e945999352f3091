// WAV files made to measure for the sound suites, and the reader of what the mixer wrote.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvane::testing {

struct WaveChunk {
  std::string id;  // four characters
  std::string payload;
  int64_t declaredSize = -1;  // -1: the payload's size
};

// The fields of a WAV file as the sound loader reads them; the defaults make a valid
// one-channel 16-bit file at 22050 Hz.
struct WaveLayout {
  std::string riff = "RIFF";
  uint32_t fmtSize = 16;
  std::string fmtExtra;  // bytes after the 16-byte fmt fields (30-byte chunk: 14 of them)
  uint16_t formatTag = 1;
  uint16_t channels = 1;
  uint32_t rate = 22050;
  int blockAlign = -1;  // -1: channels (1 or 2) × bits / 8
  uint16_t bits = 16;
  std::vector<WaveChunk> before;  // chunks between fmt and data
  std::string data;
  int64_t dataSize = -1;  // -1: the data's size
};

std::string waveFileBytes(const WaveLayout& layout);
// A valid one-channel 16-bit file at 22050 Hz holding `samples`.
std::string waveFileOf(const std::string& samples);

// `frames` frames of a sine at `hertz`, peak `amplitude` (of full scale), 16-bit; `channels`
// interleaved copies with the amplitude of channel c scaled by `channelScale[c]`.
std::string sineSamples(int frames, double hertz, double amplitude, int channels = 1,
                        std::vector<double> channelScale = {});

// The stereo float output of the mixer's wave-file writer.
struct Capture {
  bool valid = false;
  uint16_t formatTag = 0;
  std::vector<float> left;
  std::vector<float> right;
};
Capture readCapture(const std::filesystem::path& path);

// Largest magnitude, and the number of samples from the first to the last one above `floor`.
float peak(const std::vector<float>& samples);
size_t soundingSpan(const std::vector<float>& samples, float floor = 1e-6f);
size_t firstSounding(const std::vector<float>& samples, float floor = 1e-6f);

}  // namespace korvane::testing
