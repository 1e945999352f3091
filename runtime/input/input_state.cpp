#include "runtime/input/input_state.h"

#include <algorithm>
#include <cmath>

#include "runtime/core/stop/error_stop.h"
#include "runtime/core/stop/upward_calls.h"
#include "runtime/platform/events.h"
#include "runtime/platform/input_system.h"
#include "runtime/platform/joystick.h"
#include "runtime/platform/keyboard.h"
#include "runtime/platform/mouse.h"
#include "runtime/platform/window.h"
#include "runtime/values/conversions.h"

namespace korvane {

namespace {

// Keys whose character is fixed rather than taken from the layout.
struct FixedCharacter {
  int code;
  int character;
};
constexpr FixedCharacter kFixedCharacters[] = {
    {14, 8},    // Backspace
    {28, 10},   // Enter
    {156, 10},  // keypad Enter
    {29, 0},    // left Ctrl
    {42, 0},    // left Shift
    {54, 0},    // right Shift
    {56, 0},    // left Alt
    {58, 0},    // Caps Lock
    {69, 0},    // Num Lock
    {221, 0},   // menu key
};
static_assert(std::size(kFixedCharacters) == 10);

// The translation first turns the key code into a virtual key, as a scan code. An extended
// code is no scan code and has no virtual key; the keypad's digit and point keys become the
// cursor-block keys they double as, which type nothing. The keypad's "*", "-" and "+" keep
// their own virtual keys and type through the layout.
constexpr int kExtendedKeyBit = 0x80;
constexpr int kKeypadCursorBlockCodes[] = {
    71, 72, 73,  // 7 Home, 8 up, 9 Page Up
    75, 76, 77,  // 4 left, 5 clear, 6 right
    79, 80, 81,  // 1 End, 2 down, 3 Page Down
    82, 83,      // 0 Insert, point Delete
};
static_assert(std::size(kKeypadCursorBlockCodes) == 11);

// Hat positions and their POV directions in hundredths of a degree.
struct HatDirection {
  uint8_t hat;
  uint32_t pov;
};
constexpr HatDirection kHatDirections[] = {
    {platform::kHatUp, 0},       {platform::kHatUp | platform::kHatRight, 4500},
    {platform::kHatRight, 9000}, {platform::kHatDown | platform::kHatRight, 13500},
    {platform::kHatDown, 18000}, {platform::kHatDown | platform::kHatLeft, 22500},
    {platform::kHatLeft, 27000}, {platform::kHatUp | platform::kHatLeft, 31500},
};
static_assert(std::size(kHatDirections) == 8);

constexpr int kPovUp = 0;
constexpr int kPovRight = 9000;
constexpr int kPovDown = 18000;
constexpr int kPovLeft = 27000;
constexpr double kAxisScale = 32767;
constexpr double kPadDeadBand = 30000;
constexpr int kSliderOffset = 32768;

// The module's input state (createInputState .. destroyInputState).
InputState* globalInput = nullptr;

// The platform's observer carries no context: dispatched input events go to the module's own
// input state.
void observeInputEvent(const platform::Event& event) {
  if (globalInput != nullptr) globalInput->noteEvent(event);
}

uint32_t povOfHat(uint8_t hat) {
  for (const HatDirection& d : kHatDirections) {
    if (d.hat == hat) return d.pov;
  }
  return kPovCentred;
}

// SDL's -32768..32767 stretched to -32768..32768.
int32_t scaledAxis(int32_t v) {
  if (v <= 0) return v;
  return static_cast<int32_t>(std::lround(v * 32768.0 / 32767.0));
}

int16_t signOf(int v) { return static_cast<int16_t>((v > 0) - (v < 0)); }

double clampedAxis(int32_t v) { return std::clamp(v / kAxisScale, -1.0, 1.0); }

}  // namespace

InputState::~InputState() { releaseInput(); }

platform::Window* InputState::window() {
  auto mainWindow = upwardCalls().mainWindow;
  return mainWindow != nullptr ? mainWindow() : nullptr;
}

uint32_t InputState::initInput(void*, bool captureMouse) {
  uint32_t status = kInputStarted;
  inputSystem_ = platform::startInputSystem();
  if (!inputSystem_) {
    appendErrorLog(kNoInputSystemLine);
    status = kNoInputSystem;
  }
  platform::pointerInWindow(window(), mouseX_, mouseY_);

  keyboard_ = platform::keyboardAvailable();
  if (inputSystem_ && !keyboard_) {
    appendErrorLog(kNoKeyboardLine);
    status = kNoKeyboard;
  }

  systemCursor_ = false;
  mouseDevice_ = false;
  if (captureMouse) {
    mouseDevice_ = platform::setRelativeMouseMode(true);
    if (!mouseDevice_) {
      appendErrorLog(kNoMouseLine);
      status = kNoMouse;
    }
  } else {
    systemCursor_ = true;
    // Without capture there is no relative device to switch to later.
    mouseDevice_ = false;
    platform::showArrowPointer(true);
  }

  joystickCount_ = 0;
  if (inputSystem_) {
    const int devices = platform::joystickDeviceCount();
    for (int i = 0; i < devices && joystickCount_ < kMaxJoysticks; ++i) {
      platform::Joystick* joystick = platform::openJoystick(i);
      if (joystick == nullptr) continue;
      const std::string name = platform::joystickName(joystick);
      std::string full = name + ", " + name;
      if (full.size() >= kJoystickNameCapacity) full.resize(kJoystickNameCapacity - 1);
      joysticks_[static_cast<size_t>(joystickCount_)] = joystick;
      joystickNames_[static_cast<size_t>(joystickCount_)] = full;
      ++joystickCount_;
    }
  }

  platform::setInputEventObserver(observeInputEvent);
  return status;
}

void InputState::releaseInput() {
  if (this == globalInput) platform::setInputEventObserver(nullptr);
  // The pointer is given back without being moved: at program end the window may be gone.
  if (!systemCursor_ && mouseDevice_) {
    platform::setRelativeMouseMode(false);
    platform::showArrowPointer(true);
    systemCursor_ = true;
  }
  mouseDevice_ = false;
  for (int i = 0; i < kMaxJoysticks; ++i) {
    platform::closeJoystick(joysticks_[static_cast<size_t>(i)]);
    joysticks_[static_cast<size_t>(i)] = nullptr;
    joystickNames_[static_cast<size_t>(i)].clear();
  }
  joystickCount_ = 0;
  if (inputSystem_) platform::stopInputSystem();
  inputSystem_ = false;
  keyboard_ = false;
}

void InputState::pollKeyboard() { platform::readKeyboard(keyBuffer_.data()); }

double InputState::keyDown(double code) {
  pollKeyboard();
  const int key = truncateToInt32(code) & 0xFF;
  return (keyBuffer_[static_cast<size_t>(key)] & kKeyDownBit) != 0 ? 1.0 : 0.0;
}

int InputState::readMouse(MouseSample& sample) {
  sample = MouseSample{};
  platform::pumpInputEvents();
  if (newFrame_) {
    newFrame_ = false;
    lastWheel_ = signOf(pendingWheel_ + platform::takeWheelSteps());
    pendingWheel_ = 0;
    int dx = 0, dy = 0;
    if (systemCursor_ || !mouseDevice_) {
      // Absolute: the pointer itself; movement is its distance from the stored position.
      int x = 0, y = 0;
      platform::pointerInWindow(window(), x, y);
      dx = x - mouseX_;
      dy = y - mouseY_;
      mouseX_ = x;
      mouseY_ = y;
    } else {
      platform::takeRelativeMotion(dx, dy);
      mouseX_ += dx;
      mouseY_ += dy;
    }
    lastDx_ = static_cast<int16_t>(dx);
    lastDy_ = static_cast<int16_t>(dy);
  }
  const platform::MouseButtons buttons = platform::mouseButtons();
  sample.left = buttons.left ? 1 : 0;
  sample.right = buttons.right ? 1 : 0;
  sample.middle = buttons.middle ? 1 : 0;
  sample.dx = lastDx_;
  sample.dy = lastDy_;
  sample.wheel = lastWheel_;
  return 1;
}

void InputState::mouseState(double& x, double& y, double& left, double& right) {
  MouseSample sample;
  readMouse(sample);
  const platform::Size size = platform::windowSize(window());
  mouseX_ = std::max(0, std::min(mouseX_, size.width - 1));
  mouseY_ = std::max(0, std::min(mouseY_, size.height - 1));
  x = mouseX_;
  y = mouseY_;
  left = sample.left != 0 ? 1.0 : 0.0;
  right = sample.right != 0 ? 1.0 : 0.0;
}

double InputState::mouseAxis(double n) {
  MouseSample sample;
  readMouse(sample);
  switch (truncateToInt32(n)) {
    case 0:
      return sample.dx;
    case 1:
      return sample.dy;
    case 2:
      return sample.wheel;
    case 3:
      return sample.left != 0 ? 1 : 0;
    case 4:
      return sample.right != 0 ? 1 : 0;
    case 5:
      return sample.middle != 0 ? 1 : 0;
    default:
      return 0;
  }
}

void InputState::setMousePosition(double x, double y) {
  mouseX_ = truncateToInt32(x);
  mouseY_ = truncateToInt32(y);
}

void InputState::setSystemCursor(double show) {
  const bool shown = isTrue(show);
  if (shown == systemCursor_) return;
  systemCursor_ = shown;
  if (mouseDevice_) applyCursorMode();
}

void InputState::applyCursorMode() {
  platform::setRelativeMouseMode(!systemCursor_);
  if (systemCursor_) {
    platform::warpPointer(window(), mouseX_, mouseY_);
    platform::showArrowPointer(true);
  }
}

double InputState::anyMouseButton() {
  MouseSample sample;
  readMouse(sample);
  return (sample.left | sample.right | sample.middle) != 0 ? 1.0 : 0.0;
}

int InputState::scanCodeToChar(int code) {
  for (const FixedCharacter& f : kFixedCharacters) {
    if (f.code == code) return f.character;
  }
  if ((code & kExtendedKeyBit) != 0) return 0;
  for (int c : kKeypadCursorBlockCodes) {
    if (c == code) return 0;
  }
  const int32_t symbol = platform::keySymbolForKeyCode(code);
  // The bit must be tested before narrowing, or F1 would become a character.
  if ((symbol & platform::kNonCharacterSymbolBit) != 0 || symbol < 0 || symbol > 255) return 0;
  if (symbol == 8 || symbol == 10) return symbol;
  if (symbol < 32) return 0;
  return symbol;
}

int InputState::readKeyChar() {
  pollKeyboard();
  int character = 0;
  for (int code = 0; code < 255 && character == 0; ++code) {
    if ((keyBuffer_[static_cast<size_t>(code)] & kKeyDownBit) != 0) {
      character = scanCodeToChar(code);
    }
  }
  const bool shift = ((keyBuffer_[kKeyLeftShift] | keyBuffer_[kKeyRightShift]) & kKeyDownBit) != 0;
  if (shift && character >= 'a' && character <= 'z') character -= 32;
  if (character == lastCharacter_) return 0;
  lastCharacter_ = character;
  return character;
}

double InputState::keyCharAvailable() { return readKeyChar() != 0 ? 1.0 : 0.0; }

int InputState::readJoystick(int index, JoystickSample& sample) {
  sample = JoystickSample{};
  if (index < 0 || index >= kMaxJoysticks || joysticks_[static_cast<size_t>(index)] == nullptr) {
    // Only the first two slots had a fallback device behind them.
    return (index == 0 || index == 1) ? 1 : 0;
  }
  platform::JoystickReading r;
  platform::readJoystickState(joysticks_[static_cast<size_t>(index)], r);
  sample.x = scaledAxis(r.axes[0]);
  sample.y = scaledAxis(r.axes[1]);
  sample.z = scaledAxis(r.axes[2]);
  sample.rotationX = scaledAxis(r.axes[3]);
  sample.rotationY = scaledAxis(r.axes[4]);
  sample.rotationZ = scaledAxis(r.axes[5]);
  sample.sliders[0] = r.axes[6] + kSliderOffset;
  sample.sliders[1] = r.axes[7] + kSliderOffset;
  for (int i = 0; i < platform::kJoystickHatCount; ++i) sample.pov[i] = povOfHat(r.hats[i]);
  for (int i = 0; i < platform::kJoystickButtonCount; ++i) {
    sample.buttons[i] = r.buttons[i] ? kJoystickButtonDown : 0;
  }
  return 1;
}

RtString InputState::joystickName(double index) const {
  const int i = truncateToInt32(index);
  if (i < 0 || i >= joystickCount_) return RtString();
  return RtString(std::string_view(joystickNames_[static_cast<size_t>(i)]));
}

void InputState::rumbleJoystick(double index, double durationMs, double forceX, double forceY) {
  const int i = truncateToInt32(index);
  if (i < 0 || i >= kMaxJoysticks || joysticks_[static_cast<size_t>(i)] == nullptr) return;
  auto clampForce = [](double f) { return std::isnan(f) ? 0.0 : std::clamp(f, -1.0, 1.0); };
  const double fx = clampForce(forceX);
  const double fy = clampForce(forceY);
  const double magnitude = (fx * fx + fy * fy) * 0.5;
  const auto strength = static_cast<uint16_t>(magnitude * 65535.0);
  const int64_t ms = std::clamp<int64_t>(truncateToInt64(durationMs), 0, UINT32_MAX);
  platform::rumble(joysticks_[static_cast<size_t>(i)], strength, strength,
                   static_cast<uint32_t>(ms));
}

void InputState::noteEvent(const platform::Event& event) {
  if (event.kind == platform::EventKind::kMouseWheel) pendingWheel_ += event.wheelY;
}

// ---- the process-wide state and the commands

namespace {

JoystickSample joystickSample(double index) {
  JoystickSample sample;
  if (globalInput != nullptr) globalInput->readJoystick(truncateToInt32(index), sample);
  return sample;
}

bool joystickPresent(double index) {
  return globalInput != nullptr && globalInput->hasJoystick(truncateToInt32(index));
}
}  // namespace

InputState* inputState() { return globalInput; }

void createInputState() {
  if (globalInput == nullptr) globalInput = new InputState;
}

void destroyInputState() {
  delete globalInput;  // the destructor releases the devices
  globalInput = nullptr;
}

double keyDown(double code) { return globalInput != nullptr ? globalInput->keyDown(code) : 0; }

void mouseState(double& x, double& y, double& left, double& right) {
  if (globalInput == nullptr) {
    x = y = left = right = 0;
    return;
  }
  globalInput->mouseState(x, y, left, right);
}

double mouseAxis(double n) { return globalInput != nullptr ? globalInput->mouseAxis(n) : 0; }

void setMousePosition(double x, double y) {
  if (globalInput != nullptr) globalInput->setMousePosition(x, y);
}

void setSystemCursor(double show) {
  if (globalInput != nullptr) globalInput->setSystemCursor(show);
}

double anyMouseButton() { return globalInput != nullptr ? globalInput->anyMouseButton() : 0; }

RtString readKeyChar() {
  const int c = globalInput != nullptr ? globalInput->readKeyChar() : 0;
  const char text = static_cast<char>(c);
  return c != 0 ? RtString(std::string_view(&text, 1)) : RtString();
}

double keyCharAvailable() { return globalInput != nullptr ? globalInput->keyCharAvailable() : 0; }

double joystickCount() { return globalInput != nullptr ? globalInput->joystickCount() : 0; }

RtString joystickName(double index) {
  return globalInput != nullptr ? globalInput->joystickName(index) : RtString();
}

void rumbleJoystick(double index, double durationMs, double forceX, double forceY) {
  if (globalInput != nullptr) globalInput->rumbleJoystick(index, durationMs, forceX, forceY);
}

double joystickX(double index) { return clampedAxis(joystickSample(index).x); }
double joystickY(double index) { return clampedAxis(joystickSample(index).y); }
double joystickZ(double index) { return clampedAxis(joystickSample(index).z); }
double joystickRotationX(double index) { return clampedAxis(joystickSample(index).rotationX); }
double joystickRotationY(double index) { return clampedAxis(joystickSample(index).rotationY); }
double joystickRotationZ(double index) { return clampedAxis(joystickSample(index).rotationZ); }

double joystickPovVertical(double index) {
  if (!joystickPresent(index)) return 0;
  const uint32_t pov = joystickSample(index).pov[0];
  return pov == kPovUp ? -1 : (pov == kPovDown ? 1 : 0);
}

double joystickPovHorizontal(double index) {
  if (!joystickPresent(index)) return 0;
  const uint32_t pov = joystickSample(index).pov[0];
  return pov == kPovRight ? 1 : (pov == kPovLeft ? -1 : 0);
}

void joystickPad(double& x, double& y, double& button1, double& button2) {
  const JoystickSample s = joystickSample(0);
  x = std::trunc(s.x / kPadDeadBand);
  y = std::trunc(s.y / kPadDeadBand);
  button1 = s.buttons[0];
  button2 = s.buttons[1];
}

}  // namespace korvane
