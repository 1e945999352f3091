// The built-in 8 x 8 font: a 5 x 6 glyph per character code 32..127 and the 128 x 64 picture
// made from them, used when a font file cannot be loaded.
#pragma once

#include <array>
#include <cstdint>

#include "runtime/gfx2d/rgba_image.h"

namespace korvane {

inline constexpr int kFirstGlyphCode = 32;
inline constexpr int kGlyphColumns = 5;
inline constexpr int kGlyphRows = 6;
inline constexpr int kBuiltinFontWidth = 128;
inline constexpr int kBuiltinFontHeight = 64;
inline constexpr int kBuiltinCellSize = 8;

// Bit 5 x r + k is glyph row r (top first), column k (left first).
inline constexpr std::array<uint32_t, 96> kGlyphWords = {
    0x00000000u,  //  32 space
    0x08021080u,  //  33 '!'
    0x00002940u,  //  34 '"'
    0x15F57D40u,  //  35 '#'
    0x08E619C4u,  //  36 '$'
    0x14222140u,  //  37 '%'
    0x0ED114E0u,  //  38 '&'
    0x00001080u,  //  39 apostrophe
    0x08210880u,  //  40 '('
    0x04421040u,  //  41 ')'
    0x09575480u,  //  42 '*'
    0x08471080u,  //  43 '+'
    0x04400000u,  //  44 ','
    0x00070000u,  //  45 '-'
    0x08000000u,  //  46 '.'
    0x04222100u,  //  47 '/'
    0x00E5294Eu,  //  48 '0'
    0x004210C4u,  //  49 '1'
    0x00E1390Eu,  //  50 '2'
    0x00E4390Eu,  //  51 '3'
    0x0084394Au,  //  52 '4'
    0x00E4384Eu,  //  53 '5'
    0x00E5384Eu,  //  54 '6'
    0x0042210Eu,  //  55 '7'
    0x00E5394Eu,  //  56 '8'
    0x00E4394Eu,  //  57 '9'
    0x00020080u,  //  58 ':'
    0x00220080u,  //  59 ';'
    0x00820888u,  //  60 '<'
    0x000701C0u,  //  61 '='
    0x00222082u,  //  62 '>'
    0x0040310Eu,  //  63 '?'
    0x00E0B526u,  //  64 '@'
    0x00A5394Eu,  //  65 'A'
    0x00E5194Eu,  //  66 'B'
    0x00E5094Eu,  //  67 'C'
    0x00E52946u,  //  68 'D'
    0x00E1384Eu,  //  69 'E'
    0x0021384Eu,  //  70 'F'
    0x00E5284Eu,  //  71 'G'
    0x00A5394Au,  //  72 'H'
    0x00E2108Eu,  //  73 'I'
    0x00E5210Cu,  //  74 'J'
    0x00A5194Au,  //  75 'K'
    0x00E10842u,  //  76 'L'
    0x015AD6BFu,  //  77 'M'
    0x00A5294Eu,  //  78 'N'
    0x00E5294Eu,  //  79 'O'
    0x0021394Eu,  //  80 'P'
    0x00F294A7u,  //  81 'Q'
    0x00A5194Eu,  //  82 'R'
    0x00E4384Eu,  //  83 'S'
    0x0042108Eu,  //  84 'T'
    0x00E5294Au,  //  85 'U'
    0x0045294Au,  //  86 'V'
    0x01FAD6B5u,  //  87 'W'
    0x00A5114Au,  //  88 'X'
    0x0042394Au,  //  89 'Y'
    0x00E1110Eu,  //  90 'Z'
    0x00610846u,  //  91 '['
    0x01041041u,  //  92 backslash
    0x00621086u,  //  93 ']'
    0x00000144u,  //  94 '^'
    0x00E00000u,  //  95 '_'
    0x00000082u,  //  96 '`'
    0x00E53000u,  //  97 'a'
    0x00E53842u,  //  98 'b'
    0x00E13800u,  //  99 'c'
    0x00E53908u,  // 100 'd'
    0x08273800u,  // 101 'e'
    0x00423888u,  // 102 'f'
    0x08873800u,  // 103 'g'
    0x00A51842u,  // 104 'h'
    0x00421004u,  // 105 'i'
    0x04421004u,  // 106 'j'
    0x00A32842u,  // 107 'k'
    0x00421084u,  // 108 'l'
    0x015ABC00u,  // 109 'm'
    0x00A51800u,  // 110 'n'
    0x00E53800u,  // 111 'o'
    0x04E51800u,  // 112 'p'
    0x10E53000u,  // 113 'q'
    0x00253800u,  // 114 'r'
    0x00E409C0u,  // 115 's'
    0x00C23884u,  // 116 't'
    0x00C52800u,  // 117 'u'
    0x00452800u,  // 118 'v'
    0x00EAD400u,  // 119 'w'
    0x00A22800u,  // 120 'x'
    0x1C872800u,  // 121 'y'
    0x00E121C0u,  // 122 'z'
    0x00821888u,  // 123 '{'
    0x00421084u,  // 124 '|'
    0x00223082u,  // 125 '}'
    0x0002A800u,  // 126 '~'
    0x3F18C63Fu,  // 127 code 127
};
static_assert(kGlyphWords.size() == 128 - kFirstGlyphCode);

// Glyph pixels are white, their 4-neighbours inside the cell's first 7 columns dark grey.
inline constexpr uint8_t kGlyphInk[4] = {255, 255, 255, 255};
inline constexpr uint8_t kGlyphOutline[4] = {8, 8, 8, 255};

// True when glyph row r, column k of character `code` is set (false for codes below 32).
constexpr bool glyphBit(int code, int r, int k) {
  if (code < kFirstGlyphCode || code > 127) return false;
  return (kGlyphWords[code - kFirstGlyphCode] >> (kGlyphColumns * r + k)) & 1u;
}

// Fills `image` with the 128 x 64 picture: 16 x 8 cells of 8 x 8 for codes 0..127.
// Returns false only when the buffer cannot be had.
bool makeBuiltinFont(RgbaImage& image);

}  // namespace korvane
