// The sound device inside the real start-up and shutdown: opened for the main window, usable
// by the program's commands, and gone with every slot after the shutdown.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "runtime/core/startup.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/sound/sound_device.h"
#include "tests/sound/sound_test_files.h"
#include "tests/support/files.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// The mixer's silent output, and none of the user's configuration.
class NullOutputEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const fs::path dir = fs::path(::testing::TempDir()) / "korvane-sound-runtime";
    fs::create_directories(dir / "home");
    testing::writeFile(dir / "alsoft.conf", "[general]\ndrivers = null\n");
    setenv("ALSOFT_CONF", (dir / "alsoft.conf").c_str(), 1);
    setenv("HOME", (dir / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "home").c_str(), 1);
  }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new NullOutputEnvironment);

TEST(SoundRuntimeTest, StartUpOpensTheDeviceAndShutdownReleasesIt) {
  const fs::path file = fs::path(::testing::TempDir()) / "korvane-sound-runtime" / "beep.wav";
  testing::writeFile(file, testing::waveFileOf(testing::sineSamples(22050, 441, 0.5)));
  projectSettings() = ProjectSettings{};
  ASSERT_EQ(startRuntime(nullptr, nullptr, "", kShowDefault, "Sound test"), 0);
  ASSERT_NE(soundDevice(), nullptr);
  EXPECT_NE(soundDevice()->output, nullptr);
  loadSound(RtString(file.string()), 2, 2);
  EXPECT_EQ(soundDevice()->slots[2].channelCount, 2);
  const double channel = playSound(2, 0, 1);
  EXPECT_EQ(channel, 2 * 256);
  EXPECT_EQ(isSoundPlaying(channel), 1);

  shutdownRuntime();
  EXPECT_EQ(soundDevice(), nullptr);
  EXPECT_EQ(playSound(2, 0, 1), -1);
}

}  // namespace
}  // namespace korvane
