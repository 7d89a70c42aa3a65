// Closing the main window and the exit command.
#include "app/appstate.h"
#include "app/modal.h"
#include "shell/exit.h"
#include "shell/recoveryjournal.h"
#include "shell/settings.h"
#include "shell/unit1.h"
#include "tools/accent.h"
#include "tools/accent2.h"
#include "view/memoview.h"

#include <QAction>
#include <QCloseEvent>
#include <QMessageBox>

void TForm1::exit1Click() {
    app::state().ExitChoice = 0;
    if (app::state().TextModified == 1) {
        if (!app::state().exitform)
            return;
        modal::run(*app::state().exitform);
        switch (app::state().ExitChoice) {
        case 2:
            app::state().TextModified = 0;
            close();
            break;
        case 1:
            // A save that was cancelled or failed keeps the editor open with its text.
            if (!saveToRememberedOrAsk())
                return;
            app::state().TextModified = 0;
            close();
            break;
        default:
            break;
        }
        return;
    }
    if (AskYesNo(QStringLiteral("Exit OK?"), QStringLiteral("confirm")) == QMessageBox::Yes) {
        app::state().TextModified = 0;
        close();
    }
}

bool TForm1::FormClose() {
    if (app::state().TextModified == 1 &&
        AskYesNo(QStringLiteral("Save file?"), QStringLiteral("confirm")) == QMessageBox::Yes) {
        if (!saveToRememberedOrAsk())
            return false;
        app::state().TextModified = 0;
    }

    const settings::EditorSettings values{y(),
                                          x(),
                                          width(),
                                          height(),
                                          app::state().ImeMode,
                                          wordWrap(),
                                          JapaneseOSJapaneseIME1->isChecked()};
    settings::writeFile(settings::kSettingsFileName, settings::formatSettings(values));

    if (app::state().AccentPadCreated == 1) {
        if (app::state().IsWin9x == 1) {
            delete app::state().accent2form;
            app::state().accent2form = nullptr;
        } else {
            delete app::state().accentform;
            app::state().accentform = nullptr;
        }
        app::state().AccentPadCreated = 0;
    }
    // The text was saved, given up with "No", or unmodified: nothing is left to recover.
    m_journal->dropped();
    return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closing while a file is read would ask about and save a text that is being replaced: the
    // window closes (with the usual question) once the read is over.
    if (readInProgress()) {
        m_closeWaiting = true;
        event->ignore();
        return;
    }
    if (FormClose())
        event->accept();
    else
        event->ignore();
}
