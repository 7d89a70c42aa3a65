#include "tools/padmap.h"

#include "tools/accenttable.h"

namespace tools {

namespace {

// The accent cells are 26 pixels square at a 28-pixel pitch.
constexpr int kPitch = 28;
constexpr int kCell = 26;
constexpr int kGridRight = 390; // last x of column 14

// The keyboard picture is drawn one pixel right of and below its key coordinates, so the
// keys' one-pixel outline lies inside the picture at x = 0 and y = 0.
constexpr int kKeyboardShift = 1;

} // namespace

PadPoint accentPointFromPicture(int px, int py) {
    return {px, py};
}

PadPoint keyboardPointFromPicture(int px, int py) {
    return {px - kKeyboardShift, py - kKeyboardShift};
}

PadPoint keyboardPointToPicture(int x, int y) {
    return {x + kKeyboardShift, y + kKeyboardShift};
}

int accentRowAt(int y) {
    if (y < kCell)
        return 1;
    if (y >= kPitch * (kAccentRows - 1))
        return kAccentRows;
    const int row = y / kPitch + 1;
    return y - kPitch * (row - 1) < kCell ? row : 0;
}

int accentColumnAt(int x) {
    // Column c covers its cell widened by one pixel on either side, so the columns meet.
    if (x <= kCell)
        return 1;
    if (x > kGridRight)
        return 0;
    return (x + kPitch + 1) / kPitch;
}

int accentKeyIndexAt(int x, int y) {
    const int row = accentRowAt(y);
    const int column = accentColumnAt(x);
    if (row == 0 || column == 0)
        return -1;
    return kAccentColumns * (row - 1) + (column - 1);
}

KeyboardHit keyboardKeyAt(int x, int y) {
    if (x < 40 || y < 0)
        return {};
    if (x >= kEnterLeft && x <= kEnterRight && y >= kEnterTop && y <= kEnterBottom)
        return {KeyAction::Enter, 0};
    if (y <= kTopRowBottom) {
        if (x >= kNumeroLeft && x <= kNumeroRight)
            return {KeyAction::Insert, kNumeroSign};
        if (x >= kBackspaceLeft && x <= kBackspaceRight)
            return {KeyAction::Backspace, 0};
        return {};
    }
    for (const LetterKey& key : kLetterKeys) {
        const LetterRow& row = kLetterRows[static_cast<std::size_t>(key.row - 2)];
        if (x < key.left || x > key.right || y < row.top || y > row.bottom)
            continue;
        return {KeyAction::Insert, y <= row.split ? key.capital : key.small};
    }
    return {};
}

} // namespace tools
