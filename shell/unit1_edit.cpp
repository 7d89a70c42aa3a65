// Edit commands of the editor's context menu and the clipboard. Cut, Paste and Clear change
// the document, so the editor's change watch marks the text modified, as typing does.
#include "app/appstate.h"
#include "app/paste.h"
#include "ime/retype.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>

void TForm1::MenuItem1Click() {
    MemoView& memo = memoTarget();
    // The clipboard takes the text once it is removed: a cut that runs out of memory changes
    // neither.
    const QString selected = memo.selText();
    memo.setSelText(QString());
    memo.setSelLength(0);
    QGuiApplication::clipboard()->setText(selected);
}

void TForm1::MenuItem2Click() {
    QGuiApplication::clipboard()->setText(memoTarget().selText());
}

void TForm1::MenuItem3Click() {
    PasteUnicodeText(memoTarget());
}

void TForm1::MenuItem4Click() {
    if (AskYesNo(QStringLiteral("Clear OK?"), QStringLiteral("confirm")) != QMessageBox::Yes)
        return;
    // Removed as an edit rather than cleared, so that Ctrl+Z brings the text back.
    Memo1->selectAll();
    Memo1->setSelText(QString());
}

void TForm1::MenuItem5Click() {
    Memo1->selectAll();
}

void TForm1::TimerMemoTimer() {
    Memo1->setReadOnly(false);
    TimerMemo->stop();
}

void TForm1::Undo1Click() {
    // A locked editor refuses every change, as it refuses typing.
    if (!Memo1->isReadOnly())
        Memo1->undo();
}

void TForm1::Redo1Click() {
    if (!Memo1->isReadOnly())
        Memo1->redo();
}

void TForm1::retypeSelection(QString (*retype)(QStringView, int)) {
    MemoView& memo = memoTarget();
    if (Memo1->isReadOnly() || memo.selLength() == 0)
        return;
    const QString selected = memo.selText();
    const QString retyped = retype(selected, keyboardPlacement());
    if (retyped == selected)
        return; // no undo step that changes nothing
    // One replacement, so one undo step; the editor leaves the inserted text selected.
    const MemoView::EditGroup group(memo);
    memo.setSelText(retyped);
    Memo1->ensureCursorVisible();
}

void TForm1::retypeasRussiaRoma1Click() {
    retypeSelection([](QStringView text, int) { return ime::retypeRomanized(text); });
}

void TForm1::retypeasRussiaDirect1Click() {
    retypeSelection(&ime::retypeDirect);
}

void TForm1::retypeasLatin1Click() {
    retypeSelection(&ime::retypeAsLatin);
}
