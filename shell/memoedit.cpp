#include "shell/memoedit.h"

#include <QKeyEvent>
#include <QMouseEvent>

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

void MemoEdit::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && onClick)
        onClick();
}
