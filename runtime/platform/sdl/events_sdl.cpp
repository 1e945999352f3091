// Translation of SDL events into platform events and their routing.
#include <SDL.h>

#include <cstdio>

#include "runtime/platform/events.h"
#include "runtime/platform/sdl/key_code_table.h"

namespace korvane::platform {

// Mouse buttons pass through as SDL numbers them.
static_assert(SDL_BUTTON_LEFT == kMouseButtonLeft && SDL_BUTTON_MIDDLE == kMouseButtonMiddle &&
              SDL_BUTTON_RIGHT == kMouseButtonRight && SDL_BUTTON_X1 == kMouseButtonX1 &&
              SDL_BUTTON_X2 == kMouseButtonX2);

namespace {
EventObserver windowHandler = nullptr;
EventObserver inputObserver = nullptr;

bool isWindowKind(EventKind kind) {
  switch (kind) {
    case EventKind::kFocusGained:
    case EventKind::kFocusLost:
    case EventKind::kCloseRequest:
    case EventKind::kWindowShown:
    case EventKind::kWindowHidden:
      return true;
    default:
      return false;
  }
}

// Returns false for SDL events nobody above the platform handles.
bool translate(const SDL_Event& in, Event& out) {
  out = Event{};
  switch (in.type) {
    case SDL_QUIT:
      out.kind = EventKind::kCloseRequest;
      return true;
    case SDL_WINDOWEVENT:
      out.windowId = in.window.windowID;
      switch (in.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          out.kind = EventKind::kFocusGained;
          return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          out.kind = EventKind::kFocusLost;
          return true;
        case SDL_WINDOWEVENT_CLOSE:
          out.kind = EventKind::kCloseRequest;
          return true;
        case SDL_WINDOWEVENT_SHOWN:
          out.kind = EventKind::kWindowShown;
          return true;
        case SDL_WINDOWEVENT_HIDDEN:
          out.kind = EventKind::kWindowHidden;
          return true;
        default:
          return false;
      }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      out.kind = in.type == SDL_KEYDOWN ? EventKind::kKeyDown : EventKind::kKeyUp;
      out.windowId = in.key.windowID;
      out.keyCode = keyCodeForScancode(in.key.keysym.scancode);
      out.repeat = in.key.repeat != 0;
      return true;
    case SDL_TEXTINPUT:
      out.kind = EventKind::kTextInput;
      out.windowId = in.text.windowID;
      std::snprintf(out.text, sizeof out.text, "%s", in.text.text);
      return true;
    case SDL_MOUSEMOTION:
      out.kind = EventKind::kMouseMotion;
      out.windowId = in.motion.windowID;
      out.x = in.motion.x;
      out.y = in.motion.y;
      out.dx = in.motion.xrel;
      out.dy = in.motion.yrel;
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out.kind =
          in.type == SDL_MOUSEBUTTONDOWN ? EventKind::kMouseButtonDown : EventKind::kMouseButtonUp;
      out.windowId = in.button.windowID;
      out.button = in.button.button;
      out.x = in.button.x;
      out.y = in.button.y;
      return true;
    case SDL_MOUSEWHEEL:
      out.kind = EventKind::kMouseWheel;
      out.windowId = in.wheel.windowID;
      out.wheelX = in.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -in.wheel.x : in.wheel.x;
      out.wheelY = in.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -in.wheel.y : in.wheel.y;
      return true;
    case SDL_JOYDEVICEADDED:
      out.kind = EventKind::kJoystickAdded;
      out.device = in.jdevice.which;
      return true;
    case SDL_JOYDEVICEREMOVED:
      out.kind = EventKind::kJoystickRemoved;
      out.device = in.jdevice.which;
      return true;
    default:
      return false;
  }
}
}  // namespace

void setWindowEventHandler(EventObserver handler) { windowHandler = handler; }

void setInputEventObserver(EventObserver observer) { inputObserver = observer; }

bool pollEvent(Event& event) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  SDL_Event raw;
  while (SDL_PollEvent(&raw) != 0) {
    if (translate(raw, event)) return true;
  }
  return false;
}

bool dispatchOneEvent() {
  Event event;
  if (!pollEvent(event)) return false;
  EventObserver receiver = isWindowKind(event.kind) ? windowHandler : inputObserver;
  if (receiver != nullptr) receiver(event);
  return true;
}

int pumpEvents() {
  int count = 0;
  while (dispatchOneEvent()) ++count;
  return count;
}

}  // namespace korvane::platform
