#include "view/memoaccessible.h"

#include "view/memoview.h"

#include <QAccessible>
#include <algorithm>

namespace view {

namespace {

// The most units one answer carries: a line or the whole text longer than this is answered
// with a window of it around the offset asked about.
constexpr int kAnswerUnits = 1 << 16;

QAccessibleInterface* makeAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("MemoView") && object && object->isWidgetType())
        return new MemoViewAccessible(static_cast<MemoView*>(object));
    return nullptr;
}

} // namespace

void installMemoViewAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(makeAccessible);
        return true;
    }();
    (void)installed;
}

MemoViewAccessible::MemoViewAccessible(MemoView* view)
    : QAccessibleWidget(view, QAccessible::EditableText) {}

MemoView* MemoViewAccessible::memo() const {
    return static_cast<MemoView*>(widget());
}

void* MemoViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State MemoViewAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiLine = true;
    s.selectableText = true;
    s.focusable = true;
    s.readOnly = memo()->isReadOnly();
    s.editable = !memo()->isReadOnly();
    return s;
}

QString MemoViewAccessible::text(QAccessible::Text type) const {
    if (type == QAccessible::Value) {
        // The caret's line: the whole text may be far too long to hand over.
        const auto [from, to] = rangeAt(cursorPosition(), QAccessible::LineBoundary);
        return memo()->textRange(from, to - from);
    }
    return QAccessibleWidget::text(type);
}

void MemoViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || memo()->selLength() == 0)
        return;
    *startOffset = static_cast<int>(memo()->selStart());
    *endOffset = static_cast<int>(memo()->selStart() + memo()->selLength());
}

int MemoViewAccessible::selectionCount() const {
    return memo()->selLength() > 0 ? 1 : 0;
}

void MemoViewAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void MemoViewAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        memo()->setSelStart(memo()->caretPosition());
}

void MemoViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        memo()->setCaret(endOffset, startOffset);
}

int MemoViewAccessible::cursorPosition() const {
    return static_cast<int>(memo()->caretPosition());
}

void MemoViewAccessible::setCursorPosition(int position) {
    memo()->setSelStart(position);
}

QString MemoViewAccessible::text(int startOffset, int endOffset) const {
    const int count = characterCount();
    startOffset = std::clamp(startOffset, 0, count);
    endOffset = std::clamp(endOffset, startOffset, count);
    return memo()->textRange(startOffset, endOffset - startOffset);
}

std::pair<int, int> MemoViewAccessible::rangeAt(int offset,
                                                QAccessible::TextBoundaryType type) const {
    const text::TextBuffer& buffer = memo()->buffer();
    const int count = characterCount();
    offset = std::clamp(offset, 0, count);
    switch (type) {
    case QAccessible::CharBoundary: {
        if (offset >= count)
            return {count, count};
        const char16_t unit = buffer.at(offset);
        const bool pair =
            (unit == u'\r' && buffer.at(offset + 1) == u'\n') ||
            (QChar::isHighSurrogate(unit) && QChar::isLowSurrogate(buffer.at(offset + 1)));
        return {offset, std::min(count, offset + (pair ? 2 : 1))};
    }
    case QAccessible::WordBoundary: {
        const auto [from, to] = memo()->wordAt(offset);
        return {static_cast<int>(from), static_cast<int>(to)};
    }
    case QAccessible::SentenceBoundary:
    case QAccessible::ParagraphBoundary:
    case QAccessible::LineBoundary: {
        const text::Pos line = buffer.lineOf(offset);
        text::Pos from = buffer.lineStart(line);
        text::Pos to = line + 1 < buffer.lineCount() ? buffer.lineStart(line + 1) : count;
        from = std::max<text::Pos>(from, offset - kAnswerUnits / 2);
        to = std::min<text::Pos>(to, from + kAnswerUnits);
        return {static_cast<int>(from), static_cast<int>(to)};
    }
    case QAccessible::NoBoundary:
        return {0, std::min(count, kAnswerUnits)};
    }
    return {offset, offset};
}

QString MemoViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                         int* startOffset, int* endOffset) const {
    const auto [from, to] = rangeAt(offset, boundaryType);
    *startOffset = from;
    *endOffset = to;
    return text(from, to);
}

QString MemoViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                             int* startOffset, int* endOffset) const {
    const int start = rangeAt(offset, boundaryType).first;
    if (start <= 0 || boundaryType == QAccessible::NoBoundary) {
        *startOffset = *endOffset = 0;
        return {};
    }
    return textAtOffset(start - 1, boundaryType, startOffset, endOffset);
}

QString MemoViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    const int end = rangeAt(offset, boundaryType).second;
    if (end >= characterCount() || boundaryType == QAccessible::NoBoundary) {
        *startOffset = *endOffset = characterCount();
        return {};
    }
    return textAtOffset(end, boundaryType, startOffset, endOffset);
}

int MemoViewAccessible::characterCount() const {
    return static_cast<int>(std::min<qsizetype>(memo()->length(), INT_MAX));
}

QRect MemoViewAccessible::characterRect(int offset) const {
    const QRect at = memo()->positionRect(offset);
    if (at.isEmpty())
        return {};
    QRect rect = at;
    const QRect next = memo()->positionRect(offset + 1);
    if (!next.isEmpty() && next.top() == at.top() && next.left() > at.left())
        rect.setRight(next.left() - 1);
    return QRect(memo()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int MemoViewAccessible::offsetAtPoint(const QPoint& point) const {
    return static_cast<int>(memo()->positionAt(memo()->viewport()->mapFromGlobal(point)));
}

void MemoViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    memo()->scrollToPosition(endIndex);
    memo()->scrollToPosition(startIndex);
}

QString MemoViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    (void)offset;
    // One look for the whole text.
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void MemoViewAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void MemoViewAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void MemoViewAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    MemoView* view = memo();
    if (view->isReadOnly())
        return;
    const MemoView::EditGroup group(*view);
    view->setSelection(startOffset, endOffset - startOffset);
    view->setSelText(text);
    view->setSelStart(view->selStart() + view->selLength());
}

} // namespace view
