// Presentation, pacing and the window handler on a real window, with the clock under test
// control.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "runtime/core/frame_loop_internal.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/stop/clock.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/core/window_events_internal.h"
#include "runtime/gfx2d/opengl_rainbows_internal.h"
#include "runtime/platform/window.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

// Each reading moves the clock on by a small step, as time passes while the loop spins.
double fakeNow = 0;
double fakeStep = 0.01;
double fakeClock() {
  fakeNow += fakeStep;
  return fakeNow;
}

class FrameLoopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The display's notices go to a log of this process only.
    tmp_ = new testing::ProcessTmpDir("korvane-frame-");
    display_ = new OpenGLRainbows;
    ASSERT_EQ(display_->createDisplay(nullptr, 640, 480, 0, 60, 0), 1);
    setDisplay(display_);
  }
  static void TearDownTestSuite() {
    setDisplay(nullptr);
    delete display_;
    delete tmp_;
  }
  void SetUp() override {
    fakeNow = 1000;
    fakeStep = 0.01;
    setClockSource(fakeClock);
    display_->setFrameRate(60);
    display_->setNextFrameDeadline(1000);
  }
  void TearDown() override { setClockSource(nullptr); }
  static OpenGLRainbows* display_;
  static testing::ProcessTmpDir* tmp_;
};
OpenGLRainbows* FrameLoopTest::display_ = nullptr;
testing::ProcessTmpDir* FrameLoopTest::tmp_ = nullptr;

TEST_F(FrameLoopTest, DeadlinesAreOnePeriodApartAndTheWaitReachesThem) {
  const double period = 1000.0 / 60;
  for (int frame = 1; frame <= 5; ++frame) {
    double waited = swapBuffersAndPace(*display_);
    // The wait ends on the first reading past the previous deadline.
    EXPECT_GT(fakeNow, 1000 + (frame - 1) * period);
    EXPECT_LT(fakeNow, 1000 + (frame - 1) * period + 0.05);
    EXPECT_NEAR(display_->nextFrameDeadline(), 1000 + frame * period, 1e-9);
    EXPECT_GE(waited, 1.0);
  }
}

TEST_F(FrameLoopTest, ALateFrameSkipsTheMissedSlotsInsteadOfCatchingUp) {
  const double period = 1000.0 / 60;
  swapBuffersAndPace(*display_);  // deadline now 1000 + period
  fakeNow += 40;                  // the frame took 40 ms
  double waited = swapBuffersAndPace(*display_);
  EXPECT_LT(waited, 1.1);  // already late: no wait
  double deadline = display_->nextFrameDeadline();
  EXPECT_NEAR(deadline, 1000 + 3 * period, 1e-9);  // the first slot at or after 1040
  EXPECT_GE(deadline, fakeNow);
  // The next frame waits a whole slot again, it is not hurried.
  double before = fakeNow;
  swapBuffersAndPace(*display_);
  EXPECT_GT(fakeNow - before, deadline - before - 0.05);
}

TEST_F(FrameLoopTest, FrameRateCommandSetsThePeriod) {
  struct Case {
    double fps;
    double period;
  };
  const Case cases[] = {
      {60, 1000.0 / 60},   {0, 2.0},    {-5, 2.0},
      {59.9, 1000.0 / 59}, {1, 1000.0}, {std::numeric_limits<double>::quiet_NaN(), 2.0},
      {2e9, 1000.0 / 2e9},
  };
  for (const Case& c : cases) {
    setFrameRate(c.fps);
    EXPECT_DOUBLE_EQ(display_->framePeriod(), c.period) << c.fps;
  }
  // A tiny period with a deadline far behind the clock ends at once.
  setFrameRate(2e9);
  display_->setNextFrameDeadline(0);
  swapBuffersAndPace(*display_);
  EXPECT_GE(display_->nextFrameDeadline(), fakeNow - 1e-6);
}

TEST_F(FrameLoopTest, PresentFrameStampsFrameTimes) {
  RuntimeState& state = runtimeState();
  state.paused = 0;
  // The stamp is taken before the wait, so the first frame on a deadline already due is short.
  presentFrame();
  presentFrame();
  double first = state.currentFrameTime;
  presentFrame();
  EXPECT_NEAR(state.currentFrameTime - first, 1000.0 / 60, 0.1);
  EXPECT_EQ(state.previousFrameTime, first);
  EXPECT_NEAR(frameDuration(), 1000.0 / 60, 0.1);
  // presentFrame leaves the whole-screen 2D view.
  EXPECT_EQ(display_->viewWidth(), 640);
}

TEST_F(FrameLoopTest, SetScreenSwitchesTheModeAndPresentsFiveFrames) {
  const double period = 1000.0 / 60;
  runtimeState().paused = 0;
  // No 640 x 480 mode on the test display: the switch stays windowed; five frames follow.
  double deadline = display_->nextFrameDeadline();
  setScreen(640.9, 480.2, 1);
  EXPECT_EQ(display_->fullscreen(), 0);
  EXPECT_NE(tmp_->log().find("No Fullscreen Mode available\r\n"), std::string::npos);
  EXPECT_EQ(display_->width(), 640);
  EXPECT_EQ(display_->height(), 480);
  EXPECT_EQ(mainWindow(), display_->window());
  // The mode change restarts the deadline from the clock; then five periods pass.
  EXPECT_GE(display_->nextFrameDeadline(), deadline + 5 * period - 0.1);
  EXPECT_NEAR(display_->nextFrameDeadline() - fakeNow, period, 0.1);
}

class WindowHandlerTest : public FrameLoopTest {
 protected:
  void SetUp() override {
    FrameLoopTest::SetUp();
    RuntimeState& state = runtimeState();
    state.windowTitle = "Ondrel";
    state.autoPause = 1;
    state.paused = 0;
    projectSettings().debugMode = 0;
    platform::setWindowTitle(mainWindow(), "Ondrel");
    display_->enterWindowed();
  }
  void TearDown() override {
    projectSettings().debugMode = 0;
    runtimeState().paused = 0;
    display_->enterWindowed();
    FrameLoopTest::TearDown();
  }
  static void send(platform::EventKind kind) {
    platform::Event event;
    event.kind = kind;
    handleWindowEvent(event);
  }
  static std::string title() { return platform::windowTitle(mainWindow()); }
};

TEST_F(WindowHandlerTest, FocusLossPausesAndGainResumes) {
  send(platform::EventKind::kFocusLost);
  EXPECT_EQ(runtimeState().paused, 1);
  EXPECT_EQ(title(), "Ondrel <pause>");
  send(platform::EventKind::kFocusGained);
  EXPECT_EQ(runtimeState().paused, 0);
  EXPECT_EQ(title(), "Ondrel");
}

TEST_F(WindowHandlerTest, NoPauseInDebugModeWithoutAutoPauseOrWhileHidden) {
  projectSettings().debugMode = 1;
  send(platform::EventKind::kFocusLost);
  EXPECT_EQ(runtimeState().paused, 0);
  EXPECT_EQ(title(), "Ondrel");

  projectSettings().debugMode = 0;
  setAutoPause(0);
  send(platform::EventKind::kFocusLost);
  EXPECT_EQ(runtimeState().paused, 0);
  EXPECT_EQ(title(), "Ondrel");

  // A hidden window never gets the focus back: pausing it would freeze the program for good.
  setAutoPause(1);
  display_->hideDisplay();
  send(platform::EventKind::kFocusLost);
  EXPECT_EQ(runtimeState().paused, 0);
  EXPECT_EQ(title(), "Ondrel");
}

}  // namespace
}  // namespace korvane
