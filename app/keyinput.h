#pragma once

class QKeyEvent;
namespace ime {
class InputContext;
class TextTarget;
} // namespace ime

// Key events of the program's two text controls (the editor and the find entry), from the
// toolkit's event to the input method's dispatch and back to the control.
namespace app {

// The one place where a toolkit key event becomes the key code the input method and the key
// handlers work with:
//   Backspace 8; Tab 9; Return/Enter 13; Ctrl+Return/Enter 10; Escape 27; Ctrl+; gives 59 (so
//   the accent key's own press is the next key event and the accent appears at once); any
//   other key with a character gives that character's code: printable ASCII its own code,
//   characters of 128 and above their Unicode code point, which no engine maps but which
//   still reaches the dispatch (it ends the romanized composer's decision).
// Returns -1 when the event carries no such code: keys without text (cursor keys, function
// keys, modifiers alone), control characters and DEL, and other Ctrl or Alt combinations (the
// control's own commands).
int keyCodeFromEvent(const QKeyEvent& event);

// The shortcut hook (FormShortCut) of a window with one text control. It sees every key
// combination of the window before the control does and never consumes it:
//  - Ctrl+; arms the accent of the control's input context;
//  - on the Windows 95 family (IsWin9x 1), Ctrl+V while controlTakesPaste (the control has
//    the focus and is writable) runs PasteUnicodeText on target and returns true: the window
//    then makes the control read-only for one interval of its timer, so that the control's
//    own paste finds nothing to do.
// Returns false in every other case.
bool shortcutHook(const QKeyEvent& event, ime::InputContext& input, ime::TextTarget& target,
                  bool controlTakesPaste);

// What a key handler's result does to its control. original: the event's key code; key: the
// code the handler left. 0 swallows the event; a changed code is typed into target in place
// of the selection, the caret behind it with nothing selected; an unchanged code is the
// control's to handle. Returns true when the event is consumed here.
bool applyKeyResult(ime::TextTarget& target, int original, int key);

} // namespace app
