// Desktop services inside the started runtime on the test display, driven with real X input:
// the file chooser as a user works it, video drawn into the window (pixels read back), the
// waits, and line input over the grabbed screen.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/core/desktop_services_internal.h"
#include "runtime/core/frame_loop.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/core/window_events.h"
#include "runtime/gfx2d/gfx2d_commands.h"
#include "runtime/input/input_state.h"
#include "runtime/platform/input_system.h"
#include "runtime/platform/joystick.h"
#include "runtime/platform/mouse.h"
#include "runtime/platform/process.h"
#include "runtime/platform/window.h"
#include "tests/support/child_program.h"
#include "tests/support/files.h"
#include "tests/support/gl_pixels.h"

namespace korvane {
namespace {

using testing::Rgb;

constexpr const char* kTitle = "Desktop test";

platform::Joystick* pad = nullptr;

// The runtime once per process (a death test's child starts its own), with the system pointer
// shown, no pausing, mpv's silent output and a virtual joystick opened by the input start.
void startDesktopRuntime() {
  static bool started = false;
  if (started) return;
  started = true;
  platform::setMediaAudioOutputForTesting("null");
  projectSettings() = ProjectSettings{};
  projectSettings().captureMouse = 0;
  platform::startInputSystem();
  const int device = platform::attachVirtualJoystick("Desktop pad", 3, 4, 1);
  ASSERT_EQ(startRuntime(nullptr, nullptr, "", kShowDefault, kTitle), 0);
  setAutoPause(0);
  pad = platform::openJoystick(device);
  ASSERT_NE(pad, nullptr);
}

std::string windowIdText() { return std::to_string(platform::nativeWindowId(mainWindow())); }

// Runs an xdotool command line in the background after `delay` seconds, bounded in time.
void xdotoolLater(const std::string& arguments, double delay) {
  const std::string command = "(sleep " + std::to_string(delay) + "; timeout 30 xdotool " +
                              arguments + ") >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

// The main window focused, then `keys` pressed one after another, each held long enough for
// several frames to see it (the runtime reads key state, not key events).
void typeLater(const std::vector<std::string>& keys, double delay) {
  std::string arguments = "windowfocus --sync " + windowIdText() + " sleep 0.3";
  for (const std::string& key : keys) {
    arguments += " keydown " + key + " sleep 0.15 keyup " + key + " sleep 0.15";
  }
  xdotoolLater(arguments, delay);
}

// Works the chooser titled `title` as a user would: waits for it, focuses it, then runs each
// xdotool command of `steps` on its own (keys sent through XTEST: the chooser ignores keys
// sent to a window directly).
void workChooserLater(const std::string& title, const std::vector<std::string>& steps) {
  std::string script = "timeout 30 xdotool search --sync --onlyvisible --name '^" + title +
                       "$' windowfocus --sync; sleep 1";
  for (const std::string& step : steps) script += "; timeout 30 xdotool " + step + "; sleep 0.5";
  ASSERT_EQ(std::system(("(" + script + ") >/dev/null 2>&1 &").c_str()), 0);
}

class DesktopDisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startDesktopRuntime();
    ASSERT_NE(display(), nullptr);
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("korvane-desktop-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
};

// ---------------------------------------------------------------- file requester

class DesktopFileRequesterTest : public DesktopDisplayTest {
 protected:
  void SetUp() override {
    DesktopDisplayTest::SetUp();
    savedPath_ = std::getenv("PATH");
    start_ = dir_ / "start";
    std::filesystem::create_directories(start_);
    ASSERT_TRUE(platform::setCurrentDirectory(start_.string()));
  }
  void TearDown() override {
    setenv("PATH", savedPath_.c_str(), 1);
    platform::setCurrentDirectory("/");
    DesktopDisplayTest::TearDown();
  }

  // The window is back, shown and (once the focus event has come) focused.
  void expectDisplayRestored() {
    EXPECT_TRUE(platform::windowVisible(mainWindow()));
    EXPECT_TRUE(testing::waitUntil(
        [] {
          presentFrame();
          return platform::windowHasFocus(mainWindow());
        },
        10));
  }

  std::string savedPath_;
  std::filesystem::path start_;
};

TEST_F(DesktopFileRequesterTest, UserTypesAPathIntoTheOpenChooser) {
  const std::filesystem::path chosen = dir_ / "elsewhere" / "picked file.txt";
  std::filesystem::create_directories(chosen.parent_path());
  testing::writeFile(chosen, "x");
  workChooserLater("Open", {"key ctrl+l", "type '" + chosen.string() + "'", "key Return"});
  const RtString answer = fileRequester(1, "Text|*.txt|All|*.*");
  EXPECT_EQ(viewOf(answer), chosen.string());
  EXPECT_EQ(platform::currentDirectory(), start_.string());
  expectDisplayRestored();
}

TEST_F(DesktopFileRequesterTest, CancelledChoosersAnswerNoFile) {
  // NaN asks for the open chooser too; 0 for the save chooser.
  const struct {
    double open;
    const char* title;
  } rows[] = {{std::nan(""), "Open"}, {0, "Save As"}};
  for (const auto& row : rows) {
    workChooserLater(row.title, {"key Escape"});
    EXPECT_EQ(viewOf(fileRequester(row.open, "")), "NO_FILE") << row.title;
    EXPECT_EQ(platform::currentDirectory(), start_.string()) << row.title;
  }
  expectDisplayRestored();
}

TEST_F(DesktopFileRequesterTest, KdialogIsUsedWithoutZenity) {
  // A PATH with a stand-in kdialog only: it records its arguments and answers a path written
  // with backslashes, or fails when asked to.
  const std::filesystem::path bin = dir_ / "bin";
  std::filesystem::create_directories(bin);
  const std::filesystem::path record = dir_ / "arguments";
  testing::writeFile(bin / "kdialog", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.string() +
                                          "'\ncd /\n[ -e '" + (dir_ / "fail").string() +
                                          "' ] && exit 1\nprintf '%s\\n' 'C:\\dir\\chosen.txt'\n");
  std::filesystem::permissions(bin / "kdialog", std::filesystem::perms::owner_all);
  setenv("PATH", bin.c_str(), 1);

  EXPECT_EQ(viewOf(fileRequester(1, "Text|*.txt;*.log|All|*.*")), "C:/dir/chosen.txt");
  EXPECT_EQ(testing::readFile(record),
            "--title\nOpen\n--getopenfilename\n" + start_.string() + "\n*.txt *.log|Text\n*|All\n");
  EXPECT_EQ(viewOf(fileRequester(0, "")), "C:/dir/chosen.txt");
  EXPECT_EQ(testing::readFile(record),
            "--title\nSave As\n--getsavefilename\n" + start_.string() + "\n");
  testing::writeFile(dir_ / "fail", "");
  EXPECT_EQ(viewOf(fileRequester(1, "")), "NO_FILE");
  EXPECT_EQ(platform::currentDirectory(), start_.string());
}

TEST_F(DesktopFileRequesterTest, NoChooserAnswersNoFile) {
  const std::filesystem::path bin = dir_ / "empty";
  std::filesystem::create_directories(bin);
  setenv("PATH", bin.c_str(), 1);
  EXPECT_EQ(viewOf(fileRequester(1, "All|*.*")), "NO_FILE");
  EXPECT_EQ(platform::currentDirectory(), start_.string());
  expectDisplayRestored();
}

// ---------------------------------------------------------------- video

// What the frame hook saw: frames drawn and the colour at a few points of the last one.
struct VideoFrames {
  int count = 0;
  std::vector<std::array<int, 2>> points;
  std::vector<Rgb> colours;
};
VideoFrames frames;

void recordVideoFrame() {
  ++frames.count;
  frames.colours.clear();
  const int height = platform::windowSize(mainWindow()).height;
  for (const auto& point : frames.points) {
    frames.colours.push_back(testing::backBufferPixel(point[0], point[1], height));
  }
}

bool near(const Rgb& colour, const Rgb& expected) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(colour[i] - expected[i]) > 40) return false;
  }
  return true;
}

