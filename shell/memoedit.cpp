#include "shell/memoedit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextCursor>

MemoEdit::MemoEdit(QWidget* parent) : QPlainTextEdit(parent) {}

void MemoEdit::keyPressEvent(QKeyEvent* event) {
    if (onKeyPress && onKeyPress(event)) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MemoEdit::keyReleaseEvent(QKeyEvent* event) {
    QPlainTextEdit::keyReleaseEvent(event);
    if (onKeyRelease)
        onKeyRelease(event);
}

void MemoEdit::mousePressEvent(QMouseEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (event->button() == Qt::LeftButton && (mods & ~Qt::ShiftModifier) == Qt::NoModifier) {
        QTextCursor cursor = textCursor();
        const int pos = cursorForPosition(event->position().toPoint()).position();
        cursor.setPosition(pos, mods.testFlag(Qt::ShiftModifier) ? QTextCursor::KeepAnchor
                                                                 : QTextCursor::MoveAnchor);
        setTextCursor(cursor);
        setFocus(Qt::MouseFocusReason);
        m_dragging = true;
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton) {
        event->accept(); // the context menu comes with its own event; the caret stays
        return;
    }
    QPlainTextEdit::mousePressEvent(event);
}

void MemoEdit::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && event->buttons().testFlag(Qt::LeftButton)) {
        QTextCursor cursor = textCursor();
        cursor.setPosition(cursorForPosition(event->position().toPoint()).position(),
                           QTextCursor::KeepAnchor);
        setTextCursor(cursor);
        event->accept();
        return;
    }
    QPlainTextEdit::mouseMoveEvent(event);
}

void MemoEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        event->accept();
    } else {
        QPlainTextEdit::mouseReleaseEvent(event);
    }
    if (event->button() == Qt::LeftButton && onClick)
        onClick();
}
