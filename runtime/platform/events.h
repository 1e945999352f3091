// The window-system event queue in the runtime's own types and codes, and its dispatcher.
// Window events go to the runtime's window handler, input events to the input observer; both
// are registered from above, so the platform never calls upward by name. Without a running
// video system the queue is empty. Main thread only.
#pragma once

#include <cstdint>

namespace korvane::platform {

enum class EventKind : uint8_t {
  kFocusGained,   // the main window became the input focus
  kFocusLost,     // it lost the input focus
  kCloseRequest,  // window close box, WM_DELETE_WINDOW, or the quit request of the system
  kWindowShown,
  kWindowHidden,
  kKeyDown,  // keyCode, repeat
  kKeyUp,
  kTextInput,        // text (UTF-8, NUL-terminated)
  kMouseMotion,      // x, y (window pixels), dx, dy (relative motion)
  kMouseButtonDown,  // button, x, y
  kMouseButtonUp,
  kMouseWheel,       // wheelX, wheelY (positive y = away from the user)
  kJoystickAdded,    // device: the device index to open
  kJoystickRemoved,  // device: the instance id of the removed joystick
};

// Mouse buttons as the event carries them.
inline constexpr int kMouseButtonLeft = 1;
inline constexpr int kMouseButtonMiddle = 2;
inline constexpr int kMouseButtonRight = 3;
inline constexpr int kMouseButtonX1 = 4;
inline constexpr int kMouseButtonX2 = 5;

struct Event {
  EventKind kind = EventKind::kFocusGained;
  uint32_t windowId = 0;  // the window the event belongs to (0 when none)
  int keyCode = 0;        // key events: set-1 code, 0x80 added for extended; 0 for other keys
  bool repeat = false;    // key held down and repeating
  int x = 0, y = 0;       // mouse position in window pixels
  int dx = 0, dy = 0;     // relative mouse motion
  int button = 0;         // kMouseButton*
  int wheelX = 0, wheelY = 0;
  int device = 0;      // joystick device index (added) or instance id (removed)
  char text[32] = {};  // text input, UTF-8
};

using EventObserver = void (*)(const Event&);

// The runtime's window procedure: receives focus, close and shown/hidden events. nullptr
// drops them.
void setWindowEventHandler(EventObserver handler);

// The input module registers here during its start-up: receives key, text, mouse and
// joystick events. nullptr drops them.
void setInputEventObserver(EventObserver observer);

// Takes the next pending event off the queue without dispatching it. Events of no interest
// are skipped. Returns false when the queue is empty (or the video system is not started).
bool pollEvent(Event& event);

// Takes one pending event and hands it to its registered receiver. Returns false when there
// was none. A receiver may end the process (the close request does).
bool dispatchOneEvent();

// Dispatches every pending event; returns how many were dispatched.
int pumpEvents();

}  // namespace korvane::platform
