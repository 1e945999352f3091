// Joysticks through SDL's virtual joysticks, and the start-up notices without a display.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "runtime/input/input_state.h"
#include "runtime/platform/input_system.h"
#include "runtime/platform/joystick.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

class JoystickTest : public testing::PrivateTmpDirTest {
 protected:
  JoystickTest() : PrivateTmpDirTest("korvane-joystick-") {}
  void SetUp() override {
    PrivateTmpDirTest::SetUp();
    ASSERT_TRUE(platform::startInputSystem());
  }
  void TearDown() override {
    destroyInputState();
    for (platform::Joystick* j : handles_) platform::closeJoystick(j);
    for (int i = platform::joystickDeviceCount() - 1; i >= 0; --i) {
      platform::detachVirtualJoystick(i);
    }
    platform::stopInputSystem();
    PrivateTmpDirTest::TearDown();
  }
  // Attaches a virtual joystick and keeps a handle to move its controls.
  platform::Joystick* attach(const std::string& name, int axes, int buttons, int hats) {
    int device = platform::attachVirtualJoystick(name, axes, buttons, hats);
    EXPECT_GE(device, 0);
    platform::Joystick* j = platform::openJoystick(device);
    EXPECT_NE(j, nullptr);
    handles_.push_back(j);
    return j;
  }
  std::vector<platform::Joystick*> handles_;
};

TEST_F(JoystickTest, WithoutADisplayTheKeyboardAndMouseAreLoggedMissing) {
  InputState input;
  EXPECT_EQ(input.initInput(nullptr, false), kNoKeyboard);
  EXPECT_EQ(log(), "No DX_KB\r\n");
  input.releaseInput();
  InputState captured;
  EXPECT_EQ(captured.initInput(nullptr, true), kNoMouse);
  EXPECT_EQ(log(), "No DX_KB\r\nNo DX_KB\r\nNo DX_Mouse\r\n");
  EXPECT_EQ(captured.keyDown(1), 0.0);
  EXPECT_EQ(captured.readKeyChar(), 0);
}

TEST_F(JoystickTest, CountNamesAxesHatAndButtons) {
  platform::Joystick* pad = attach("Pad One", 8, 32, 1);
  attach("Stick Two", 2, 4, 0);
  createInputState();
  inputState()->initInput(nullptr, false);
  EXPECT_EQ(joystickCount(), 2);
  EXPECT_STREQ(textOf(joystickName(0)), "Pad One, Pad One");
  EXPECT_STREQ(textOf(joystickName(1.7)), "Stick Two, Stick Two");
  EXPECT_EQ(lengthOf(joystickName(2)), 0u);
  EXPECT_EQ(lengthOf(joystickName(-1)), 0u);

  const int16_t axes[8] = {32767, -32768, 0, -16384, 100, 16384, -32768, 32767};
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(platform::setVirtualAxis(pad, i, axes[i]));
  for (int b : {0, 5, 31}) ASSERT_TRUE(platform::setVirtualButton(pad, b, true));
  ASSERT_TRUE(platform::setVirtualHat(pad, 0, platform::kHatRight));

  JoystickSample s;
  ASSERT_EQ(inputState()->readJoystick(0, s), 1);
  EXPECT_EQ(s.x, 32768);  // the top of SDL's range is the top of -32768..32768
  EXPECT_EQ(s.y, -32768);
  EXPECT_EQ(s.z, 0);
  EXPECT_EQ(s.rotationX, -16384);
  EXPECT_EQ(s.rotationY, 100);
  EXPECT_EQ(s.rotationZ, 16385);
  EXPECT_EQ(s.sliders[0], 0);
  EXPECT_EQ(s.sliders[1], 65535);
  EXPECT_EQ(s.pov[0], 9000u);
  EXPECT_EQ(s.pov[1], kPovCentred);  // no second hat
  for (int b = 0; b < 32; ++b) {
    EXPECT_EQ(s.buttons[b], (b == 0 || b == 5 || b == 31) ? 0x80 : 0) << "button " << b;
  }

  EXPECT_EQ(joystickX(0), 1.0);  // clamped
  EXPECT_EQ(joystickY(0), -1.0);
  EXPECT_EQ(joystickZ(0), 0.0);
  EXPECT_DOUBLE_EQ(joystickRotationX(0), -16384 / 32767.0);
  EXPECT_DOUBLE_EQ(joystickRotationY(0), 100 / 32767.0);
  EXPECT_DOUBLE_EQ(joystickRotationZ(0), 16385 / 32767.0);
  EXPECT_EQ(joystickPovHorizontal(0), 1.0);
  EXPECT_EQ(joystickPovVertical(0), 0.0);
}

