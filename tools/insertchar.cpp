#include "tools/insertchar.h"

#include "ime/texttarget.h"
#include "search/find.h"
#include "shell/appstate.h"
#include "shell/linetarget.h"
#include "view/memoview.h"
#include "shell/unit1.h"

#include <QChar>
#include <QLineEdit>
#include <QString>

namespace {

bool findDialogVisible() {
    return searchform != nullptr && searchform->isVisible();
}

} // namespace

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
    if (code == 0)
        return;
    if (findDialogVisible()) {
        LineTarget entry(searchform->Edit1);
        tools::insertUnit(entry, code);
        return;
    }
    if (Form1 == nullptr)
        return;
    tools::insertUnit(Form1->memoTarget(), code);
    TextModified = 1;
}

void ScreenKeyboardBackspace() {
    if (findDialogVisible()) {
        LineTarget entry(searchform->Edit1);
        tools::removeCharBefore(entry, true);
        return;
    }
    if (Form1 != nullptr)
        tools::removeCharBefore(Form1->memoTarget(), false);
}

void ScreenKeyboardEnter() {
    if (findDialogVisible()) {
        searchform->Button1Click();
        return;
    }
    if (Form1 == nullptr)
        return;
    TextModified = 1;
    Form1->memoTarget().insertAtCaret(QStringLiteral("\n"));
}
