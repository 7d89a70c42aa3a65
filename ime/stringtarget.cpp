#include "ime/stringtarget.h"

#include <algorithm>
#include <utility>

namespace ime {

StringTarget::StringTarget(QString text, AfterInsert afterInsert)
    : m_text(std::move(text)), m_selStart(m_text.size()), m_afterInsert(afterInsert) {}

StringTarget StringTarget::fromMarkup(QStringView markup, AfterInsert afterInsert) {
    QString text;
    qsizetype start = -1;
    qsizetype end = -1;
    for (QChar c : markup) {
        if (c == u'|' || c == u'[')
            start = text.size();
        if (c == u'|' || c == u']')
            end = text.size();
        if (c != u'|' && c != u'[' && c != u']')
            text.append(c);
    }
    StringTarget target(text, afterInsert);
    if (start >= 0)
        target.setSelection(start, std::max<qsizetype>(end - start, 0));
    return target;
}

QString StringTarget::markup() const {
    QString out = m_text;
    if (m_selLength == 0)
        return out.insert(m_selStart, u'|');
    out.insert(m_selStart + m_selLength, u']');
    return out.insert(m_selStart, u'[');
}

void StringTarget::setSelStart(qsizetype pos) {
    m_selStart = std::clamp<qsizetype>(pos, 0, m_text.size());
    m_selLength = 0;
}

void StringTarget::setSelLength(qsizetype len) {
    m_selLength = std::clamp<qsizetype>(len, 0, m_text.size() - m_selStart);
}

QString StringTarget::selText() const {
    ++m_selTextReads;
    return m_text.mid(m_selStart, m_selLength);
}

void StringTarget::setSelText(const QString& text) {
    m_text.replace(m_selStart, m_selLength, text);
    if (m_afterInsert == AfterInsert::SelectInserted) {
        m_selLength = text.size();
    } else {
        m_selStart += text.size();
        m_selLength = 0;
    }
}

char16_t StringTarget::unitBefore(qsizetype pos) const {
    if (pos <= 0 || pos > m_text.size())
        return 0;
    return m_text.at(pos - 1).unicode();
}

void StringTarget::controlKey(int key) {
    if (key == 0)
        return;
    if (key == 8) {
        if (m_selLength == 0 && m_selStart > 0)
            setSelection(m_selStart - 1, 1);
        m_text.remove(m_selStart, m_selLength);
        m_selLength = 0;
        return;
    }
    const QString typed(QChar(static_cast<char16_t>(key & 0xFF)));
    m_text.replace(m_selStart, m_selLength, typed);
    m_selStart += typed.size();
    m_selLength = 0;
}

} // namespace ime
