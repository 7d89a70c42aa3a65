#include "tools/accentpad.h"

#include "app/appstate.h"
#include "tools/accent.h"
#include "tools/accent2.h"

namespace tools {

QWidget* showAccentPad(QWidget* owner) {
    QWidget* pad = nullptr;
    // The window pointer, not only the flag, decides: a pad destroyed with its owner leaves
    // the pointer empty, and the next use creates a fresh one rather than showing nothing.
    if (IsWin9x != 0) {
        if (accent2form == nullptr)
            new Taccent2form(owner);
        pad = accent2form;
    } else {
        if (accentform == nullptr)
            new Taccentform(owner);
        pad = accentform;
    }
    AccentPadCreated = 1;
    pad->show();
    pad->raise();
    pad->activateWindow();
    return pad;
}

void freeAccentPad() {
    if (AccentPadCreated == 0)
        return;
    if (IsWin9x != 0)
        delete accent2form;
    else
        delete accentform;
    AccentPadCreated = 0;
}

} // namespace tools
