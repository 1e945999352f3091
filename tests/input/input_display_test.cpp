// Keyboard and mouse through real X events sent to the real window.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/core/stop/upward_calls.h"
#include "runtime/input/input_state.h"
#include "runtime/platform/events.h"
#include "runtime/platform/gl_context.h"
#include "runtime/platform/keyboard.h"
#include "runtime/platform/mouse.h"
#include "runtime/platform/window.h"
#include "tests/input/x_input_driver.h"
#include "tests/support/private_tmpdir.h"

namespace korvane {
namespace {

using testing_input::focusWindow;
using testing_input::holdFor;
using testing_input::keyDown;
using testing_input::keyUp;
using testing_input::waitFor;
using testing_input::windowArgument;
using testing_input::xdotool;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Every key and button a test may press, released after each test whatever happened.
constexpr const char* kReleaseAll =
    "a z q Escape Return KP_Enter Up Alt_L F4 F1 Shift_L Shift_R Control_L Control_R space "
    "Tab Delete Next KP_End Print Pause Super_L Menu Alt_R BackSpace 1 KP_Multiply KP_Subtract "
    "KP_Add KP_Divide KP_7 KP_0 KP_Decimal";

class InputDisplayTest : public testing::PrivateTmpDirTest {
 protected:
  InputDisplayTest() : PrivateTmpDirTest("korvane-input-display-") {}
  static void SetUpTestSuite() {
    ASSERT_TRUE(platform::startVideo()) << platform::lastError();
    window_ = platform::createWindow(kWidth, kHeight, platform::PixelFormatRequest{}, "input");
    ASSERT_NE(window_, nullptr) << platform::lastError();
    // The input asks for the main window; here it is the suite's own.
    UpwardCalls calls;
    calls.mainWindow = [] { return window_; };
    registerUpwardCalls(calls);
  }
  static void TearDownTestSuite() {
    registerUpwardCalls(UpwardCalls{});
    platform::destroyWindow(window_);
    window_ = nullptr;
  }
  void SetUp() override {
    // Device notices go to a private error log.
    PrivateTmpDirTest::SetUp();
    ASSERT_TRUE(focusWindow(window_));
  }
  void TearDown() override {
    input_.releaseInput();
    keyUp(kReleaseAll);
    xdotool("mouseup 1 mouseup 2 mouseup 3");
    // Let the releases arrive before the next test looks at the state.
    holdFor(50);
    destroyInputState();
    PrivateTmpDirTest::TearDown();
  }

  // Holds `key` until the runtime sees `code` down, then releases it and waits for it to go.
  void pressAndRelease(const std::string& key, int code) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(keyDown(key));
    EXPECT_TRUE(waitFor([&] { return input_.keyDown(code) == 1.0; }));
    holdFor(100);
    // No other key reads as down: the mapping is one to one.
    std::vector<int> down;
    input_.pollKeyboard();
    for (int c = 0; c < 256; ++c) {
      if ((input_.keyBuffer()[c] & kKeyDownBit) != 0) down.push_back(c);
    }
    EXPECT_EQ(down, std::vector<int>{code});
    ASSERT_TRUE(keyUp(key));
    EXPECT_TRUE(waitFor([&] { return input_.keyDown(code) == 0.0; }));
  }

  // Characters read every 5 ms while `keys` are held for `ms`; zeros left out.
  std::string charactersWhileHeld(const std::string& keys, double ms = 200) {
    std::string seen;
    EXPECT_TRUE(keyDown(keys));
    waitFor(
        [&] {
          if (int c = input_.readKeyChar(); c != 0) seen += static_cast<char>(c);
          return false;
        },
        ms);
    EXPECT_TRUE(keyUp(keys));
    waitFor([&] { return input_.readKeyChar() == 0 && input_.keyDown(0) == 0.0; }, 200);
    return seen;
  }

  void moveTo(int x, int y) {
    ASSERT_TRUE(xdotool("mousemove " + windowArgument(window_) + " -- " + std::to_string(x) + " " +
                        std::to_string(y)));
    holdFor(30);
  }
  void moveBy(int dx, int dy) {
    ASSERT_TRUE(xdotool("mousemove_relative -- " + std::to_string(dx) + " " + std::to_string(dy)));
    holdFor(30);
  }
  struct Position {
    double x, y, left, right;
  };
  Position nextFrameMouse() {
    input_.setNewFrame();
    Position p{};
    input_.mouseState(p.x, p.y, p.left, p.right);
    return p;
  }

