// The sound commands against the real mixer, writing its output to a wave file that the tests
// read back after closeSoundDevice. The mixer's configuration is read once per process, so
// this suite has the wave output to itself.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "runtime/lib/media_resolver.h"
#include "runtime/sound/sound_device.h"
#include "tests/sound/sound_test_files.h"
#include "tests/support/child_program.h"
#include "tests/support/files.h"
#include "tests/support/private_tmpdir.h"
#include "tools/mediapack/pack_writer.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using testing::Capture;
using testing::WaveLayout;

constexpr int kShortFrames = 2205;  // 0.1 s: the output is written in real time
constexpr int kLongFrames = 11025;  // 0.5 s

testing::ProcessTmpDir* folder = nullptr;

fs::path outputPath() { return folder->path() / "mixed.wav"; }

// Wave output, float samples, plain stereo panning and nothing of the user's configuration.
class WaveOutputEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    folder = new testing::ProcessTmpDir("korvane-sound-");
    const fs::path home = folder->path() / "home";
    fs::create_directories(home);
    testing::writeFile(folder->path() / "alsoft.conf",
                       "[general]\ndrivers = wave\nsample-type = float32\nhrtf = false\n"
                       "channels = stereo\nstereo-encoding = panpot\noutput-limiter = false\n"
                       "[wave]\nfile = " +
                           outputPath().string() + "\n");
    setenv("ALSOFT_CONF", (folder->path() / "alsoft.conf").c_str(), 1);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  }
  void TearDown() override {
    delete folder;
    folder = nullptr;
  }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WaveOutputEnvironment);

std::string sine(int frames, double amplitude = 0.5) {
  return testing::sineSamples(frames, 441, amplitude);
}

class SoundOutputTest : public ::testing::Test {
 protected:
  void SetUp() override { open(); }
  void TearDown() override { closeSoundDevice(); }

  void open() {
    createSoundDevice();
    ASSERT_TRUE(openSoundDevice(*soundDevice(), nullptr));
  }
  // Ends the session and reads what the mixer wrote (its sizes are final only now).
  Capture finish() {
    closeSoundDevice();
    Capture capture = testing::readCapture(outputPath());
    EXPECT_TRUE(capture.valid);
    EXPECT_EQ(capture.formatTag, 0xFFFE);
    return capture;
  }
  static std::string writeSound(const std::string& name, const WaveLayout& layout) {
    const fs::path path = folder->path() / name;
    fs::create_directories(path.parent_path());
    testing::writeFile(path, testing::waveFileBytes(layout));
    return path.string();
  }
  static std::string writeSound(const std::string& name, const std::string& data) {
    WaveLayout layout;
    layout.data = data;
    return writeSound(name, layout);
  }
  static bool waitForEnd(double channel) {
    return testing::waitUntil([channel] { return isSoundPlaying(channel) == 0; }, 5);
  }
};

double decibels(float out, float in) { return 20 * std::log10(out / in); }

TEST_F(SoundOutputTest, PanAndVolumeSetTheLevelOfEachSide) {
  constexpr double kSilent = -1000;  // exactly 0 in the output
  const struct {
    const char* name;
    double pan, volume;
    bool stereo;
    double left, right;  // dB against the input
  } rows[] = {
      {"centre", 0, 1, false, 0, 0},
      {"pan 1", 1, 1, false, kSilent, 0},
      {"pan -1", -1, 1, false, 0, kSilent},
      {"pan 5", 5, 1, false, kSilent, 0},
      {"pan -3", -3, 1, false, 0, kSilent},
      {"volume 0.5", 0, 0.5, false, -50, -50},
      {"volume 2", 0, 2, false, 0, 0},
      {"volume -1", 0, -1, false, kSilent, kSilent},
      {"half right at half volume", 0.5, 0.5, false, kSilent, -50},
      {"stereo at pan 1", 1, 1, true, kSilent, 0},
      {"stereo at pan 0", 0, 1, true, 0, 0},
  };
  // The stereo file's right channel is 6 dB below its left, so the sides are told apart.
  const std::string mono = writeSound("mono.wav", sine(kShortFrames));
  WaveLayout stereoSpec;
  stereoSpec.channels = 2;
  stereoSpec.data = testing::sineSamples(kShortFrames, 441, 0.5, 2, {1.0, 0.5});
  const std::string stereo = writeSound("stereo.wav", stereoSpec);
  const float monoPeak = std::round(0.5f * 32767) / 32768;  // the sine hits its crest
  const float stereoPeaks[2] = {monoPeak, std::round(0.25f * 32767) / 32768};

  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    loadSound(RtString(row.stereo ? stereo : mono), 3, 1);
    const double channel = playSound(3, row.pan, row.volume);
    ASSERT_EQ(channel, 3 * 256);
    ASSERT_TRUE(waitForEnd(channel));
    const Capture capture = finish();
    const float* inputs = row.stereo ? stereoPeaks : nullptr;
    const std::vector<float>* sides[2] = {&capture.left, &capture.right};
    const double expected[2] = {row.left, row.right};
    for (int side = 0; side < 2; ++side) {
      const float out = testing::peak(*sides[side]);
      const float in = inputs != nullptr ? inputs[side] : monoPeak;
      if (expected[side] == kSilent) {
        EXPECT_EQ(out, 0.0f) << "side " << side;
      } else {
        EXPECT_NEAR(decibels(out, in), expected[side], 0.1) << "side " << side;
      }
    }
    open();
  }
}

