// Help windows, desktop shortcuts and web sites.
#include "app/appstate.h"
#include "app/modal.h"
#include "info/copyright.h"
#include "info/help.h"
#include "info/shortcut.h"
#include "info/siteinfo.h"
#include "info/weblaunch.h"
#include "shell/unit1.h"

#include <QCoreApplication>

void TForm1::keymap1Click() {
    if (app::state().helpform)
        app::state().helpform->showOverMainWindow();
}

void TForm1::copyright1Click() {
    if (!app::state().copyrightform)
        return;
    QRect frame = app::state().copyrightform->frameGeometry();
    frame.moveCenter(frameGeometry().center());
    app::state().copyrightform->move(frame.topLeft());
    modal::run(*app::state().copyrightform);
}

void TForm1::createShortcutinprogrammenu1Click() {
    CreateProgramsShortcut(QCoreApplication::applicationFilePath());
}

void TForm1::createshortcutinDesktopmenu1Click() {
    CreateDesktopShortcut(QCoreApplication::applicationFilePath());
}

void TForm1::Jumptoofficialwebsite1Click() {
    weblaunch::openAddress(info::officialSiteAddress());
}

void TForm1::JumptoToviloGlossawebsite1Click() {
    weblaunch::openAddress(info::glossaSiteAddress());
}