TEST_F(JoystickTest, HatPositionsBecomePovDirections) {
  platform::Joystick* pad = attach("Hat", 2, 2, 1);
  createInputState();
  inputState()->initInput(nullptr, false);
  struct Row {
    uint8_t hat;
    uint32_t pov;
    double vertical, horizontal;
  };
  using platform::kHatDown, platform::kHatLeft, platform::kHatRight, platform::kHatUp;
  const Row rows[] = {
      {0, kPovCentred, 0, 0},
      {kHatUp, 0, -1, 0},
      {kHatUp | kHatRight, 4500, 0, 0},
      {kHatRight, 9000, 0, 1},
      {kHatDown | kHatRight, 13500, 0, 0},
      {kHatDown, 18000, 1, 0},
      {kHatDown | kHatLeft, 22500, 0, 0},
      {kHatLeft, 27000, 0, -1},
      {kHatUp | kHatLeft, 31500, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.hat));
    ASSERT_TRUE(platform::setVirtualHat(pad, 0, r.hat));
    JoystickSample s;
    inputState()->readJoystick(0, s);
    EXPECT_EQ(s.pov[0], r.pov);
    EXPECT_EQ(joystickPovVertical(0), r.vertical);
    EXPECT_EQ(joystickPovHorizontal(0), r.horizontal);
  }
}

TEST_F(JoystickTest, PadCommandHasADeadBandAndRawButtonBytes) {
  platform::Joystick* pad = attach("Pad", 2, 4, 0);
  createInputState();
  inputState()->initInput(nullptr, false);
  struct Row {
    int16_t x, y;
    double padX, padY;
  };
  const Row rows[] = {
      {29990, -29990, 0, 0}, {30000, -30001, 1, -1}, {-32768, 32767, -1, 1}, {0, 0, 0, 0}};
  ASSERT_TRUE(platform::setVirtualButton(pad, 1, true));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.x);
    platform::setVirtualAxis(pad, 0, r.x);
    platform::setVirtualAxis(pad, 1, r.y);
    double x = 9, y = 9, b1 = 9, b2 = 9;
    joystickPad(x, y, b1, b2);
    EXPECT_EQ(x, r.padX);
    EXPECT_EQ(y, r.padY);
    EXPECT_EQ(b1, 0);
    EXPECT_EQ(b2, 128);
  }
}

TEST_F(JoystickTest, EmptySlotsReadZero) {
  attach("Only", 2, 2, 1);
  createInputState();
  inputState()->initInput(nullptr, false);
  JoystickSample s;
  s.x = 7;
  EXPECT_EQ(inputState()->readJoystick(5, s), 0);
  EXPECT_EQ(s.x, 0);
  EXPECT_EQ(s.pov[0], 0u);
  EXPECT_EQ(inputState()->readJoystick(1, s), 1);  // the first two slots always answer
  EXPECT_EQ(inputState()->readJoystick(-1, s), 0);
  EXPECT_EQ(inputState()->readJoystick(10, s), 0);
  for (double (*axis)(double) :
       {joystickX, joystickY, joystickZ, joystickRotationX, joystickRotationY, joystickRotationZ,
        joystickPovVertical, joystickPovHorizontal}) {
    EXPECT_EQ(axis(5), 0.0);
    EXPECT_EQ(axis(std::nan("")), 0.0);
  }
}

TEST_F(JoystickTest, AtMostTenJoysticksAreTaken) {
  for (int i = 0; i < 12; ++i) attach("Pad " + std::to_string(i), 2, 2, 0);
  createInputState();
  inputState()->initInput(nullptr, false);
  EXPECT_EQ(joystickCount(), 10);
  EXPECT_STREQ(textOf(joystickName(9)), "Pad 9, Pad 9");
  EXPECT_EQ(lengthOf(joystickName(10)), 0u);
}

TEST_F(JoystickTest, RumbleRunsBothMotorsAtTheForceMagnitude) {
  attach("Rumbler", 2, 2, 0);
  createInputState();
  inputState()->initInput(nullptr, false);
  struct Row {
    double forceX, forceY;
    uint16_t strength;
  };
  const Row rows[] = {{1, 1, 65535}, {0.5, 0, 8191}, {3, -7, 65535}, {0, 0, 0}, {-1, 0, 32767}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.forceX);
    const int before = platform::lastVirtualRumble().count;
    rumbleJoystick(0, 250, r.forceX, r.forceY);
    const platform::RumbleRequest got = platform::lastVirtualRumble();
    EXPECT_EQ(got.count, before + 1);
    EXPECT_EQ(got.lowFrequency, r.strength);
    EXPECT_EQ(got.highFrequency, r.strength);
  }
  const int before = platform::lastVirtualRumble().count;
  rumbleJoystick(3, 250, 1, 1);  // an empty slot
  EXPECT_EQ(platform::lastVirtualRumble().count, before);
}

}  // namespace
}  // namespace korvane
