#pragma once

namespace ime {
class TextTarget;
}

// Inserts one UTF-16 unit from a tool window (accent pads, screen keyboard) into the current
// target: the find dialog's entry while the find dialog is visible, otherwise the editor. The
// unit replaces the selection and the caret ends right after it with nothing selected; an
// insertion into the editor marks the text modified. A unit of 0 does nothing. Neither the
// keyboard focus nor the active window changes.
void InsertPadChar(char16_t code);

// The screen keyboard's backspace on the current target (chosen as for InsertPadChar): removes
// the character before the end of the selection, or the caret when there is none, and leaves
// the caret there with nothing selected. An empty target or a caret at the start is left alone.
void ScreenKeyboardBackspace();

// The screen keyboard's Enter: presses Find while the find dialog is visible, otherwise marks
// the editor's text modified and inserts a line break at its caret.
void ScreenKeyboardEnter();

namespace tools {

// The selection steps of InsertPadChar on any target: replace the selection by nothing, insert
// the unit, then put the caret after it with nothing selected.
void insertUnit(ime::TextTarget& target, char16_t code);

// Backspace on any target. dropSelectionFirst (the find entry) collapses the selection to its
// start before the end position is taken; the editor keeps the end of its selection. One
// character goes: a surrogate pair or a CR LF line break as a whole, any other unit alone.
// Returns true when text was removed.
bool removeCharBefore(ime::TextTarget& target, bool dropSelectionFirst);

} // namespace tools
