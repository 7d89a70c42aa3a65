// Closing the main window, the exit command, and the rule that marks the text as modified.
#include "shell/appstate.h"
#include "shell/exit.h"
#include "shell/modal.h"
#include "shell/settings.h"
#include "shell/unit1.h"
#include "view/memoview.h"
#include "tools/accent.h"
#include "tools/accent2.h"

#include <QAction>
#include <QCloseEvent>
#include <QMessageBox>

void TForm1::watchTextChanges() {
    // Every route that changes the text (typing, cut, paste, clear, undo, inserted files, the
    // character tools) passes through the text buffer, so the rule lives here once. Font,
    // palette and wrap changes touch no characters and report none.
    connect(Memo1, &MemoView::textChanged, this, [this](const text::Change& change) {
        if (m_quietTextChanges == 0 && (change.removed > 0 || change.inserted > 0))
            TextModified = 1;
    });
}

void TForm1::exit1Click() {
    ExitChoice = 0;
    if (TextModified == 1) {
        if (!exitform)
            return;
        modal::run(*exitform);
        switch (ExitChoice) {
        case 2:
            TextModified = 0;
            close();
            break;
        case 1:
            // A save that was cancelled or failed keeps the editor open with its text.
            if (!saveToRememberedOrAsk())
                return;
            TextModified = 0;
            close();
            break;
        default:
            break;
        }
        return;
    }
    if (AskYesNo(QStringLiteral("Exit OK?"), QStringLiteral("confirm")) == QMessageBox::Yes) {
        TextModified = 0;
        close();
    }
}

bool TForm1::FormClose() {
    if (TextModified == 1 &&
        AskYesNo(QStringLiteral("Save file?"), QStringLiteral("confirm")) == QMessageBox::Yes) {
        if (!saveToRememberedOrAsk())
            return false;
        TextModified = 0;
    }

    const settings::EditorSettings values{
        y(), x(), width(), height(), ImeMode, wordWrap(), JapaneseOSJapaneseIME1->isChecked()};
    settings::writeFile(settings::kSettingsFileName, settings::formatSettings(values));

    if (AccentPadCreated == 1) {
        if (IsWin9x == 1) {
            delete accent2form;
            accent2form = nullptr;
        } else {
            delete accentform;
            accentform = nullptr;
        }
        AccentPadCreated = 0;
    }
    return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}
