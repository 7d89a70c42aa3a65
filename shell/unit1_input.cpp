// Keys, input modes and the caret panel of the main window.
#include "app/appstate.h"
#include "app/keyinput.h"
#include "ime/inputcontext.h"
#include "shell/statusbar.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QAction>
#include <QKeyEvent>
#include <QTimer>

int TForm1::keyboardPlacement() const {
    return JapaneseOSJapaneseIME1->isChecked() ? ime::PlacementJapanese : ime::PlacementUs;
}

bool TForm1::handleEditorKey(QKeyEvent* event) {
    FormShortCut(*event);
    const int original = app::keyCodeFromEvent(*event);
    if (original < 0)
        return false;
    if (Memo1->isReadOnly())
        return false; // the control refuses typing itself
    bool handled = false;
    int key = original;
    const bool composing = app::state().ImeMode == 1 && app::state().MemoInput.AccentPending == 0;
    {
        // The engine's caret moves reach the widget once, when the key is done.
        const MemoView::EditGroup group(memoTarget());
        Memo1KeyPress(key);
        if (key == 13 || key == 10) {
            // A line break is always a new line of the text, whatever modifier came with it.
            memoTarget().setSelText(QStringLiteral("\n"));
            memoTarget().setSelStart(memoTarget().selStart() + memoTarget().selLength());
            handled = true;
        } else {
            handled = app::applyKeyResult(memoTarget(), original, key);
        }
    }
    // The view has brought the caret into sight as the key's edit group ended.
    // The edit has taken the old underline away; a letter the composer may still change gets
    // its own.
    if (composing && key == 0)
        showOpenLetter();
    return handled;
}

void TForm1::showOpenLetter() {
    MemoView& memo = memoTarget();
    const qsizetype caret = memo.selStart();
    const bool open = app::state().MemoInput.RomaDecided == 0 && memo.selLength() == 0 &&
                      caret > 0 && ime::RomanizedLetterIsOpen(memo.unitBefore(caret));
    memo.setPendingRange(caret - 1, open ? 1 : 0);
}

void TForm1::Memo1KeyPress(int& key) {
    app::state().TextModified = 1;
    key = app::state().MemoInput.keyPress(memoTarget(), key, app::state().ImeMode,
                                          keyboardPlacement());
}

void TForm1::FormShortCut(const QKeyEvent& event) {
    // On the Windows 95 family the editor's own Ctrl+V is replaced by the Unicode paste,
    // followed by a short write lock so that the control's paste finds nothing to do.
    if (app::shortcutHook(event, app::state().MemoInput, memoTarget(),
                          Memo1->hasFocus() && !Memo1->isReadOnly())) {
        Memo1->setReadOnly(true);
        TimerMemo->start();
    }
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Keys that reach the window itself (the editor disabled or without focus) still pass the
    // shortcut hook.
    FormShortCut(*event);
    QMainWindow::keyPressEvent(event);
}

void TForm1::KoreaRomaIME1Click() {
    Memo1->setPendingRange(0, 0);
    Memo1->endTypingRun();
    app::state().ImeMode = 1;
    StatusBar1->setPanelText(TStatusBar::ModePanel, ime::modePanelText(1));
    showModeChecks();
}

void TForm1::KoreaDirectIME1Click() {
    Memo1->setPendingRange(0, 0);
    Memo1->endTypingRun();
    app::state().ImeMode = 2;
    StatusBar1->setPanelText(TStatusBar::ModePanel, ime::modePanelText(2));
    showModeChecks();
}

void TForm1::nonIME1Click() {
    Memo1->setPendingRange(0, 0);
    Memo1->endTypingRun();
    app::state().ImeMode = 0;
    StatusBar1->setPanelText(TStatusBar::ModePanel, ime::modePanelText(0));
    showModeChecks();
}

void TForm1::KoreanRomanizedinput1Click() {
    KoreaRomaIME1Click();
}
void TForm1::KoreanDirectinput1Click() {
    KoreaDirectIME1Click();
}
void TForm1::dontuseIME1Click() {
    nonIME1Click();
}
void TForm1::MenuItem7Click() {
    KoreaRomaIME1Click();
}
void TForm1::MenuItem8Click() {
    KoreaDirectIME1Click();
}
void TForm1::MenuItem9Click() {
    nonIME1Click();
}

void TForm1::JapaneseOSJapaneseIME1Click() {
    JapaneseOSJapaneseIME1->setChecked(!JapaneseOSJapaneseIME1->isChecked());
}

void TForm1::Memo1KeyUp() {
    // The caret's line and the units before it in that line.
    const qsizetype line = Memo1->caretLine();
    const qsizetype column = Memo1->caretColumn();
    StatusBar1->setPanelText(TStatusBar::CaretPanel,
                             QStringLiteral("Line:%1  Col:%2").arg(line + 1).arg(column + 1));
}

void TForm1::Memo1Click() {
    Memo1KeyUp();
}
