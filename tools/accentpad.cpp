#include "tools/accentpad.h"

#include "app/appstate.h"
#include "tools/accent.h"
#include "tools/accent2.h"

namespace tools {

QWidget* showAccentPad(QWidget* owner) {
    QWidget* pad = nullptr;
    // The window pointer, not only the flag, decides: a pad destroyed with its owner leaves
    // the pointer empty, and the next use creates a fresh one rather than showing nothing.
    if (app::state().IsWin9x != 0) {
        if (app::state().accent2form == nullptr)
            new Taccent2form(owner);
        pad = app::state().accent2form;
    } else {
        if (app::state().accentform == nullptr)
            new Taccentform(owner);
        pad = app::state().accentform;
    }
    app::state().AccentPadCreated = 1;
    pad->show();
    pad->raise();
    pad->activateWindow();
    return pad;
}

void freeAccentPad() {
    if (app::state().AccentPadCreated == 0)
        return;
    if (app::state().IsWin9x != 0)
        delete app::state().accent2form;
    else
        delete app::state().accentform;
    app::state().AccentPadCreated = 0;
}

} // namespace tools