  static platform::Window* window_;
  // The module's own input state: dispatched events (the wheel) reach only that one.
  InputState& input_ = (createInputState(), *inputState());
};
platform::Window* InputDisplayTest::window_ = nullptr;

TEST_F(InputDisplayTest, KeysReadDownAndUpByTheirCodes) {
  ASSERT_EQ(input_.initInput(nullptr, false), kInputStarted);
  struct Key {
    const char* name;
    int code;
  };
  const Key keys[] = {
      {"a", 30},           {"z", 44},         {"q", 16},          {"Escape", 1},
      {"Return", 28},      {"KP_Enter", 156}, {"Up", 200},        {"Alt_L", 56},
      {"F4", 62},          {"F1", 59},        {"Shift_R", 54},    {"Control_L", 29},
      {"space", 57},       {"Tab", 15},       {"Delete", 211},    {"Next", 209},
      {"KP_End", 79},      {"Print", 183},    {"Pause", 197},     {"Super_L", 219},
      {"Menu", 221},       {"Alt_R", 184},    {"Control_R", 157}, {"KP_Multiply", 55},
      {"KP_Subtract", 74}, {"KP_Add", 78},    {"KP_Divide", 181},
  };
  for (const Key& k : keys) pressAndRelease(k.name, k.code);
}

// The queue is read directly here: the input state reads keys as state and drops their events.
TEST_F(InputDisplayTest, KeyEventsCarryTheRuntimesKeyCodes) {
  // The next key event off the queue, skipping the rest; false when none came in time.
  auto nextKeyEvent = [](platform::Event& event) {
    const double start = platform::monotonicMilliseconds();
    while (platform::monotonicMilliseconds() - start < 3000) {
      while (platform::pollEvent(event)) {
        if (event.kind == platform::EventKind::kKeyDown ||
            event.kind == platform::EventKind::kKeyUp) {
          return true;
        }
      }
      platform::sleepMilliseconds(5);
    }
    return false;
  };
  struct Key {
    const char* name;
    int code;
  };
  // Plain, keypad and extended (E0-prefixed) keys.
  const Key keys[] = {{"a", 30}, {"KP_7", 71}, {"KP_Enter", 156}, {"Up", 200}, {"Control_R", 157}};
  platform::Event event;
  while (platform::pollEvent(event)) {
  }
  for (const Key& k : keys) {
    SCOPED_TRACE(k.name);
    ASSERT_TRUE(keyDown(k.name));
    ASSERT_TRUE(nextKeyEvent(event));
    EXPECT_EQ(event.kind, platform::EventKind::kKeyDown);
    EXPECT_EQ(event.keyCode, k.code);
    EXPECT_EQ(event.windowId, platform::windowId(window_));
    ASSERT_TRUE(keyUp(k.name));
    // The system's key repeat may come first, with the same code.
    do {
      ASSERT_TRUE(nextKeyEvent(event));
      EXPECT_EQ(event.keyCode, k.code);
    } while (event.kind == platform::EventKind::kKeyDown && event.repeat);
    EXPECT_EQ(event.kind, platform::EventKind::kKeyUp);
  }
}

TEST_F(InputDisplayTest, KeyCodesAreMaskedToAByte) {
  ASSERT_EQ(input_.initInput(nullptr, false), kInputStarted);
  ASSERT_TRUE(keyDown("a"));
  ASSERT_TRUE(waitFor([&] { return input_.keyDown(30) == 1.0; }));
  EXPECT_EQ(input_.keyDown(256 + 30), 1.0);
  EXPECT_EQ(input_.keyDown(30.9), 1.0);
  EXPECT_EQ(input_.keyDown(-256 + 30), 1.0);
  EXPECT_EQ(input_.keyDown(256), 0.0);  // code 0: no key
  ASSERT_TRUE(keyUp("a"));
}

TEST_F(InputDisplayTest, HeldKeyGivesItsCharacterOnceAndShiftMakesCapitals) {
  ASSERT_EQ(input_.initInput(nullptr, false), kInputStarted);
  EXPECT_EQ(charactersWhileHeld("a"), "a");
  EXPECT_EQ(charactersWhileHeld("a"), "a");  // released in between: again
  EXPECT_EQ(charactersWhileHeld("Shift_L a"), "A");
  EXPECT_EQ(charactersWhileHeld("Shift_R z"), "Z");
  EXPECT_EQ(charactersWhileHeld("Shift_L 1"), "1");  // the Shift rule covers letters only
  EXPECT_EQ(charactersWhileHeld("Return"), "\n");
  EXPECT_EQ(charactersWhileHeld("BackSpace"), "\b");
  EXPECT_EQ(charactersWhileHeld("F1"), "");
  EXPECT_EQ(charactersWhileHeld("Escape"), "");
  // The keypad's operators type through the layout; its digits, point and "/" type nothing.
  EXPECT_EQ(charactersWhileHeld("KP_Multiply"), "*");
  EXPECT_EQ(charactersWhileHeld("KP_Subtract"), "-");
  EXPECT_EQ(charactersWhileHeld("KP_Add"), "+");
  EXPECT_EQ(charactersWhileHeld("Shift_L KP_Add"), "+");
  EXPECT_EQ(charactersWhileHeld("KP_Divide"), "");
  EXPECT_EQ(charactersWhileHeld("KP_7"), "");
  EXPECT_EQ(charactersWhileHeld("KP_0"), "");
  EXPECT_EQ(charactersWhileHeld("KP_Decimal"), "");
  // A key without a character does not hide a later one held with it.
  EXPECT_EQ(charactersWhileHeld("KP_7 KP_Subtract"), "-");
  // keyCharAvailable takes the character like a read does.
  ASSERT_TRUE(keyDown("q"));
  EXPECT_TRUE(waitFor([&] { return input_.keyCharAvailable() == 1.0; }));
  EXPECT_EQ(input_.readKeyChar(), 0);
  ASSERT_TRUE(keyUp("q"));
}

TEST_F(InputDisplayTest, ScanCodesTranslateThroughTheLayout) {
  ASSERT_EQ(input_.initInput(nullptr, false), kInputStarted);
  struct Translation {
    int code;
    int character;
  };
  // On the keypad the operators type through the layout; the digits and the point are
  // cursor-block keys, and "/", "=" and "," carry extended codes.
  const Translation rows[] = {
      {30, 'a'}, {44, 'z'}, {2, '1'},  {11, '0'}, {57, ' '}, {12, '-'}, {53, '/'},
      {14, 8},   {28, 10},  {156, 10}, {1, 0},    {15, 0},   {59, 0},   {200, 0},
      {211, 0},  {42, 0},   {54, 0},   {29, 0},   {56, 0},   {58, 0},   {69, 0},
      {70, 0},   {221, 0},  {0, 0},    {255, 0},  {55, '*'}, {74, '-'}, {78, '+'},
      {71, 0},   {72, 0},   {73, 0},   {75, 0},   {76, 0},   {77, 0},   {79, 0},
      {80, 0},   {81, 0},   {82, 0},   {83, 0},   {181, 0},  {141, 0},  {179, 0},
  };
  for (const Translation& r : rows) {
    EXPECT_EQ(input_.scanCodeToChar(r.code), r.character) << "code " << r.code;
  }
  // The layout itself gives the keypad's characters; only the code-to-key step drops some.
  const Translation layout[] = {{55, '*'}, {74, '-'}, {78, '+'}, {181, '/'}, {71, '7'}, {82, '0'}};
  for (const Translation& r : layout) {
    EXPECT_EQ(platform::keySymbolForKeyCode(r.code), r.character) << "code " << r.code;
  }
  EXPECT_NE(platform::keySymbolForKeyCode(83) & platform::kNonCharacterSymbolBit, 0);
}

TEST_F(InputDisplayTest, ShownPointerIsAbsoluteAndClampedIntoTheWindow) {
  ASSERT_EQ(input_.initInput(nullptr, false), kInputStarted);
  EXPECT_TRUE(input_.systemCursor());
  moveTo(50, 60);
  Position p = nextFrameMouse();
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 60);

