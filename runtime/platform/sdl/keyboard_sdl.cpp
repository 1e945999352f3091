// The set-1 key-code table and the SDL keyboard state behind it.
#include <SDL.h>

#include <array>
#include <cstring>

#include "runtime/platform/keyboard.h"
#include "runtime/platform/sdl/key_code_table.h"

namespace korvane::platform {

// Key symbols pass through as SDL gives them, so the contract's flag must be SDL's.
static_assert(kNonCharacterSymbolBit == SDLK_SCANCODE_MASK);

namespace {

// Set-1 codes of a 105-key PC keyboard with its keypad and extended keys, plus the further
// keys that keyboards of other countries carry. 0x80 marks an E0-prefixed (extended) key.
constexpr KeyCodeRow kKeyCodes[] = {
    {0x01, SDL_SCANCODE_ESCAPE},
    {0x02, SDL_SCANCODE_1},
    {0x03, SDL_SCANCODE_2},
    {0x04, SDL_SCANCODE_3},
    {0x05, SDL_SCANCODE_4},
    {0x06, SDL_SCANCODE_5},
    {0x07, SDL_SCANCODE_6},
    {0x08, SDL_SCANCODE_7},
    {0x09, SDL_SCANCODE_8},
    {0x0A, SDL_SCANCODE_9},
    {0x0B, SDL_SCANCODE_0},
    {0x0C, SDL_SCANCODE_MINUS},
    {0x0D, SDL_SCANCODE_EQUALS},
    {0x0E, SDL_SCANCODE_BACKSPACE},
    {0x0F, SDL_SCANCODE_TAB},
    {0x10, SDL_SCANCODE_Q},
    {0x11, SDL_SCANCODE_W},
    {0x12, SDL_SCANCODE_E},
    {0x13, SDL_SCANCODE_R},
    {0x14, SDL_SCANCODE_T},
    {0x15, SDL_SCANCODE_Y},
    {0x16, SDL_SCANCODE_U},
    {0x17, SDL_SCANCODE_I},
    {0x18, SDL_SCANCODE_O},
    {0x19, SDL_SCANCODE_P},
    {0x1A, SDL_SCANCODE_LEFTBRACKET},
    {0x1B, SDL_SCANCODE_RIGHTBRACKET},
    {0x1C, SDL_SCANCODE_RETURN},
    {0x1D, SDL_SCANCODE_LCTRL},
    {0x1E, SDL_SCANCODE_A},
    {0x1F, SDL_SCANCODE_S},
    {0x20, SDL_SCANCODE_D},
    {0x21, SDL_SCANCODE_F},
    {0x22, SDL_SCANCODE_G},
    {0x23, SDL_SCANCODE_H},
    {0x24, SDL_SCANCODE_J},
    {0x25, SDL_SCANCODE_K},
    {0x26, SDL_SCANCODE_L},
    {0x27, SDL_SCANCODE_SEMICOLON},
    {0x28, SDL_SCANCODE_APOSTROPHE},
    {0x29, SDL_SCANCODE_GRAVE},
    {0x2A, SDL_SCANCODE_LSHIFT},
    {0x2B, SDL_SCANCODE_BACKSLASH},
    {0x2B, SDL_SCANCODE_NONUSHASH},  // the same key position on ISO keyboards
    {0x2C, SDL_SCANCODE_Z},
    {0x2D, SDL_SCANCODE_X},
    {0x2E, SDL_SCANCODE_C},
    {0x2F, SDL_SCANCODE_V},
    {0x30, SDL_SCANCODE_B},
    {0x31, SDL_SCANCODE_N},
    {0x32, SDL_SCANCODE_M},
    {0x33, SDL_SCANCODE_COMMA},
    {0x34, SDL_SCANCODE_PERIOD},
    {0x35, SDL_SCANCODE_SLASH},
    {0x36, SDL_SCANCODE_RSHIFT},
    {0x37, SDL_SCANCODE_KP_MULTIPLY},
    {0x38, SDL_SCANCODE_LALT},
    {0x39, SDL_SCANCODE_SPACE},
    {0x3A, SDL_SCANCODE_CAPSLOCK},
    {0x3B, SDL_SCANCODE_F1},
    {0x3C, SDL_SCANCODE_F2},
    {0x3D, SDL_SCANCODE_F3},
    {0x3E, SDL_SCANCODE_F4},
    {0x3F, SDL_SCANCODE_F5},
    {0x40, SDL_SCANCODE_F6},
    {0x41, SDL_SCANCODE_F7},
    {0x42, SDL_SCANCODE_F8},
    {0x43, SDL_SCANCODE_F9},
    {0x44, SDL_SCANCODE_F10},
    {0x45, SDL_SCANCODE_NUMLOCKCLEAR},
    {0x46, SDL_SCANCODE_SCROLLLOCK},
    {0x47, SDL_SCANCODE_KP_7},
    {0x48, SDL_SCANCODE_KP_8},
    {0x49, SDL_SCANCODE_KP_9},
    {0x4A, SDL_SCANCODE_KP_MINUS},
    {0x4B, SDL_SCANCODE_KP_4},
    {0x4C, SDL_SCANCODE_KP_5},
    {0x4D, SDL_SCANCODE_KP_6},
    {0x4E, SDL_SCANCODE_KP_PLUS},
    {0x4F, SDL_SCANCODE_KP_1},
    {0x50, SDL_SCANCODE_KP_2},
    {0x51, SDL_SCANCODE_KP_3},
    {0x52, SDL_SCANCODE_KP_0},
    {0x53, SDL_SCANCODE_KP_PERIOD},
    {0x56, SDL_SCANCODE_NONUSBACKSLASH},  // the 105th key, beside left Shift
    {0x57, SDL_SCANCODE_F11},
    {0x58, SDL_SCANCODE_F12},
    {0x64, SDL_SCANCODE_F13},
    {0x65, SDL_SCANCODE_F14},
    {0x66, SDL_SCANCODE_F15},
    {0x70, SDL_SCANCODE_INTERNATIONAL2},  // kana
    {0x73, SDL_SCANCODE_INTERNATIONAL1},  // ro, Brazilian slash
    {0x79, SDL_SCANCODE_INTERNATIONAL4},  // convert
    {0x7B, SDL_SCANCODE_INTERNATIONAL5},  // no convert
    {0x7D, SDL_SCANCODE_INTERNATIONAL3},  // yen
    {0x8D, SDL_SCANCODE_KP_EQUALS},
    {0x9C, SDL_SCANCODE_KP_ENTER},
    {0x9D, SDL_SCANCODE_RCTRL},
    {0xB3, SDL_SCANCODE_KP_COMMA},
    {0xB5, SDL_SCANCODE_KP_DIVIDE},
    {0xB7, SDL_SCANCODE_PRINTSCREEN},
    {0xB8, SDL_SCANCODE_RALT},
    {0xC5, SDL_SCANCODE_PAUSE},
    {0xC7, SDL_SCANCODE_HOME},
    {0xC8, SDL_SCANCODE_UP},
    {0xC9, SDL_SCANCODE_PAGEUP},
    {0xCB, SDL_SCANCODE_LEFT},
    {0xCD, SDL_SCANCODE_RIGHT},
    {0xCF, SDL_SCANCODE_END},
    {0xD0, SDL_SCANCODE_DOWN},
    {0xD1, SDL_SCANCODE_PAGEDOWN},
    {0xD2, SDL_SCANCODE_INSERT},
    {0xD3, SDL_SCANCODE_DELETE},
    {0xDB, SDL_SCANCODE_LGUI},
    {0xDC, SDL_SCANCODE_RGUI},
    {0xDD, SDL_SCANCODE_APPLICATION},
};
static_assert(std::size(kKeyCodes) == 116);

// SDL names the keypad's keys by symbols of their own on every layout (with the
// kNonCharacterSymbolBit), though the layout types a character with them.
struct KeypadCharacter {
  SDL_Keycode symbol;
  char character;
};
constexpr KeypadCharacter kKeypadCharacters[] = {
    {SDLK_KP_DIVIDE, '/'}, {SDLK_KP_MULTIPLY, '*'}, {SDLK_KP_MINUS, '-'}, {SDLK_KP_PLUS, '+'},
    {SDLK_KP_1, '1'},      {SDLK_KP_2, '2'},        {SDLK_KP_3, '3'},     {SDLK_KP_4, '4'},
    {SDLK_KP_5, '5'},      {SDLK_KP_6, '6'},        {SDLK_KP_7, '7'},     {SDLK_KP_8, '8'},
    {SDLK_KP_9, '9'},      {SDLK_KP_0, '0'},
};
static_assert(std::size(kKeypadCharacters) == 14);

// Lookup arrays built once from the table.
struct KeyMaps {
  std::array<uint8_t, SDL_NUM_SCANCODES> codeOfScancode{};
  std::array<int, kKeyCodeCount> scancodeOfCode{};
  KeyMaps() {
    for (const KeyCodeRow& row : kKeyCodes) {
      codeOfScancode[static_cast<size_t>(row.scancode)] = row.code;
      if (scancodeOfCode[row.code] == 0) scancodeOfCode[row.code] = row.scancode;
    }
  }
};

const KeyMaps& keyMaps() {
  static const KeyMaps maps;
  return maps;
}

}  // namespace

std::span<const KeyCodeRow> keyCodeTable() { return kKeyCodes; }

int keyCodeForScancode(int scancode) {
  if (scancode <= 0 || scancode >= SDL_NUM_SCANCODES) return 0;
  return keyMaps().codeOfScancode[static_cast<size_t>(scancode)];
}

int scancodeForKeyCode(int code) {
  if (code < 0 || code >= kKeyCodeCount) return 0;
  return keyMaps().scancodeOfCode[static_cast<size_t>(code)];
}

bool keyboardAvailable() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

void readKeyboard(uint8_t* buffer) {
  std::memset(buffer, 0, kKeyCodeCount);
  if (!keyboardAvailable()) return;
  SDL_PumpEvents();
  int count = 0;
  const Uint8* state = SDL_GetKeyboardState(&count);
  const KeyMaps& maps = keyMaps();
  for (int s = 1; s < count && s < SDL_NUM_SCANCODES; ++s) {
    if (state[s] != 0) {
      uint8_t code = maps.codeOfScancode[static_cast<size_t>(s)];
      if (code != 0) buffer[code] = 0x80;
    }
  }
  // Key presses are read as state; their queued events would only pile up.
  SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
}

int32_t keySymbolForKeyCode(int code) {
  int scancode = scancodeForKeyCode(code);
  if (scancode == 0 || !keyboardAvailable()) return 0;
  const SDL_Keycode symbol = SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode));
  for (const KeypadCharacter& k : kKeypadCharacters) {
    if (k.symbol == symbol) return k.character;
  }
  return symbol;
}

}  // namespace korvane::platform