const Rgb kRed = {255, 0, 0};
const Rgb kBlue = {0, 0, 255};
const Rgb kBlack = {0, 0, 0};

class DesktopVideoTest : public DesktopDisplayTest {
 protected:
  void SetUp() override {
    DesktopDisplayTest::SetUp();
    frames = VideoFrames{};
    setVideoFrameHookForTesting(recordVideoFrame);
  }
  void TearDown() override {
    setVideoFrameHookForTesting(nullptr);
    DesktopDisplayTest::TearDown();
  }

  // A 320 x 240 video, red over blue, of `seconds`.
  std::string makeVideo(const std::string& name, double seconds) {
    const std::string path = (dir_ / name).string();
    const std::string command =
        "ffmpeg -loglevel error -y -f lavfi -i 'color=c=red:s=320x240:r=25:d=" +
        std::to_string(seconds) +
        ",drawbox=x=0:y=120:w=320:h=120:color=blue:t=fill' -c:v mpeg4 -q:v 2 '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
  }

  double secondsOfPlay(const std::string& path, double loop, double& result) {
    const auto before = std::chrono::steady_clock::now();
    result = playVideo(RtString(path.c_str()), loop);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
  }
};

TEST_F(DesktopVideoTest, PictureFillsTheWindowRightSideUpUntilAKeyGivesACharacter) {
  const std::string video = makeVideo("long.avi", 20);
  frames.points = {{320, 100}, {320, 380}, {2, 2}, {637, 477}};
  GLint viewportBefore[4], viewportAfter[4];
  glGetIntegerv(GL_VIEWPORT, viewportBefore);
  // Escape gives no character and leaves the video playing; "a" ends it.
  xdotoolLater("windowfocus --sync " + windowIdText() +
                   " sleep 0.5 keydown Escape sleep 0.2 keyup Escape sleep 0.8 keydown a sleep "
                   "0.2 keyup a",
               1);
  double result = -1;
  const double seconds = secondsOfPlay(video, 0, result);
  EXPECT_EQ(result, 0);
  EXPECT_GT(seconds, 1.5);  // Escape did not end it
  EXPECT_LT(seconds, 15);   // the key did, long before the video's end
  EXPECT_GT(frames.count, 5);
  ASSERT_EQ(frames.colours.size(), 4u);
  EXPECT_TRUE(near(frames.colours[0], kRed)) << frames.colours[0][0];
  EXPECT_TRUE(near(frames.colours[1], kBlue)) << frames.colours[1][2];
  EXPECT_TRUE(near(frames.colours[2], kRed));
  EXPECT_TRUE(near(frames.colours[3], kBlue));
  glGetIntegerv(GL_VIEWPORT, viewportAfter);
  EXPECT_EQ(std::vector<GLint>(viewportBefore, viewportBefore + 4),
            std::vector<GLint>(viewportAfter, viewportAfter + 4));
  EXPECT_EQ(desktopState().video, nullptr);
  // Drawing goes on as before.
  presentFrame();
}