TEST_F(SoundOutputTest, OneChannelSoundIsNotRestartedWhileItPlays) {
  loadSound(RtString(writeSound("one.wav", sine(kLongFrames))), 0, 1);
  const double first = playSound(0, 0, 1);
  ASSERT_EQ(first, 0);
  EXPECT_EQ(playSound(0, 0, 1), -1);
  EXPECT_EQ(isSoundPlaying(first), 1);
  ASSERT_TRUE(waitForEnd(first));
  const Capture capture = finish();
  // Played once, from start to end: a restart would have lengthened the sound.
  EXPECT_NEAR(static_cast<double>(testing::soundingSpan(capture.left)), kLongFrames, 30);
}

TEST_F(SoundOutputTest, PlaysGoRoundTheBuffersAndCutOffTheOldest) {
  const std::string file = writeSound("long.wav", sine(kLongFrames));
  const struct {
    double channels;
    std::vector<double> indices;  // of five quick plays; -1 for none
  } rows[] = {
      {3, {0, 1, 2, 0, 1}},
      {0, {0, -1, -1, -1, -1}},
      {-2, {0, -1, -1, -1, -1}},
      {7, {0, 1, 2, 3, 0}},
  };
  const int slot = 9;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.channels);
    loadSound(RtString(file), slot, row.channels);
    for (size_t i = 0; i < row.indices.size(); ++i) {
      const double want = row.indices[i] < 0 ? -1 : slot * 256 + row.indices[i];
      EXPECT_EQ(playSound(slot, 0, 1), want) << "play " << i;
    }
    for (double index : row.indices) {
      if (index >= 0) {
        EXPECT_EQ(isSoundPlaying(slot * 256 + index), 1) << index;
      }
    }
    stopAllSounds();
  }
}

TEST_F(SoundOutputTest, NumbersOutsideTheTableAddressTheLastSlotOrNone) {
  const std::string file = writeSound("high.wav", sine(kLongFrames));
  loadSound(RtString(file), 1000, 2);
  EXPECT_EQ(playSound(128, 0, 1), 127 * 256);
  EXPECT_EQ(playSound(1e10, 0, 1), 127 * 256 + 1);
  EXPECT_EQ(isSoundPlaying(127 * 256 + 1), 1);
  EXPECT_EQ(isSoundPlaying(127 * 256 + 2), 0);  // past the slot's channels
  EXPECT_EQ(isSoundPlaying(128 * 256), 0);      // past the table's commands
  EXPECT_EQ(isSoundPlaying(1e300), 0);
  EXPECT_EQ(isSoundPlaying(-1), 0);
  EXPECT_EQ(isSoundPlaying(std::nan("")), 0);
  EXPECT_EQ(playSound(std::nan(""), 0, 1), -1);
  EXPECT_EQ(playSound(-1, 0, 1), -1);
  EXPECT_EQ(playSound(5, 0, 1), -1);  // never loaded

  // A load into no slot leaves every slot as it was.
  loadSound(RtString(file), 0, 1);
  loadSound(RtString("missing.wav"), -3, 1);
  loadSound(RtString("missing.wav"), std::nan(""), 1);
  EXPECT_EQ(playSound(0, 0, 1), 0);
}

