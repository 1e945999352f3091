#include "tests/sound/sound_test_files.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "tests/support/files.h"

namespace korvane::testing {

namespace {
void put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::string& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
uint32_t get32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
  return v;
}
}  // namespace

std::string waveFileBytes(const WaveLayout& layout) {
  const int channels = layout.channels > 1 ? 2 : 1;
  const int blockAlign = layout.blockAlign >= 0 ? layout.blockAlign : channels * layout.bits / 8;
  std::string body = "WAVE";
  body += "fmt ";
  put32(body, layout.fmtSize);
  put16(body, layout.formatTag);
  put16(body, layout.channels);
  put32(body, layout.rate);
  put32(body, layout.rate * static_cast<uint32_t>(blockAlign));
  put16(body, static_cast<uint32_t>(blockAlign));
  put16(body, layout.bits);
  body += layout.fmtExtra;
  for (const WaveChunk& chunk : layout.before) {
    body += chunk.id;
    put32(body, static_cast<uint32_t>(chunk.declaredSize >= 0 ? chunk.declaredSize
                                                              : chunk.payload.size()));
    body += chunk.payload;
  }
  body += "data";
  put32(body, static_cast<uint32_t>(layout.dataSize >= 0 ? layout.dataSize : layout.data.size()));
  body += layout.data;
  std::string file = layout.riff;
  put32(file, static_cast<uint32_t>(body.size()));
  return file + body;
}

std::string waveFileOf(const std::string& samples) {
  WaveLayout layout;
  layout.data = samples;
  return waveFileBytes(layout);
}

std::string sineSamples(int frames, double hertz, double amplitude, int channels,
                        std::vector<double> channelScale) {
  channelScale.resize(static_cast<size_t>(channels), 1.0);
  std::string out;
  for (int i = 0; i < frames; ++i) {
    const double s = std::sin(2 * std::numbers::pi * hertz * i / 22050.0) * amplitude;
    for (int c = 0; c < channels; ++c) {
      const auto v =
          static_cast<int16_t>(std::lround(s * channelScale[static_cast<size_t>(c)] * 32767));
      put16(out, static_cast<uint16_t>(v));
    }
  }
  return out;
}

Capture readCapture(const std::filesystem::path& path) {
  Capture capture;
  const std::string file = readFile(path);
  if (file.size() < 12 || file.compare(0, 4, "RIFF") != 0) return capture;
  bool floats = false;
  for (size_t at = 12; at + 8 <= file.size();) {
    const std::string id = file.substr(at, 4);
    const size_t size = get32(file, at + 4);
    const size_t body = at + 8;
    if (size > file.size() - body) return capture;
    if (id == "fmt " && size >= 16) {
      capture.formatTag = static_cast<uint16_t>(get32(file, body) & 0xFFFF);
      const uint32_t channels = get32(file, body + 2) & 0xFFFF;
      const uint32_t bits = get32(file, body + 14) & 0xFFFF;
      floats = channels == 2 && bits == 32;
    } else if (id == "data" && floats) {
      const size_t frames = size / 8;
      capture.left.resize(frames);
      capture.right.resize(frames);
      for (size_t i = 0; i < frames; ++i) {
        std::memcpy(&capture.left[i], &file[body + i * 8], 4);
        std::memcpy(&capture.right[i], &file[body + i * 8 + 4], 4);
      }
      capture.valid = true;
    }
    at = body + size + (size & 1);
  }
  return capture;
}

float peak(const std::vector<float>& samples) {
  float top = 0;
  for (float s : samples) top = std::max(top, std::fabs(s));
  return top;
}

size_t firstSounding(const std::vector<float>& samples, float floor) {
  for (size_t i = 0; i < samples.size(); ++i) {
    if (std::fabs(samples[i]) > floor) return i;
  }
  return samples.size();
}

size_t soundingSpan(const std::vector<float>& samples, float floor) {
  const size_t first = firstSounding(samples, floor);
  if (first == samples.size()) return 0;
  size_t last = samples.size() - 1;
  while (std::fabs(samples[last]) <= floor) --last;
  return last - first + 1;
}

}  // namespace korvane::testing