TEST_F(DesktopVideoTest, WiderWindowHasBarsOf80PixelsLeftAndRight) {
  const std::string video = makeVideo("short.avi", 1);
  setScreen(800, 480, 0);
  frames.points = {{79, 100}, {80, 100}, {719, 380}, {720, 380}, {40, 240}, {760, 240}};
  double result = -1;
  secondsOfPlay(video, 0, result);
  setScreen(640, 480, 0);
  EXPECT_EQ(result, 0);
  ASSERT_GT(frames.count, 0);
  ASSERT_EQ(frames.colours.size(), 6u);
  EXPECT_TRUE(near(frames.colours[0], kBlack));
  EXPECT_TRUE(near(frames.colours[1], kRed));
  EXPECT_TRUE(near(frames.colours[2], kBlue));
  EXPECT_TRUE(near(frames.colours[3], kBlack));
  EXPECT_TRUE(near(frames.colours[4], kBlack));
  EXPECT_TRUE(near(frames.colours[5], kBlack));
}

TEST_F(DesktopVideoTest, LoopingPlaysPastTheEndUntilAKey) {
  const std::string video = makeVideo("loop.avi", 0.6);
  double result = -1;
  // Without looping it ends by itself (no key is sent); with it, it plays on past that end until
  // a key sent well after it. The times are relative to the first play, which a sanitizer build
  // or a loaded machine stretches to several times the video's 0.6 s.
  const double once = secondsOfPlay(video, 0, result);
  EXPECT_LT(once, 10.0);
  EXPECT_EQ(result, 0);
  typeLater({"b"}, 2 * once + 1);
  EXPECT_GT(secondsOfPlay(video, 1, result), once + 0.5);
  EXPECT_EQ(result, 0);
}

TEST_F(DesktopVideoTest, MissingOrPicturelessFilesGive3) {
  const std::string sound = (dir_ / "sound.ogg").string();
  ASSERT_EQ(std::system(("sox -n '" + sound + "' synth 1 sine 440").c_str()), 0);
  testing::writeFile(dir_ / "text.avi", "not a video");
  for (const std::string& path :
       {(dir_ / "missing.avi").string(), sound, (dir_ / "text.avi").string()}) {
    EXPECT_EQ(playVideo(RtString(path.c_str()), 0), 3) << path;
    EXPECT_EQ(desktopState().video, nullptr);
  }
  EXPECT_EQ(frames.count, 0);
}

