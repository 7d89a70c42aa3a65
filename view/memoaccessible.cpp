#include "view/memoaccessible.h"

#include "view/memoview.h"
#include "view/textinput.h"

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
        return text(from, to);
    }
    return QAccessibleWidget::text(type);
}

void MemoViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || memo()->selLength() == 0)
        return;
    *startOffset = offsetOf(memo()->selStart());
    *endOffset = offsetOf(memo()->selStart() + memo()->selLength());
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
        memo()->setCaret(positionOf(endOffset), positionOf(startOffset));
}

int MemoViewAccessible::cursorPosition() const {
    return offsetOf(memo()->caretPosition());
}

void MemoViewAccessible::setCursorPosition(int position) {
    memo()->setSelStart(positionOf(position));
}

QString MemoViewAccessible::text(int startOffset, int endOffset) const {
    const int count = characterCount();
    startOffset = std::clamp(startOffset, 0, count);
    endOffset = std::clamp(endOffset, startOffset, count);
    const text::Pos from = positionOf(startOffset);
    const text::Pos to = positionOf(endOffset);
    return withLf(memo()->buffer().text(from, to - from));
}

int MemoViewAccessible::offsetOf(text::Pos pos) const {
    return static_cast<int>(std::min<text::Pos>(memo()->accessibleOffset(pos), INT_MAX));
}

text::Pos MemoViewAccessible::positionOf(int offset) const {
    return memo()->accessiblePosition(offset);
}

std::pair<int, int> MemoViewAccessible::rangeAt(int offset,
                                                QAccessible::TextBoundaryType type) const {
    const text::TextBuffer& buffer = memo()->buffer();
    const int count = characterCount();
    offset = std::clamp(offset, 0, count);
    const text::Pos pos = positionOf(offset);
    switch (type) {
    case QAccessible::CharBoundary: {
        if (offset >= count)
            return {count, count};
        const char16_t unit = buffer.at(pos);
        const bool pair = QChar::isHighSurrogate(unit) && QChar::isLowSurrogate(buffer.at(pos + 1));
        return {offset, std::min(count, offset + (pair ? 2 : 1))};
    }
    case QAccessible::WordBoundary: {
        const auto [from, to] = memo()->wordAt(pos);
        return {offsetOf(from), offsetOf(to)};
    }
    case QAccessible::SentenceBoundary:
    case QAccessible::ParagraphBoundary:
    case QAccessible::LineBoundary: {
        // The line with its line break, in offsets: the line's units less one per line break
        // before it.
        const text::Pos line = buffer.lineOf(pos);
        text::Pos from = buffer.lineStart(line) - line;
        text::Pos to =
            line + 1 < buffer.lineCount() ? buffer.lineStart(line + 1) - line - 1 : count;
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
    return static_cast<int>(std::min<text::Pos>(memo()->accessibleLength(), INT_MAX));
}

QRect MemoViewAccessible::characterRect(int offset) const {
    const QRect at = memo()->positionRect(positionOf(offset));
    if (at.isEmpty())
        return {};
    QRect rect = at;
    const QRect next = memo()->positionRect(positionOf(offset + 1));
    if (!next.isEmpty() && next.top() == at.top() && next.left() > at.left())
        rect.setRight(next.left() - 1);
    return QRect(memo()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int MemoViewAccessible::offsetAtPoint(const QPoint& point) const {
    return offsetOf(memo()->positionAt(memo()->viewport()->mapFromGlobal(point)));
}

void MemoViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    memo()->scrollToPosition(positionOf(endIndex));
    memo()->scrollToPosition(positionOf(startIndex));
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
    const text::Pos from = positionOf(std::min(startOffset, endOffset));
    view->setSelection(from, positionOf(std::max(startOffset, endOffset)) - from);
    view->setSelText(text);
    view->setSelStart(view->selStart() + view->selLength());
}

} // namespace view