  moveBy(10, 5);
  input_.setNewFrame();
  EXPECT_EQ(input_.mouseAxis(0), 10);
  EXPECT_EQ(input_.mouseAxis(0), 10);  // the same frame: the same movement
  EXPECT_EQ(input_.mouseAxis(1), 5);
  EXPECT_EQ(input_.mouseX(), 60);

  moveTo(-40, 700);  // outside the window
  p = nextFrameMouse();
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, kHeight - 1);
  EXPECT_EQ(input_.mouseX(), 0);  // the clamp is kept
  moveTo(20, kHeight + 20);
  input_.setNewFrame();
  EXPECT_EQ(input_.mouseAxis(0), 20);  // measured from the clamped position
  EXPECT_EQ(input_.mouseAxis(1), 20 + 1);
  moveTo(kWidth + 5, -3);
  p = nextFrameMouse();
  EXPECT_EQ(p.x, kWidth - 1);
  EXPECT_EQ(p.y, 0);
}

TEST_F(InputDisplayTest, CapturedMouseAccumulatesFromTheStartPosition) {
  moveTo(200, 100);
  ASSERT_EQ(input_.initInput(nullptr, true), kInputStarted);
  EXPECT_FALSE(input_.systemCursor());
  EXPECT_EQ(input_.mouseX(), 200);
  EXPECT_EQ(input_.mouseY(), 100);
  nextFrameMouse();  // nothing moved yet

  moveBy(15, 7);
  input_.setNewFrame();
  EXPECT_EQ(input_.mouseAxis(0), 15);
  EXPECT_EQ(input_.mouseAxis(0), 15);
  Position p{};
  input_.mouseState(p.x, p.y, p.left, p.right);
  EXPECT_EQ(p.x, 215);
  EXPECT_EQ(p.y, 107);

  moveBy(-3000, -3000);
  p = nextFrameMouse();
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  moveBy(30, 40);
  p = nextFrameMouse();
  EXPECT_EQ(p.x, 30);
  EXPECT_EQ(p.y, 40);
  moveBy(3000, 3000);
  p = nextFrameMouse();
  EXPECT_EQ(p.x, kWidth - 1);
  EXPECT_EQ(p.y, kHeight - 1);

  // Showing the pointer puts it where the program's position is; movement is then absolute.
  input_.setMousePosition(123.9, 45.2);
  input_.setSystemCursor(1);
  EXPECT_TRUE(input_.systemCursor());
  holdFor(30);
  int x = 0, y = 0;
  ASSERT_TRUE(platform::pointerInWindow(window_, x, y));
  EXPECT_EQ(x, 123);
  EXPECT_EQ(y, 45);
  moveBy(4, 6);
  p = nextFrameMouse();
  EXPECT_EQ(p.x, 127);
  EXPECT_EQ(p.y, 51);
}

