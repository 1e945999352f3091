// Inside the platform layer only: the table between the runtime's key codes and SDL
// scancodes, which the keyboard and the event translation both read.
#pragma once

#include <cstdint>
#include <span>

namespace korvane::platform {

struct KeyCodeRow {
  uint8_t code;  // set-1 scan code, 0x80 added for extended keys
  int scancode;  // the SDL scancode number of that key
};

// Every row of the table, in key-code order. A code may appear twice when two SDL scancodes
// stand for the same physical key; the first row is the one scancodeForKeyCode gives.
std::span<const KeyCodeRow> keyCodeTable();

// The key code of an SDL scancode; 0 when the table has none.
int keyCodeForScancode(int scancode);

// The SDL scancode of a key code; 0 (unknown) when the table has none.
int scancodeForKeyCode(int code);

}  // namespace korvane::platform
