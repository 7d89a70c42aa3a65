#include "shell/keycode.h"

#include <QKeyEvent>

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
    if (text.size() != 1)
        return -1;
    const char16_t unit = text.at(0).unicode();
    if (unit >= 32 && unit <= 126)
        return unit;
    return -1;
}
