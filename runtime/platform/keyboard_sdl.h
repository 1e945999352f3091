// The keyboard over SDL: key codes are PC set-1 scan codes with 0x80 added for extended keys,
// mapped from SDL scancodes through one table. Main thread only (the one owning the window).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvane::platform {

inline constexpr int kKeyCodeCount = 256;
// A key symbol with this bit names a key without a character (F1, cursor keys, keypad).
inline constexpr int32_t kNonCharacterSymbolBit = 0x40000000;

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

// Pumps the window system's events into SDL (they stay queued for the dispatch points), then
// fills `buffer` (kKeyCodeCount bytes) with 0x80 for every key down and 0 otherwise, then
// drops every pending key and text event. All zero when the video system is not running.
void readKeyboard(uint8_t* buffer);

// True when SDL can report the keyboard (the video system is running).
bool keyboardAvailable();

// The current layout's unshifted key symbol for a key code (SDL_Keycode value: a character
// code, or a value with kNonCharacterSymbolBit); 0 for a code without a key. The keypad's
// digit and operator keys give the character they type ('7', '*', '/'), not a keypad symbol.
int32_t keySymbolForKeyCode(int code);

}  // namespace korvane::platform
