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
    const qsizetype hit = search::findInBuffer(memo.buffer(), start, needle);
    memo.setSelLength(0);
    memo.setSelStart(hit >= 0 ? hit : start);
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
    const qsizetype hit =
        from <= memo.length() ? search::findInBuffer(memo.buffer(), from, needle) : qsizetype(-1);
    if (hit < 0) {
        StatusBar1->showBriefly(QStringLiteral("not found: ") + needle);
        return;
    }
    memo.setSelection(hit, 0);
    Memo1->ensureCursorVisible();
}
