// The WAV reader over files made to measure: what loads and with which format, and every
// damaged or unplayable layout that must fail without reading past the bytes.
#include "runtime/sound/wav_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/lib/byte_source.h"
#include "tests/sound/sound_test_files.h"

namespace korvane {
namespace {

using testing::WaveChunk;
using testing::WaveLayout;

const std::string kData = testing::sineSamples(64, 441, 0.5);

WaveLayout layout(void (*change)(WaveLayout&)) {
  WaveLayout s;
  s.data = kData;
  change(s);
  return s;
}

struct Case {
  const char* name;
  WaveLayout file;
  bool loads;
  int channels = 1;  // what a loading file plays with
  int bits = 16;
  uint32_t rate = 22050;
};

const std::vector<Case>& cases() {
  static const std::vector<Case> table = {
      {"fmt 16 then data", layout([](WaveLayout&) {}), true},
      {"ids not compared", layout([](WaveLayout& s) { s.riff = "JUNK"; }), true},
      {"30-byte fmt chunk", layout([](WaveLayout& s) {
         s.fmtSize = 30;
         s.fmtExtra = std::string(14, '\x01');
       }),
       true},
      // The 14-byte skip swallows the data header behind an 18-byte chunk.
      {"18-byte fmt chunk then data", layout([](WaveLayout& s) {
         s.fmtSize = 18;
         s.fmtExtra = std::string(2, '\0');
       }),
       false},
      {"fact chunk between", layout([](WaveLayout& s) {
         s.before = {WaveChunk{"fact", std::string(4, '\x07')}};
       }),
       true},
      {"fact chunk past the end", layout([](WaveLayout& s) {
         s.before = {WaveChunk{"fact", "", 0x7FFFFFF0}};
       }),
       false},
      {"list chunk before data", layout([](WaveLayout& s) {
         s.before = {WaveChunk{"LIST", "INFOabcd"}};
       }),
       false},
      {"fact then list", layout([](WaveLayout& s) {
         s.before = {WaveChunk{"fact", "abcd"}, WaveChunk{"LIST", "INFO"}};
       }),
       false},
      {"non-PCM tag played as PCM", layout([](WaveLayout& s) { s.formatTag = 0x55; }), true},
      {"8-bit stereo", layout([](WaveLayout& s) {
         s.channels = 2;
         s.bits = 8;
       }),
       true, 2, 8},
      {"six channels become two", layout([](WaveLayout& s) { s.channels = 6; }), true, 2},
      {"six channels with their own block alignment", layout([](WaveLayout& s) {
         s.channels = 6;
         s.blockAlign = 12;
       }),
       false},
      {"channel count 0 is one channel", layout([](WaveLayout& s) { s.channels = 0; }), true},
      {"block alignment 0", layout([](WaveLayout& s) { s.blockAlign = 0; }), false},
      {"24-bit samples", layout([](WaveLayout& s) {
         s.bits = 24;
         s.blockAlign = 3;
       }),
       false},
      {"rate 99", layout([](WaveLayout& s) { s.rate = 99; }), false},
      {"rate 100", layout([](WaveLayout& s) { s.rate = 100; }), true, 1, 16, 100},
      {"rate 200000", layout([](WaveLayout& s) { s.rate = 200000; }), true, 1, 16, 200000},
      {"rate 200001", layout([](WaveLayout& s) { s.rate = 200001; }), false},
      {"data size 3", layout([](WaveLayout& s) { s.data = "abc"; }), false},
      {"data size 4", layout([](WaveLayout& s) { s.data = "abcd"; }), true},
      {"data size beyond the limit", layout([](WaveLayout& s) { s.dataSize = 0x10000000; }), false},
      {"truncated data", layout([](WaveLayout& s) { s.dataSize = 129; }), false},
  };
  return table;
}

TEST(WavReaderTest, TableOfGoodAndBadFiles) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const std::string bytes = testing::waveFileBytes(c.file);
    MemorySource source(bytes.data(), bytes.size());
    WaveSound sound;
    ASSERT_EQ(readWaveFile(source, sound), c.loads);
    if (!c.loads) continue;
    EXPECT_EQ(sound.format.channels, c.channels);
    EXPECT_EQ(sound.format.bitsPerSample, c.bits);
    EXPECT_EQ(sound.format.samplesPerSecond, static_cast<int>(c.rate));
    EXPECT_EQ(sound.blockAlign, c.channels * c.bits / 8);
    EXPECT_EQ(sound.bytesPerSecond, static_cast<int>(c.rate) * sound.blockAlign);
    EXPECT_EQ(std::string(sound.samples.begin(), sound.samples.end()), c.file.data);
  }
}

TEST(WavReaderTest, EveryShortenedFileFailsAndNoneReadsPastItsEnd) {
  const std::string bytes = testing::waveFileBytes(layout([](WaveLayout& s) {
    s.before = {WaveChunk{"fact", std::string(4, '\x07')}};
  }));
  for (size_t size = 0; size < bytes.size(); ++size) {
    MemorySource source(bytes.data(), size);
    WaveSound sound;
    EXPECT_FALSE(readWaveFile(source, sound)) << size << " bytes";
  }
}

}  // namespace
}  // namespace korvane
