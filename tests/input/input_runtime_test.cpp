// Input and media files inside the started runtime. Each case runs the whole runtime in a child
// process: the quit keys end it from presentFrame, start-up wires the services.
#include <gtest/gtest.h>

#include <string>

#include "runtime/core/frame_loop.h"
#include "runtime/core/runtime_state.h"
#include "runtime/core/startup.h"
#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/project_settings.h"
#include "runtime/input/input_state.h"
#include "runtime/lib/media_resolver.h"
#include "runtime/platform/process.h"
#include "tests/input/x_input_driver.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

// The error code a child that survived its frames stops with.
constexpr double kSurvivedCode = 5;
constexpr int kFrames = 45;

struct QuitCase {
  const char* name;
  const char* keys;  // held while the frames are presented
  bool escapeEnds;
  const char* reportedCode;  // "0" ended by the keys, "5" survived
};

void PrintTo(const QuitCase& c, std::ostream* out) { *out << c.name; }

class QuitKeysDeathTest : public testing::PrivateTmpDirTest,
                          public ::testing::WithParamInterface<QuitCase> {
 protected:
  QuitKeysDeathTest() : PrivateTmpDirTest("korvane-quit-keys-") {}
  void TearDown() override {
    testing_input::keyUp(GetParam().keys);
    PrivateTmpDirTest::TearDown();
  }
};

void runFramesWithKeysHeld(const QuitCase& c) {
  projectSettings().debugMode = 1;  // the report names the error code; no pausing
  if (startRuntime(nullptr, nullptr, "", kShowDefault, "quit keys") != 0) {
    stopWithError(99);
  }
  setEscapeEnds(c.escapeEnds ? 1 : 0);
  if (!testing_input::focusWindow(mainWindow())) stopWithError(98);
  if (!testing_input::keyDown(c.keys)) stopWithError(97);
  for (int frame = 0; frame < kFrames; ++frame) presentFrame();
  stopWithError(kSurvivedCode);
}

TEST_P(QuitKeysDeathTest, PresentFrameEndsTheProgramOnlyOnTheQuitKeys) {
  const QuitCase& c = GetParam();
  EXPECT_EXIT(runFramesWithKeysHeld(c), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(reportedCode(), c.reportedCode) << log();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, QuitKeysDeathTest,
    ::testing::Values(QuitCase{"EscapeWhileEnabled", "Escape", true, "0"},
                      QuitCase{"EscapeWhileDisabled", "Escape", false, "5"},
                      QuitCase{"AltF4WhileEscapeDisabled", "Alt_L F4", false, "0"},
                      QuitCase{"AltF4", "Alt_L F4", true, "0"},
                      QuitCase{"LeftAltAlone", "Alt_L", true, "5"},
                      QuitCase{"F4Alone", "F4", true, "5"},
                      QuitCase{"RightAltWithF4", "Alt_R F4", true, "5"}),
    [](const ::testing::TestParamInfo<QuitCase>& info) { return std::string(info.param.name); });

// The child's verdict travels as the error code in its report.
constexpr double kWiredCode = 6;
constexpr double kNotWiredCode = 8;

void checkStartUpWiring() {
  projectSettings().debugMode = 1;
  if (startRuntime(nullptr, nullptr, "", kShowDefault, "wiring") != 0) stopWithError(99);
  const std::string directory = programDirectory(platform::executablePath());
  bool ok = true;
  auto expect = [&](bool condition, const char* what) {
    if (!condition) std::fprintf(stderr, "not wired: %s\n", what);
    ok = ok && condition;
  };
  expect(inputState() != nullptr, "input state");
  expect(inputState() != nullptr && inputState()->systemCursor() == false, "captured mouse");
  for (int i = 0; i < 2; ++i) {
    MediaResolver& r = mediaResolver(i);
    expect(r.packPath() == directory, "pack path");
    std::string out;
    // The program directory is no pack: the first miss (the font loading may have made it
    // already) switches pack lookups off.
    expect(r.resolveMediaFile("no-such-media.png", out) == 0 && !r.packEnabled(), "lookup");
  }
  stopWithError(ok ? kWiredCode : kNotWiredCode);
}

class StartUpDeathTest : public QuitKeysDeathTest {};

TEST_P(StartUpDeathTest, GivesInputTheWindowAndBothResolversTheProgramDirectory) {
  EXPECT_EXIT(checkStartUpWiring(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(reportedCode(), "6") << log();
}
INSTANTIATE_TEST_SUITE_P(Once, StartUpDeathTest,
                         ::testing::Values(QuitCase{"Wiring", "space", true, "6"}));

}  // namespace
}  // namespace korvane