class DesktopVideoDeathTest : public DesktopVideoTest {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    DesktopVideoTest::SetUp();
  }
};

TEST_F(DesktopVideoDeathTest, WindowClosedDuringTheVideoEndsTheProgramCleanly) {
  const std::string video = makeVideo("closed.avi", 20);
  EXPECT_EXIT(
      {
        const std::string command = "(sleep 1.5; timeout 30 " + testing::xDriverPath() +
                                    " close-once " + windowIdText() + ") >/dev/null 2>&1 &";
        if (std::system(command.c_str()) != 0) std::abort();
        playVideo(RtString(video.c_str()), 1);
        std::abort();
      },
      ::testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------- waits

class DesktopWaitTest : public DesktopDisplayTest {};

TEST_F(DesktopWaitTest, InputEndsTheWaitEarlyAndQuietEndsItAfter15Rounds) {
  // Settle what the wait remembers of the mouse.
  waitForInput();
  EXPECT_EQ(waitRoundsForInput(), kWaitRounds);

  // A key held down.
  xdotoolLater("windowfocus --sync " + windowIdText() + " keydown shift", 0);
  ASSERT_TRUE(testing::waitUntil([] { return keyDown(kKeyLeftShift) != 0; }, 10));
  EXPECT_LT(waitRoundsForInput(), kWaitRounds);
  xdotoolLater("keyup shift", 0);
  ASSERT_TRUE(testing::waitUntil([] { return keyDown(kKeyLeftShift) == 0; }, 10));

  // The mouse moved: seen at the first read after a frame.
  xdotoolLater("mousemove --window " + windowIdText() + " 50 60", 0);
  ASSERT_TRUE(testing::waitUntil(
      [] {
        int x = 0, y = 0;
        platform::pointerInWindow(mainWindow(), x, y);
        return x == 50 && y == 60;
      },
      10));
  presentFrame();
  EXPECT_LT(waitRoundsForInput(), kWaitRounds);
  EXPECT_EQ(desktopState().lastMouseX, 50);
  EXPECT_EQ(desktopState().lastMouseY, 60);
  EXPECT_EQ(waitRoundsForInput(), kWaitRounds);

  // The joystick: a button, an axis past a tenth of its range, the hat pointing up.
  ASSERT_TRUE(platform::setVirtualButton(pad, 2, true));
  EXPECT_LT(waitRoundsForInput(), kWaitRounds);
  ASSERT_TRUE(platform::setVirtualButton(pad, 2, false));
  ASSERT_TRUE(platform::setVirtualAxis(pad, 1, 3000));  // under a tenth: quiet
  EXPECT_EQ(waitRoundsForInput(), kWaitRounds);
  ASSERT_TRUE(platform::setVirtualAxis(pad, 1, -4000));
  EXPECT_LT(waitRoundsForInput(), kWaitRounds);
  ASSERT_TRUE(platform::setVirtualAxis(pad, 1, 0));
  ASSERT_TRUE(platform::setVirtualHat(pad, 0, platform::kHatUp));
  EXPECT_LT(waitRoundsForInput(), kWaitRounds);
  ASSERT_TRUE(platform::setVirtualHat(pad, 0, 0));
  EXPECT_EQ(waitRoundsForInput(), kWaitRounds);
}

TEST_F(DesktopWaitTest, WaitForKeyIgnoresShiftAlone) {
  // Shift is held first, "a" only later: the wait ends with "a" down.
  xdotoolLater("windowfocus --sync " + windowIdText() +
                   " keydown shift sleep 0.6 keydown a sleep 0.3 keyup a keyup shift",
               0.5);
  waitForKey();
  EXPECT_EQ(keyDown(30), 1.0);
  EXPECT_TRUE(testing::waitUntil([] { return keyDown(30) == 0; }, 10));
}

TEST_F(DesktopWaitTest, WaitForMouseButtonWaitsForReleaseAndANewPress) {
  const std::filesystem::path released = dir_ / "released";
  xdotoolLater("mousemove --window " + windowIdText() + " 100 100 mousedown 1", 0);
  ASSERT_TRUE(testing::waitUntil([] { return anyMouseButton() != 0; }, 10));
  const std::string command = "(sleep 0.6; timeout 30 xdotool mouseup 1; touch '" +
                              released.string() +
                              "'; sleep 0.6; timeout 30 xdotool mousedown 1 sleep 0.3 mouseup "
                              "1) >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(command.c_str()), 0);
  waitForMouseButton();
  EXPECT_TRUE(std::filesystem::exists(released));
  EXPECT_EQ(anyMouseButton(), 1.0);
  EXPECT_TRUE(testing::waitUntil([] { return anyMouseButton() == 0; }, 10));
}

class DesktopWaitDeathTest : public DesktopWaitTest {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    DesktopWaitTest::SetUp();
  }
};

TEST_F(DesktopWaitDeathTest, EscapeEndsTheProgramWhileEscapeEndsPrograms) {
  EXPECT_EXIT(
      {
        typeLater({"Escape"}, 0.5);
        waitForKey();
        std::abort();
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(DesktopWaitTest, WithoutEscapeEndingProgramsEscapeIsInput) {
  setEscapeEnds(0);
  xdotoolLater("windowfocus --sync " + windowIdText() + " keydown Escape", 0);
  ASSERT_TRUE(testing::waitUntil([] { return keyDown(kKeyEscape) != 0; }, 10));
  EXPECT_LT(waitRoundsForInput(), kWaitRounds);
  xdotoolLater("keyup Escape", 0);
  ASSERT_TRUE(testing::waitUntil([] { return keyDown(kKeyEscape) == 0; }, 10));
  setEscapeEnds(1);
}

// ---------------------------------------------------------------- line input

struct LineFrames {
  std::vector<bool> cursor;
  Rgb underText{};  // a point of the grabbed screen left of the text
  Rgb textCell{};   // where the first letter is drawn
};
LineFrames lineFrames;

void recordLineFrame(bool cursorShown) {
  lineFrames.cursor.push_back(cursorShown);
  lineFrames.underText = testing::backBufferPixel(60, 105, 480);
  // The built-in font's "a" has ink in its cell's row 4 somewhere in columns 1..5.
  Rgb brightest{};
  for (int x = 200; x < 208; ++x) {
    for (int y = 100; y < 108; ++y) {
      const Rgb p = testing::backBufferPixel(x, y, 480);
      if (p[0] + p[1] + p[2] > brightest[0] + brightest[1] + brightest[2]) brightest = p;
    }
  }
  lineFrames.textCell = brightest;
}

class DesktopInputLineTest : public DesktopDisplayTest {
 protected:
  void SetUp() override {
    DesktopDisplayTest::SetUp();
    lineFrames = LineFrames{};
    setInputLineFrameHookForTesting(recordLineFrame);
  }
  void TearDown() override {
    setInputLineFrameHookForTesting(nullptr);
    DesktopDisplayTest::TearDown();
  }
};

TEST_F(DesktopInputLineTest, TypedLineIsDrawnOverTheGrabbedScreenWithABlinkingCursor) {
  // The screen under the input: a green band from x 20 to 300.
  presentFrame();
  drawRect(20, 90, 280, 30, 0x00FF00);
  // Quiet for a second first, so the cursor blinks twice before the keys come.
  typeLater({"a", "b", "c", "BackSpace", "d", "Return"}, 1.2);
  RtString text;
  inputLine(text, 200.7, 100.2);
  EXPECT_EQ(viewOf(text), "abd");
  ASSERT_GT(lineFrames.cursor.size(), 42u);
  // The cursor toggles on the 21st quiet frame and again 21 frames later.
  for (size_t i = 0; i < 20; ++i) EXPECT_FALSE(lineFrames.cursor[i]) << i;
  for (size_t i = 20; i < 41; ++i) EXPECT_TRUE(lineFrames.cursor[i]) << i;
  EXPECT_FALSE(lineFrames.cursor[41]);
  // The last frame: the grabbed green band around white text.
  EXPECT_EQ(lineFrames.underText, (Rgb{0, 255, 0}));
  EXPECT_EQ(lineFrames.textCell, (Rgb{255, 255, 255}));
  // The grab's slot is released again.
  EXPECT_EQ(display()->tiledImage(kInputLineSlot)->columns, 0);
}

TEST_F(DesktopInputLineTest, InputNumberReadsTheTypedNumber) {
  typeLater({"1", "2", "period", "5", "Return"}, 0.3);
  double value = -1;
  inputNumber(value, 10, 10);
  EXPECT_EQ(value, 12.5);
}

}  // namespace
}  // namespace korvane
