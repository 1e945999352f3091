// Desktop services without a window: the chooser's filter list, the video's rectangle,
// programs started through the shell, and music played on the player's silent output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "runtime/core/desktop_services_internal.h"
#include "runtime/platform/media_player.h"
#include "runtime/platform/process.h"
#include "tests/support/child_program.h"

namespace korvane {
namespace {

using platform::FileFilter;

TEST(DesktopFiltersTest, FilterTextBecomesTheChoosersList) {
  struct Row {
    std::string text;
    std::vector<FileFilter> filters;
  };
  const Row rows[] = {
      {"", {}},
      {"Pictures|*.bmp;*.png", {{"Pictures", {"*.bmp", "*.png"}}}},
      {"Text|*.txt|All|*.*", {{"Text", {"*.txt"}}, {"All", {"*"}}}},
      // Blanks around the patterns go; an empty pattern between ";" is no pattern.
      {"Mixed| *.a ; ;*.b |", {{"Mixed", {"*.a", "*.b"}}}},
      // An empty part ends the list, as the two zero bytes end it.
      {"A|*.a||B|*.b", {{"A", {"*.a"}}}},
      {"A||B|*.b", {}},
      // A label without its patterns is dropped.
      {"A|*.a|B", {{"A", {"*.a"}}}},
  };
  for (const Row& row : rows) {
    const std::vector<FileFilter> got = chooserFilters(row.text);
    ASSERT_EQ(got.size(), row.filters.size()) << row.text;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].label, row.filters[i].label) << row.text;
      EXPECT_EQ(got[i].patterns, row.filters[i].patterns) << row.text;
    }
  }
  // Only 1022 characters are used: a pattern that starts past them is not seen.
  const std::string longLabel(1015, 'L');
  const std::vector<FileFilter> cut = chooserFilters(longLabel + "|*.abcdef|B|*.b");
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_EQ(cut[0].patterns, std::vector<std::string>{"*.abcd"});
}

