#pragma once

#include "text/textbuffer.h"

#include <QAccessibleWidget>

class MemoView;

namespace view {

// The view as assistive technology sees it: editable text in UTF-16 units with each line break
// one "\n", as QPlainTextEdit presents it (the buffer keeps CR LF; offsets are mapped both
// ways). Every query reads only the units it answers with, or a bounded window of them.
class MemoViewAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit MemoViewAccessible(MemoView* view);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    MemoView* memo() const;
    // Offsets count a line break as one unit ("\n"); positions are the buffer's (CR LF).
    int offsetOf(text::Pos pos) const;
    text::Pos positionOf(int offset) const;
    // The range of the unit of the given kind that holds offset.
    std::pair<int, int> rangeAt(int offset, QAccessible::TextBoundaryType type) const;
};

// Lets QAccessible make a MemoViewAccessible for every MemoView; installs itself once.
void installMemoViewAccessibility();

} // namespace view
