#pragma once

class QKeyEvent;

// The one place where a toolkit key event becomes the 8-bit key code the input engines and
// the key handlers work with:
//   printable ASCII (32..126) gives its own code; Backspace 8; Tab 9; Return/Enter 13;
//   Ctrl+Return/Enter 10; Escape 27; Ctrl+; gives 59 (so the accent key's own press is the
//   next key event and the accent appears at once).
// Returns -1 when the event carries no such code: keys without text (cursor keys, function
// keys, modifiers alone), other Ctrl or Alt combinations (the control's own commands), and
// text of 128 and above, which is not the engines' and goes to the control untouched.
int keyCodeFromEvent(const QKeyEvent& event);
