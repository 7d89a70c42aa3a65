#pragma once

namespace ime {

class TextTarget;

// Key codes are the 8-bit character codes of key events (8 Backspace, 9 Tab, 10 Ctrl+Return,
// 13 Return, 32.. printable ASCII). Only codes 0..127 can be mapped: 128..255 and anything
// outside 0..255 are never mapped. Each engine returns 0 when it put a character into the
// target itself (or swallowed the key) and the unchanged key code when the key is not its own.

// Keyboard placement for the direct layout: the keys right of P and L differ.
enum Placement { PlacementJapanese = 0, PlacementUs = 1 };

// The Russian layout typed on a Latin keyboard. Collapses a selection to its end first.
// A placement other than PlacementJapanese counts as the US keyboard.
int DirectInputKey(TextTarget& target, int key, int placement);

// The key that gives this letter in the direct layout on the placement's keyboard (the
// inverse of DirectInputKey's map), or 0 when no key gives it there. Each letter has at most
// one key on each keyboard.
int DirectInputKeyOf(char16_t letter, int placement);

// How the romanized composer drops a selection before it reads the unit before the caret:
// the editor collapses it to its end, the find entry to its start.
enum class SelectionCollapse { ToEnd, ToStart };

// The romanized composer: simple letters, toggle cycles, h digraphs and the deciding space.
// decided is the target's own decision flag (0 or 1), read and updated here.
int RomanizedInputKey(TextTarget& target, int key, int& decided,
                      SelectionCollapse collapse = SelectionCollapse::ToEnd);

// Whether the composer could still change this unit, standing before the caret with the
// decision flag clear: it belongs to a toggle key's cycle (a press of that key turns it into
// the next member) or the small h joins it into a digraph.
bool RomanizedLetterIsOpen(char16_t unit);

} // namespace ime
