#include "shell/memotarget.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

// Length of a block's text without its separator.
qsizetype lineLength(const QTextBlock& block) {
    return block.length() - 1;
}

// Position of the block's first unit in the CR LF view: every earlier block adds one unit.
qsizetype crlfStart(const QTextBlock& block) {
    return block.position() + block.blockNumber();
}

} // namespace

MemoTarget::MemoTarget(QPlainTextEdit* edit) : m_edit(edit) {}

MemoTarget::Batch::Batch(MemoTarget& target) : m_target(target) {
    if (m_target.m_batchDepth++ == 0)
        m_target.m_batchCursor = m_target.m_edit->textCursor();
}

MemoTarget::Batch::~Batch() {
    if (--m_target.m_batchDepth == 0) {
        m_target.m_edit->setTextCursor(m_target.m_batchCursor);
        m_target.m_batchCursor = QTextCursor();
    }
}

QTextCursor MemoTarget::currentCursor() const {
    return m_batchDepth > 0 ? m_batchCursor : m_edit->textCursor();
}

void MemoTarget::applyCursor(const QTextCursor& cursor) {
    if (m_batchDepth > 0)
        m_batchCursor = cursor;
    else
        m_edit->setTextCursor(cursor);
}

qsizetype MemoTarget::length() const {
    const QTextDocument* doc = m_edit->document();
    return doc->characterCount() - 1 + doc->blockCount() - 1;
}

MemoTarget::Location MemoTarget::locate(qsizetype pos) const {
    const QTextDocument* doc = m_edit->document();
    pos = std::clamp<qsizetype>(pos, 0, length());
    // Nearly every position asked for is on the caret's line or next to it: try those first.
    const QTextBlock caretBlock = currentCursor().block();
    for (QTextBlock near : {caretBlock, caretBlock.previous(), caretBlock.next()}) {
        if (!near.isValid())
            continue;
        const qsizetype start = crlfStart(near);
        const qsizetype last =
            near.next().isValid() ? start + lineLength(near) + 1 : start + lineLength(near);
        if (pos >= start && pos <= last)
            return {near, pos - start};
    }
    // The block that holds document position pos is at or after the one that holds pos in
    // the CR LF view, since CR LF positions run ahead by one per line.
    const int documentEnd = doc->characterCount() - 1;
    QTextBlock upper = doc->findBlock(static_cast<int>(std::min<qsizetype>(pos, documentEnd)));
    if (!upper.isValid())
        upper = doc->lastBlock();
    if (crlfStart(upper) <= pos)
        return {upper, pos - crlfStart(upper)};
    int lo = 0;
    int hi = upper.blockNumber() - 1; // the answer lies in [lo, hi]
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (crlfStart(doc->findBlockByNumber(mid)) <= pos)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    return {block, pos - crlfStart(block)};
}

qsizetype MemoTarget::fromDocument(int documentPos) const {
    const QTextBlock block = m_edit->document()->findBlock(documentPos);
    return documentPos + (block.isValid() ? block.blockNumber() : 0);
}

int MemoTarget::toDocument(qsizetype pos) const {
    const Location at = locate(pos);
    return at.block.position() + static_cast<int>(std::min(at.offset, lineLength(at.block)));
}

qsizetype MemoTarget::selStart() const {
    const QTextCursor cursor = currentCursor();
    return fromDocument(cursor.selectionStart());
}

qsizetype MemoTarget::selLength() const {
    const QTextCursor cursor = currentCursor();
    if (!cursor.hasSelection())
        return 0;
    return fromDocument(cursor.selectionEnd()) - fromDocument(cursor.selectionStart());
}

void MemoTarget::setSelStart(qsizetype pos) {
    QTextCursor cursor = currentCursor();
    cursor.setPosition(toDocument(pos));
    applyCursor(cursor);
}

void MemoTarget::setSelLength(qsizetype len) {
    const qsizetype start = selStart();
    QTextCursor cursor = currentCursor();
    cursor.setPosition(toDocument(start));
    if (len > 0)
        cursor.setPosition(toDocument(start + std::min(len, length() - start)),
                           QTextCursor::KeepAnchor);
    applyCursor(cursor);
}

QString MemoTarget::crlfText(const QString& documentText) {
    QString out;
    out.reserve(documentText.size() + documentText.count(QChar::ParagraphSeparator));
    for (const QChar c : documentText) {
        if (c == QChar::ParagraphSeparator)
            out += u"\r\n";
        else
            out += c;
    }
    return out;
}

QString MemoTarget::selText() const {
    const QTextCursor cursor = currentCursor();
    if (!cursor.hasSelection())
        return {};
    // selectedText() keeps every unit (no-break spaces, line separators) and marks block
    // breaks with U+2029, which become CR LF here.
    return crlfText(cursor.selectedText());
}

void MemoTarget::setSelText(const QString& text) {
    QTextCursor cursor = currentCursor();
    const int start = cursor.selectionStart();
    cursor.beginEditBlock();
    cursor.insertText(text);
    cursor.endEditBlock();
    const int end = cursor.position();
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    applyCursor(cursor);
}

void MemoTarget::insertAtCaret(const QString& text) {
    QTextCursor cursor = currentCursor();
    cursor.clearSelection();
    cursor.insertText(text);
    applyCursor(cursor);
}

char16_t MemoTarget::unitBefore(qsizetype pos) const {
    if (pos <= 0 || pos > length())
        return 0;
    const Location at = locate(pos);
    if (at.offset == 0)
        return u'\n'; // just behind the LF of the break before this line
    if (at.offset > lineLength(at.block))
        return u'\r'; // between the CR and the LF
    return m_edit->document()
        ->characterAt(at.block.position() + static_cast<int>(at.offset) - 1)
        .unicode();
}
