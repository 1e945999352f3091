// Without an output device every sound command quietly does nothing: loads leave the slot
// empty, plays give -1, nothing is playing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "runtime/platform/audio.h"
#include "runtime/sound/sound_device.h"
#include "tests/sound/sound_test_files.h"
#include "tests/support/files.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

testing::ProcessTmpDir* folder = nullptr;

// A driver list that names no driver there is, and none of the user's configuration.
class NoDriverEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    folder = new testing::ProcessTmpDir("korvane-nosound-");
    const std::filesystem::path home = folder->path() / "home";
    std::filesystem::create_directories(home);
    testing::writeFile(folder->path() / "alsoft.conf", "[general]\n");
    setenv("ALSOFT_CONF", (folder->path() / "alsoft.conf").c_str(), 1);
    setenv("ALSOFT_DRIVERS", "nosuch", 1);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  }
  void TearDown() override {
    delete folder;
    folder = nullptr;
  }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new NoDriverEnvironment);

TEST(NoSoundDeviceTest, NoOutputOpens) {
  EXPECT_EQ(platform::openAudioDevice(kSoundMixRate, 8), nullptr);
}

TEST(NoSoundDeviceTest, EveryCommandDoesNothing) {
  const std::string file = (folder->path() / "s.wav").string();
  testing::writeFile(file, testing::waveFileOf(testing::sineSamples(256, 441, 0.5)));
  // Before the start-up made the device, and after it failed to open one.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    loadSound(RtString(file), 0, 2);
    EXPECT_EQ(playSound(0, 0, 1), -1);
    EXPECT_EQ(isSoundPlaying(0), 0);
    EXPECT_EQ(isSoundPlaying(-1), 0);
    stopAllSounds();
    if (round == 0) {
      createSoundDevice();
      EXPECT_FALSE(openSoundDevice(*soundDevice(), nullptr));
      setSoundWindow(*soundDevice(), nullptr);
    }
  }
  EXPECT_EQ(soundDevice()->slots[0].channelCount, 0);
  closeSoundDevice();
  EXPECT_EQ(soundDevice(), nullptr);
}

}  // namespace
}  // namespace korvane