TEST_F(SoundOutputTest, PlayingUntilTheEndOrUntilEverySoundStops) {
  loadSound(RtString(writeSound("short.wav", sine(kShortFrames))), 1, 1);
  const double channel = playSound(1, 0, 1);
  ASSERT_EQ(channel, 256);
  EXPECT_EQ(isSoundPlaying(channel), 1);
  ASSERT_TRUE(waitForEnd(channel));
  EXPECT_EQ(isSoundPlaying(channel), 0);
  closeSoundDevice();
  open();

  loadSound(RtString(writeSound("second.wav", sine(4 * kLongFrames))), 2, 2);
  const double a = playSound(2, 0, 1);
  const double b = playSound(2, 0, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  stopAllSounds();
  EXPECT_EQ(isSoundPlaying(a), 0);
  EXPECT_EQ(isSoundPlaying(b), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const Capture capture = finish();
  // Two seconds of sound cut off after a tenth of one, give or take the mixer's periods.
  const size_t span = testing::soundingSpan(capture.left);
  EXPECT_GT(span, 0u);
  EXPECT_LT(span, static_cast<size_t>(kLongFrames));
}

TEST_F(SoundOutputTest, ReloadingAPlayingSlotStopsItAndPlaysTheNewSound) {
  const std::string file = writeSound("reload.wav", sine(4 * kLongFrames));
  loadSound(RtString(file), 4, 2);
  const double old = playSound(4, 0, 1);
  ASSERT_EQ(old, 4 * 256);
  loadSound(RtString(writeSound("reload2.wav", sine(kShortFrames))), 4, 1);
  EXPECT_EQ(isSoundPlaying(4 * 256 + 1), 0);  // that buffer went with the old load
  EXPECT_EQ(playSound(4, 0, 1), 4 * 256);
}

TEST_F(SoundOutputTest, NamesResolveOnDiskOrInAMediaPackAndBadFilesLeaveTheSlotEmpty) {
  const std::string good = writeSound("sounds/good.wav", sine(kShortFrames));
  WaveLayout listSpec;
  listSpec.data = sine(kShortFrames);
  listSpec.before = {testing::WaveChunk{"LIST", "INFO"}};
  writeSound("sounds/list.wav", listSpec);
  WaveLayout wideSpec;
  wideSpec.data = sine(kShortFrames);
  wideSpec.bits = 24;
  wideSpec.blockAlign = 3;
  writeSound("sounds/wide.wav", wideSpec);
  WaveLayout oddSpec;  // stereo with a part frame at the end, which is dropped
  oddSpec.channels = 2;
  oddSpec.data = testing::sineSamples(kShortFrames, 441, 0.5, 2) + "\x01\x02\x03";
  writeSound("sounds/odd.wav", oddSpec);
  const std::string dir = folder->path().string();
  const std::string fifo = dir + "/sounds/fifo.wav";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  std::vector<uint8_t> pack;
  std::string error;
  const std::string packed = testing::waveFileOf(sine(kShortFrames));
  ASSERT_TRUE(
      mediapack::buildPack({{"packed.wav", std::vector<uint8_t>(packed.begin(), packed.end())}},
                           mediapack::OffsetSign::kPositive, pack, error))
      << error;
  testing::writeFile(dir + "/media.sbx", std::string(pack.begin(), pack.end()));

  const struct {
    std::string name;
    bool loads;
  } rows[] = {
      {good, true},
      {dir + "\\sounds\\good.wav", true},
      {dir + "/sounds\\good.wav", true},
      {dir + "/sounds/missing.wav", false},
      {dir + "/sounds/list.wav", false},
      {dir + "/sounds/wide.wav", false},
      {dir + "/sounds/odd.wav", true},
      {dir + "/sounds", false},  // a directory
      {fifo, false},             // must not block
      {"packed.wav", true},      // from the pack, which sits in no folder searched
      {dir + "/" + std::string(1100, 'x') + ".wav", false},
  };
  setMediaPackOfBoth(dir + "/media.sbx");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name.substr(0, 80));
    // Loaded first, so that a failed load shows it empties the slot.
    loadSound(RtString(good), 6, 1);
    ASSERT_EQ(playSound(6, 0, 0), 6 * 256);
    stopAllSounds();
    loadSound(RtString(row.name), 6, 1);
    EXPECT_EQ(playSound(6, 0, 0), row.loads ? 6 * 256 : -1);
    stopAllSounds();
  }
  releaseMediaResolvers();
}

}  // namespace
}  // namespace korvane
