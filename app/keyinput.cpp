#include "app/keyinput.h"

#include "app/appstate.h"
#include "app/paste.h"
#include "ime/inputcontext.h"
#include "ime/texttarget.h"

#include <QKeyEvent>

namespace app {

int keyCodeFromEvent(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods.testFlag(Qt::ControlModifier);
    const bool alt = mods.testFlag(Qt::AltModifier) || mods.testFlag(Qt::MetaModifier);
    const int key = event.key();

    if (alt)
        return -1;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return ctrl ? 10 : 13;
    if (ctrl) {
        // Other Ctrl combinations are commands of the control (copy, undo, ...), not text.
        return key == Qt::Key_Semicolon ? 59 : -1;
    }
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Escape:
        return 27;
    default:
        break;
    }
    const QString text = event.text();
    if (text.isEmpty())
        return -1;
    const char32_t code = text.toUcs4().value(0);
    // One character per event; a surrogate pair is one character.
    if (text.size() != (QChar::requiresSurrogates(code) ? 2 : 1))
        return -1;
    if (code < 32 || code == 127)
        return -1; // control characters and DEL are the control's own keys
    return static_cast<int>(code);
}

bool shortcutHook(const QKeyEvent& event, ime::InputContext& input, ime::TextTarget& target,
                  bool controlTakesPaste) {
    if (!event.modifiers().testFlag(Qt::ControlModifier))
        return false;
    if (event.key() == Qt::Key_Semicolon)
        input.AccentPending = 1;
    if (state().IsWin9x == 1 && event.key() == Qt::Key_V && controlTakesPaste) {
        PasteUnicodeText(target);
        return true;
    }
    return false;
}

bool applyKeyResult(ime::TextTarget& target, int original, int key) {
    if (key == 0)
        return true;
    if (key == original)
        return false;
    target.setSelText(QString(QChar(static_cast<char16_t>(key))));
    target.setSelStart(target.selStart() + target.selLength());
    return true;
}

} // namespace app
