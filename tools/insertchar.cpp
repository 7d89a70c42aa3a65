#include "tools/insertchar.h"

#include "app/appstate.h"
#include "app/mainwindow.h"
#include "app/memoryguard.h"
#include "ime/texttarget.h"

#include <QChar>
#include <QString>

namespace tools {

void insertUnit(ime::TextTarget& target, char16_t code) {
    target.setSelText(QString());
    target.setSelText(QString(QChar(code)));
    target.setSelStart(target.selStart() + target.selLength());
    target.setSelLength(0);
}

bool removeCharBefore(ime::TextTarget& target, bool dropSelectionFirst) {
    if (target.length() == 0)
        return false;
    if (dropSelectionFirst)
        target.setSelLength(0);
    const qsizetype end = target.selStart() + target.selLength();
    if (end <= 0)
        return false;
    target.setSelStart(end);
    qsizetype start = end - 1;
    qsizetype count = 1;
    const char16_t last = target.unitBefore(end);
    if (QChar::isLowSurrogate(last) && QChar::isHighSurrogate(target.unitBefore(end - 1))) {
        start = end - 2;
        count = 2;
    } else if (last == u'\n' && target.unitBefore(end - 1) == u'\r') {
        start = end - 2;
        count = 2;
    } else if (QChar::isHighSurrogate(last) && QChar::isLowSurrogate(target.unitBefore(end + 1))) {
        // A caret between the halves of a pair takes the whole pair with it.
        count = 2;
    }
    target.setSelection(start, count);
    target.setSelText(QString());
    target.setSelStart(target.selStart() + target.selLength());
    target.setSelLength(0);
    return true;
}

} // namespace tools

void InsertPadChar(char16_t code) {
    if (code == 0 || app::state().mainWindow == nullptr)
        return;
    const app::MainWindow::CurrentTarget target = app::state().mainWindow->currentTextTarget();
    if (app::guardMemory([&] { tools::insertUnit(target.text, code); }) && !target.findEntry)
        app::state().TextModified = 1;
}

void ScreenKeyboardBackspace() {
    if (app::state().mainWindow == nullptr)
        return;
    const app::MainWindow::CurrentTarget target = app::state().mainWindow->currentTextTarget();
    app::guardMemory([&] { tools::removeCharBefore(target.text, target.findEntry); });
}

void ScreenKeyboardEnter() {
    if (app::state().mainWindow == nullptr)
        return;
    if (app::state().mainWindow->currentTextTarget().findEntry) {
        app::state().mainWindow->pressFind();
        return;
    }
    if (app::guardMemory(
            [] { app::state().mainWindow->insertAtEditorCaret(QStringLiteral("\n")); }))
        app::state().TextModified = 1;
}
