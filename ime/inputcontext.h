#pragma once

#include "ime/inputengines.h"

#include <QString>

namespace ime {

class TextTarget;

// What the built-in input method of one text target remembers between its key events, and
// the dispatch of one key event on that target. The editor and the find entry each have their
// own, so a space typed in one never decides a letter in the other.
class InputContext {
public:
    // collapse: how the romanized composer drops this target's selection.
    explicit InputContext(SelectionCollapse collapse = SelectionCollapse::ToEnd)
        : m_collapse(collapse) {}

    // The romanized composer's decision flag (0 or 1): set by a space that decided the letter
    // before the caret, cleared by the next key.
    int RomaDecided = 0;
    // Armed (1) by Ctrl+; in the target's window; the next key event of the target inserts
    // U+0301 instead of its own character and clears it, whatever the mode.
    int AccentPending = 0;

    // One key event on the target: an armed accent first, else the engine of imeMode (0 none,
    // 1 romanized, 2 direct; any other value none). key: the key code (keycode.h), which may be
    // 128 and above: no engine maps those, but the romanized composer still ends its decision.
    // placement: the direct layout's placement argument. Returns the key code for the control:
    // 0 when the key was swallowed or its character was put into the target here, otherwise
    // the key as the control is to handle it.
    int keyPress(TextTarget& target, int key, int imeMode, int placement);

private:
    SelectionCollapse m_collapse;
};

// The accent key's insertion on any target: the caret goes to the end of the selection (the
// selected text stays), U+0301 COMBINING ACUTE ACCENT is inserted there and the caret ends
// behind it with nothing selected.
void insertCombiningAcute(TextTarget& target);

// The mode as panel 0 of the main window's status bar shows it: "R", "H", or empty for mode 0
// and unknown modes.
QString modePanelText(int mode);
// The mode as the find dialog's label names it: "RussiaRomaIME", "RussiaDirectIME", or
// "nonIME" for any other value.
QString modeName(int mode);

} // namespace ime
