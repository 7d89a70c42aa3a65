#include "search/linetarget.h"

#include <QLineEdit>
#include <algorithm>

LineTarget::LineTarget(QLineEdit* edit) : m_edit(edit) {}

qsizetype LineTarget::length() const {
    return m_edit->text().size();
}

qsizetype LineTarget::selStart() const {
    return m_edit->hasSelectedText() ? m_edit->selectionStart() : m_edit->cursorPosition();
}

qsizetype LineTarget::selLength() const {
    return m_edit->hasSelectedText() ? m_edit->selectionLength() : 0;
}

void LineTarget::setSelStart(qsizetype pos) {
    m_edit->setCursorPosition(static_cast<int>(std::clamp<qsizetype>(pos, 0, length())));
}

void LineTarget::setSelLength(qsizetype len) {
    const qsizetype start = selStart();
    len = std::clamp<qsizetype>(len, 0, length() - start);
    if (len == 0)
        m_edit->setCursorPosition(static_cast<int>(start));
    else
        m_edit->setSelection(static_cast<int>(start), static_cast<int>(len));
}

QString LineTarget::selText() const {
    return m_edit->selectedText();
}

void LineTarget::setSelText(const QString& text) {
    m_edit->insert(text);
}

char16_t LineTarget::unitBefore(qsizetype pos) const {
    const QString text = m_edit->text();
    if (pos <= 0 || pos > text.size())
        return 0;
    return text.at(pos - 1).unicode();
}