TEST(DesktopVideoRectangleTest, PictureIsFittedAndCentred) {
  struct Row {
    int clientWidth, clientHeight, pictureWidth, pictureHeight;
    VideoRectangle expected;
  };
  const Row rows[] = {
      {640, 480, 320, 240, {0, 0, 640, 480}},
      {800, 480, 320, 240, {80, 0, 640, 480}},
      {640, 640, 320, 240, {0, 80, 640, 480}},
      {641, 481, 320, 240, {0, 0, 641, 480}},  // 481/240 > 641/320: the width decides
      {100, 100, 3, 7, {29, 0, 42, 100}},      // 42.86 wide, cut to 42
      {640, 480, 0, 0, {0, 0, 0, 0}},          // no picture: nothing to scale
      {0, 480, 320, 240, {0, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    const VideoRectangle r =
        videoRectangle(row.clientWidth, row.clientHeight, row.pictureWidth, row.pictureHeight);
    EXPECT_EQ(r.x, row.expected.x) << row.clientWidth << "x" << row.clientHeight;
    EXPECT_EQ(r.y, row.expected.y) << row.clientWidth << "x" << row.clientHeight;
    EXPECT_EQ(r.width, row.expected.width) << row.clientWidth << "x" << row.clientHeight;
    EXPECT_EQ(r.height, row.expected.height) << row.clientWidth << "x" << row.clientHeight;
  }
}

bool noChildrenLeft() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

TEST(DesktopRunProgramTest, ExitCodesWaitingAndFailedStarts) {
  double exitCode = -1;
  EXPECT_EQ(runProgram("sh -c \"exit 3\"", 1, 1, exitCode), 1.0);
  EXPECT_EQ(exitCode, 3.0);
  EXPECT_EQ(runProgram("kill -KILL $$", 1, 0, exitCode), 1.0);
  EXPECT_EQ(exitCode, 128.0 + 9);
  // NaN is "wait" too.
  EXPECT_EQ(runProgram("exit 4", std::nan(""), 0, exitCode), 1.0);
  EXPECT_EQ(exitCode, 4.0);

  // Not waited for: back at once with exit code 0, although the program still runs.
  exitCode = -1;
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(runProgram("sleep 2; exit 3", 0, 1, exitCode), 1.0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_EQ(exitCode, 0.0);
  EXPECT_FALSE(noChildrenLeft());

  // A program that cannot be found is a failed start, whether waited for or not.
  for (double wait : {0.0, 1.0}) {
    exitCode = -1;
    EXPECT_EQ(runProgram("korvane-no-such-program-anywhere --help", wait, 1, exitCode), 0.0);
    EXPECT_EQ(exitCode, 0.0);
    EXPECT_EQ(runProgram("", wait, 1, exitCode), 0.0);
  }

  // The child not waited for is collected by a later call once it has ended: no zombie stays.
  EXPECT_TRUE(testing::waitUntil(
      [] {
        double code = 0;
        runProgram("true", 1, 0, code);
        return noChildrenLeft();
      },
      10));
}

// Music files made by sox, played on mpv's silent output (which keeps real time).
class DesktopMusicTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::setMediaAudioOutputForTesting("null");
    dir_ = new std::filesystem::path(std::filesystem::path(::testing::TempDir()) /
                                     ("korvane-music-" + std::to_string(getpid())));
    std::filesystem::create_directories(*dir_);
    for (const char* name : {"tone.wav", "tone.ogg"}) {
      const std::string command =
          "sox -n -r 44100 -c 2 '" + (*dir_ / name).string() + "' synth 0.4 sine 440 2>&1";
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
  }
  static void TearDownTestSuite() {
    stopMusic();
    std::filesystem::remove_all(*dir_);
    delete dir_;
    platform::setMediaAudioOutputForTesting("");
  }
  static std::string file(const char* name) { return (*dir_ / name).string(); }
  static std::filesystem::path* dir_;
};
std::filesystem::path* DesktopMusicTest::dir_ = nullptr;

TEST_F(DesktopMusicTest, MusicPlaysAndLoopsPastItsEnd) {
  for (const char* name : {"tone.wav", "tone.ogg"}) {
    ASSERT_EQ(playMusic(RtString(file(name).c_str())), 1.0) << name;
    platform::MediaPlayer* music = desktopState().music;
    ASSERT_NE(music, nullptr) << name;
    EXPECT_EQ(viewOf(desktopState().musicFile), file(name));
    // The decoder may round the compressed file's length by a millisecond or two.
    EXPECT_NEAR(platform::mediaLengthMilliseconds(music), 400, 5) << name;
    EXPECT_EQ(platform::mediaVolume(music), 1000) << name;
    // Over three lengths the position must go back to the start at least twice, and the
    // music must never end.
    int64_t last = 0;
    int wraps = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1300);
    while (std::chrono::steady_clock::now() < end) {
      keepMusicLooping();
      ASSERT_FALSE(platform::mediaFinished(music)) << name;
      const int64_t position = platform::mediaPositionMilliseconds(music);
      if (position + 100 < last) ++wraps;
      last = position;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(wraps, 2) << name;
    EXPECT_EQ(desktopState().music, music) << name;
  }
}

TEST_F(DesktopMusicTest, VolumeIsThousandths) {
  ASSERT_EQ(playMusic(RtString(file("tone.wav").c_str())), 1.0);
  struct Row {
    double volume;
    int expected;
  };
  const Row rows[] = {
      {0.5, 500}, {1.0, 1000}, {0.0, 0}, {1.2, 1200}, {2.0, platform::kMaxMediaVolume}, {-1.0, 0}};
  for (const Row& row : rows) {
    setMusicVolume(row.volume);
    EXPECT_EQ(platform::mediaVolume(desktopState().music), row.expected) << row.volume;
  }
  // A new piece starts at normal volume again.
  ASSERT_EQ(playMusic(RtString(file("tone.ogg").c_str())), 1.0);
  EXPECT_EQ(platform::mediaVolume(desktopState().music), 1000);
}

TEST_F(DesktopMusicTest, StopAndMissingFiles) {
  ASSERT_EQ(playMusic(RtString(file("tone.wav").c_str())), 1.0);
  stopMusic();
  EXPECT_EQ(desktopState().music, nullptr);
  // Without music the commands do nothing.
  stopMusic();
  setMusicVolume(0.5);
  keepMusicLooping();
  EXPECT_EQ(desktopState().music, nullptr);

  // A missing file ends the music that played before it, and none plays.
  ASSERT_EQ(playMusic(RtString(file("tone.wav").c_str())), 1.0);
  EXPECT_EQ(playMusic(RtString(file("missing.ogg").c_str())), 0.0);
  EXPECT_EQ(desktopState().music, nullptr);
  EXPECT_EQ(viewOf(desktopState().musicFile), file("missing.ogg"));
  // Neither does a file that is no music.
  const std::string text = file("not-music.ogg");
  ASSERT_EQ(std::system(("echo hello > '" + text + "'").c_str()), 0);
  EXPECT_EQ(playMusic(RtString(text.c_str())), 0.0);
  EXPECT_EQ(desktopState().music, nullptr);
}

TEST_F(DesktopMusicTest, ShutdownStopsTheMusic) {
  ASSERT_EQ(playMusic(RtString(file("tone.ogg").c_str())), 1.0);
  shutdownDesktopServices();
  EXPECT_EQ(desktopState().music, nullptr);
}

}  // namespace
}  // namespace korvane
