#pragma once

#include <array>

// Where a click on the picture accent pad or on the screen keyboard lands. Both pictures are
// mapped in "key coordinates" (x, y): the accent pad's are the picture's own pixel coordinates,
// the keyboard's are one pixel left of and above the picture's (see keyboardPointFromPicture).
// None of these functions touches a widget.
namespace tools {

struct PadPoint {
    int x = 0;
    int y = 0;
};

// Key coordinates of a click at (px, py) on the accent pad picture (pixels from its top left).
PadPoint accentPointFromPicture(int px, int py);
// Key coordinates of a click at (px, py) on the keyboard picture (pixels from its top left).
PadPoint keyboardPointFromPicture(int px, int py);
// Inverse of keyboardPointFromPicture, used to draw the keys where they respond.
PadPoint keyboardPointToPicture(int x, int y);

// Index into kAccentKeys (14 * (row - 1) + column - 1) of the cell at key coordinates (x, y),
// or -1 in the two-pixel gap between rows and right of the last column. Row 1 also takes every
// y above it and row 8 every y below it; column 1 every x left of it.
int accentKeyIndexAt(int x, int y);
// Row (1..8) for y, or 0 in a gap between rows.
int accentRowAt(int y);
// Column (1..14) for x, or 0 right of the grid.
int accentColumnAt(int x);

// A letter key of the screen keyboard: its row (2..4), its horizontal extent in key
// coordinates, its capital and small letter, and the Latin letter at the same place on a
// QWERTY keyboard (0 for none).
struct LetterKey {
    int row;
    int left;
    int right;
    char16_t capital;
    char16_t small;
    char latin;
};

// The vertical extent of a letter row: capitals from top to split, small letters from
// split + 1 to bottom.
struct LetterRow {
    int top;
    int split;
    int bottom;
};

// Rows 2, 3 and 4 of the keyboard.
inline constexpr std::array<LetterRow, 3> kLetterRows = {
    {{40, 58, 76}, {80, 98, 116}, {121, 139, 157}}};

// 33 keys, row by row, left to right.
// clang-format off
inline constexpr std::array<LetterKey, 33> kLetterKeys = {{
    // row left right capital  small     latin   char
    {2,  62,  98, u'\u0419', u'\u0439', 'Q'}, // Й й
    {2, 103, 139, u'\u0426', u'\u0446', 'W'}, // Ц ц
    {2, 144, 180, u'\u0423', u'\u0443', 'E'}, // У у
    {2, 184, 220, u'\u041A', u'\u043A', 'R'}, // К к
    {2, 225, 261, u'\u0415', u'\u0435', 'T'}, // Е е
    {2, 266, 302, u'\u041D', u'\u043D', 'Y'}, // Н н
    {2, 307, 343, u'\u0413', u'\u0433', 'U'}, // Г г
    {2, 348, 384, u'\u0428', u'\u0448', 'I'}, // Ш ш
    {2, 388, 424, u'\u0429', u'\u0449', 'O'}, // Щ щ
    {2, 429, 465, u'\u0417', u'\u0437', 'P'}, // З з
    {2, 470, 506, u'\u0425', u'\u0445',  0 }, // Х х
    {2, 511, 547, u'\u042A', u'\u044A',  0 }, // Ъ ъ
    {3,  72, 108, u'\u0424', u'\u0444', 'A'}, // Ф ф
    {3, 112, 148, u'\u042B', u'\u044B', 'S'}, // Ы ы
    {3, 153, 189, u'\u0412', u'\u0432', 'D'}, // В в
    {3, 194, 230, u'\u0410', u'\u0430', 'F'}, // А а
    {3, 235, 271, u'\u041F', u'\u043F', 'G'}, // П п
    {3, 276, 312, u'\u0420', u'\u0440', 'H'}, // Р р
    {3, 316, 352, u'\u041E', u'\u043E', 'J'}, // О о
    {3, 357, 393, u'\u041B', u'\u043B', 'K'}, // Л л
    {3, 398, 434, u'\u0414', u'\u0434', 'L'}, // Д д
    {3, 439, 475, u'\u0416', u'\u0436',  0 }, // Ж ж
    {3, 480, 516, u'\u042D', u'\u044D',  0 }, // Э э
    {4,  93, 129, u'\u042F', u'\u044F', 'Z'}, // Я я
    {4, 134, 170, u'\u0427', u'\u0447', 'X'}, // Ч ч
    {4, 175, 211, u'\u0421', u'\u0441', 'C'}, // С с
    {4, 216, 252, u'\u041C', u'\u043C', 'V'}, // М м
    {4, 256, 292, u'\u0418', u'\u0438', 'B'}, // И и
    {4, 297, 333, u'\u0422', u'\u0442', 'N'}, // Т т
    {4, 338, 374, u'\u042C', u'\u044C', 'M'}, // Ь ь
    {4, 379, 415, u'\u0411', u'\u0431',  0 }, // Б б
    {4, 420, 456, u'\u042E', u'\u044E',  0 }, // Ю ю
    {4, 460, 496, u'\u0401', u'\u0451',  0 }, // Ё ё
}};
// clang-format on

// The other responding keys, in key coordinates, bounds inclusive.
inline constexpr int kEnterLeft = 552, kEnterRight = 608, kEnterTop = 41, kEnterBottom = 116;
inline constexpr int kTopRowBottom = 37;
inline constexpr int kNumeroLeft = 122, kNumeroRight = 158;
inline constexpr int kBackspaceLeft = 572, kBackspaceRight = 608;
inline constexpr char16_t kNumeroSign = u'\u2116';

enum class KeyAction { None, Insert, Enter, Backspace };

struct KeyboardHit {
    KeyAction action = KeyAction::None;
    char16_t code = 0; // the unit to insert when action is Insert
};

// The key of the screen keyboard at key coordinates (x, y). Nothing left of x = 40, above
// y = 0, between keys, on keys that are only drawn, or below the last row.
KeyboardHit keyboardKeyAt(int x, int y);

} // namespace tools
