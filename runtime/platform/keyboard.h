// The keyboard: its keys as the runtime's key codes, PC set-1 scan codes with 0x80 added for
// extended (E0-prefixed) keys, whatever the backend calls them. Without a running video system
// every key reads up and no key has a symbol. Main thread only (the one owning the window).
#pragma once

#include <cstdint>

namespace korvane::platform {

inline constexpr int kKeyCodeCount = 256;
// A key symbol with this bit names a key without a character (F1, cursor keys, keypad).
inline constexpr int32_t kNonCharacterSymbolBit = 0x40000000;

// Pumps the window system's events (they stay queued for the dispatch points), then fills
// `buffer` (kKeyCodeCount bytes) with 0x80 for every key down and 0 otherwise, then drops every
// pending key and text event. All zero when the video system is not running.
void readKeyboard(uint8_t* buffer);

// True when the keyboard can be read (the video system is running).
bool keyboardAvailable();

// The current layout's unshifted key symbol for a key code: a character code (control
// characters included, such as Escape's), or a value with kNonCharacterSymbolBit for a key
// without a character; 0 for a code without a key or without a running video system. The
// keypad's digit and operator keys give the character they type ('7', '*', '/'), not a keypad
// symbol.
int32_t keySymbolForKeyCode(int code);

}  // namespace korvane::platform
