// The find command.
#include "app/appstate.h"
#include "search/find.h"
#include "search/textsearch.h"
#include "shell/statusbar.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QThread>

void TForm1::find1Click() {
    if (!app::state().searchform)
        return;
    app::state().FindRequested = 0;
    Memo1->setEnabled(false);
    FILE1->setEnabled(false);
    find1->setEnabled(false);

    // The dialog is not modal: this command waits for it here, and the dialog's handlers run
    // inside the wait.
    QPointer<TForm1> self(this);
    QPointer<Tsearchform> dialog(app::state().searchform);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->Edit1->setFocus();
    while (dialog && dialog->isVisible()) {
        QThread::msleep(100);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    if (!self)
        return; // the window went away while the dialog was up
    Memo1->setEnabled(true);
    FILE1->setEnabled(true);
    find1->setEnabled(true);

    if (!app::state().FindRequested || !dialog)
        return;
    const QString needle = dialog->Edit1->text();
    if (needle.isEmpty())
        return;
    if (wordWrap())
        setWordWrapShown(false);

    Memo1->hide();
    MemoView& memo = memoTarget();
    memo.setSelLength(0);
    const qsizetype start = memo.selStart();
    if (dialog->ignoresStressMarks()) {
        // The hit is selected with its marks, so the stressed word shows whole.
        const search::Hit hit = search::findInBufferIgnoringMarks(memo.buffer(), start, needle);
        if (hit.position >= 0)
            memo.setSelection(hit.position, hit.length);
        else
            memo.setSelStart(start);
    } else {
        const qsizetype hit = search::findInBuffer(memo.buffer(), start, needle);
        memo.setSelLength(0);
        memo.setSelStart(hit >= 0 ? hit : start);
    }
    Memo1->show();
    activateWindow();
    Memo1->setFocus();
    Memo1->ensureCursorVisible();
}

void TForm1::pressFind() {
    if (app::state().searchform)
        app::state().searchform->Button1Click();
}

void TForm1::findnext1Click() {
    if (!app::state().searchform)
        return;
    const QString needle = app::state().searchform->Edit1->text();
    if (needle.isEmpty()) {
        find1Click();
        return;
    }
    MemoView& memo = memoTarget();
    // One unit on, so a hit at the caret (where the last search left it) is passed over.
    const qsizetype from = memo.selStart() + 1;
    search::Hit hit;
    if (from <= memo.length()) {
        if (app::state().searchform->ignoresStressMarks())
            hit = search::findInBufferIgnoringMarks(memo.buffer(), from, needle);
        else
            hit.position = search::findInBuffer(memo.buffer(), from, needle);
    }
    if (hit.position < 0) {
        StatusBar1->showBriefly(QStringLiteral("not found: ") + needle);
        return;
    }
    // Only the search that ignores the marks selects its hit; the plain one puts the caret.
    memo.setSelection(hit.position, hit.length);
    Memo1->ensureCursorVisible();
}