TEST_F(InputDisplayTest, ButtonsAndWheel) {
  moveTo(300, 200);
  ASSERT_EQ(input_.initInput(nullptr, false), kInputStarted);
  struct Button {
    int xButton;
    int axis;
  };
  for (const Button& b : {Button{1, 3}, Button{3, 4}, Button{2, 5}}) {
    SCOPED_TRACE(b.xButton);
    ASSERT_TRUE(xdotool("mousedown " + std::to_string(b.xButton)));
    EXPECT_TRUE(waitFor([&] { return input_.mouseAxis(b.axis) == 1.0; }));
    EXPECT_EQ(input_.anyMouseButton(), 1.0);
    Position p{};
    input_.mouseState(p.x, p.y, p.left, p.right);
    EXPECT_EQ(p.left, b.xButton == 1 ? 1.0 : 0.0);
    EXPECT_EQ(p.right, b.xButton == 3 ? 1.0 : 0.0);
    ASSERT_TRUE(xdotool("mouseup " + std::to_string(b.xButton)));
    EXPECT_TRUE(waitFor([&] { return input_.anyMouseButton() == 0.0; }));
  }

  // The wheel is a sign per frame, taken by the frame's first read.
  ASSERT_TRUE(xdotool("click 4"));
  holdFor(50);
  input_.setNewFrame();
  EXPECT_EQ(input_.mouseAxis(2), 1);
  EXPECT_EQ(input_.mouseAxis(2), 1);
  input_.setNewFrame();
  EXPECT_EQ(input_.mouseAxis(2), 0);
  ASSERT_TRUE(xdotool("click --repeat 3 --delay 10 5"));
  holdFor(50);
  input_.setNewFrame();
  EXPECT_EQ(input_.mouseAxis(2), -1);
  EXPECT_EQ(input_.mouseAxis(6), 0);
  EXPECT_EQ(input_.mouseAxis(-1), 0);
}

}  // namespace
}  // namespace korvane
