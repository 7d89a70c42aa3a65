// Mouse: clicks, drags with auto-scroll, word and line selection, the primary selection, the
// wheel, the context menu, focus and the timers.
#include "view/memoview.h"
#include "view/textinput.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QStyleHints>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>

namespace {

constexpr int kAutoScrollInterval = 50; // ms between rows scrolled while a drag is outside

} // namespace

void MemoView::mousePressEvent(QMouseEvent* event) {
    endTypingRun();
    m_mightDrag = false;
    const QPoint point = event->position().toPoint();
    if (!m_preedit.isEmpty())
        QGuiApplication::inputMethod()->commit();
    if (event->button() == Qt::LeftButton) {
        const Hold hold(*this);
        const text::Pos hit = positionAt(point);
        const QStyleHints* hints = QGuiApplication::styleHints();
        if (m_sinceDoubleClick.isValid() &&
            m_sinceDoubleClick.elapsed() < hints->mouseDoubleClickInterval() &&
            (point - m_doubleClickPos).manhattanLength() < hints->startDragDistance()) {
            // A third click: the line with its line break.
            const text::Pos line = m_buffer.lineOf(hit);
            m_unitStart = m_buffer.lineStart(line);
            m_unitEnd =
                line + 1 < m_buffer.lineCount() ? m_buffer.lineStart(line + 1) : m_buffer.length();
            m_anchor = m_unitStart;
            m_caret = m_unitEnd;
            m_mouseUnit = Unit::Line;
            m_sinceDoubleClick.invalidate();
        } else if (event->modifiers() == Qt::ShiftModifier) {
            m_mouseUnit = Unit::Character;
            m_caret = hit;
        } else if (m_caret != m_anchor && hit >= selStart() && hit <= selStart() + selLength()) {
            // Inside the selection: a move drags it, a release without one puts the caret there.
            m_mightDrag = true;
            m_dragStartPoint = point;
            event->accept();
            return;
        } else {
            m_mouseUnit = Unit::Character;
            m_caret = m_anchor = hit;
        }
        m_mousePressed = true;
        m_lastMousePos = point;
        event->accept();
        return;
    }
    // The middle button pastes on release; the right one brings the context menu and leaves the
    // caret where it is.
    event->accept();
}

void MemoView::mouseMoveEvent(QMouseEvent* event) {
    if (m_mightDrag && event->buttons().testFlag(Qt::LeftButton)) {
        if ((event->position().toPoint() - m_dragStartPoint).manhattanLength() >=
            QGuiApplication::styleHints()->startDragDistance()) {
            m_mightDrag = false;
            startDrag();
        }
        event->accept();
        return;
    }
    if (!m_mousePressed || !event->buttons().testFlag(Qt::LeftButton)) {
        event->ignore();
        return;
    }
    m_lastMousePos = event->position().toPoint();
    const QRect area = viewport()->rect();
    if (area.contains(m_lastMousePos))
        m_autoScrollTimer.stop();
    else if (!m_autoScrollTimer.isActive())
        m_autoScrollTimer.start(kAutoScrollInterval, this);
    const Hold hold(*this);
    m_followCaret = false;
    const QPoint inside(std::clamp(m_lastMousePos.x(), area.left(), area.right()),
                        std::clamp(m_lastMousePos.y(), area.top(), area.bottom()));
    extendMouseSelection(positionAt(m_wordWrap ? inside : QPoint(m_lastMousePos.x(), inside.y())));
    event->accept();
}

void MemoView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && std::exchange(m_mightDrag, false)) {
        {
            const Hold hold(*this);
            m_caret = m_anchor = positionAt(event->position().toPoint());
        }
        event->accept();
        if (onClick)
            onClick();
        return;
    }
    if (event->button() == Qt::LeftButton && m_mousePressed) {
        m_mousePressed = false;
        m_autoScrollTimer.stop();
        setPrimarySelection();
        event->accept();
        if (onClick)
            onClick();
        return;
    }
    if (event->button() == Qt::MiddleButton) {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        if (!m_readOnly && clipboard && clipboard->supportsSelection()) {
            {
                const Hold hold(*this);
                m_caret = m_anchor = positionAt(event->position().toPoint());
                insertFromClipboard(true);
            }
            if (onClick)
                onClick();
        }
        event->accept();
        return;
    }
    event->ignore();
}

void MemoView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    endTypingRun();
    if (!m_preedit.isEmpty())
        QGuiApplication::inputMethod()->commit();
    const QPoint point = event->position().toPoint();
    const Hold hold(*this);
    const auto [start, end] = wordAt(positionAt(point));
    m_unitStart = start;
    m_unitEnd = end;
    m_anchor = start;
    m_caret = end;
    m_mouseUnit = Unit::Word;
    m_mousePressed = true;
    m_lastMousePos = point;
    m_doubleClickPos = point;
    m_sinceDoubleClick.start();
    setPrimarySelection();
    event->accept();
}

void MemoView::extendMouseSelection(text::Pos pos) {
    switch (m_mouseUnit) {
    case Unit::Character:
        m_caret = pos;
        break;
    case Unit::Word:
        if (pos >= m_unitStart && pos <= m_unitEnd) {
            m_anchor = m_unitStart;
            m_caret = m_unitEnd;
        } else if (pos < m_unitStart) {
            m_anchor = m_unitEnd;
            m_caret = wordAt(pos).first;
        } else {
            m_anchor = m_unitStart;
            m_caret = wordAt(pos).second;
        }
        break;
    case Unit::Line: {
        const text::Pos line = m_buffer.lineOf(pos);
        if (pos >= m_unitStart && pos < m_unitEnd) {
            m_anchor = m_unitStart;
            m_caret = m_unitEnd;
        } else if (pos < m_unitStart) {
            m_anchor = m_unitEnd;
            m_caret = m_buffer.lineStart(line);
        } else {
            m_anchor = m_unitStart;
            m_caret =
                line + 1 < m_buffer.lineCount() ? m_buffer.lineStart(line + 1) : m_buffer.length();
        }
        break;
    }
    }
    m_caret = clampPos(m_caret);
    m_anchor = clampPos(m_anchor);
}

void MemoView::autoScroll() {
    if (!m_mousePressed) {
        m_autoScrollTimer.stop();
        return;
    }
    const QRect area = viewport()->rect();
    const QPoint point = m_lastMousePos;
    // Farther outside scrolls faster.
    if (point.y() < area.top())
        scrollRows(-std::min(visibleRows(), 1 + (area.top() - point.y()) / m_rowHeight));
    else if (point.y() > area.bottom())
        scrollRows(std::min(visibleRows(), 1 + (point.y() - area.bottom()) / m_rowHeight));
    if (!m_wordWrap) {
        QScrollBar* horizontal = horizontalScrollBar();
        if (point.x() < area.left())
            horizontal->setValue(horizontal->value() - (area.left() - point.x()));
        else if (point.x() > area.right())
            horizontal->setValue(horizontal->value() + (point.x() - area.right()));
    }
    const Hold hold(*this);
    m_followCaret = false;
    const QPoint inside(std::clamp(point.x(), area.left(), area.right()),
                        std::clamp(point.y(), area.top(), area.bottom()));
    extendMouseSelection(positionAt(inside));
}

void MemoView::setPrimarySelection() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard || !clipboard->supportsSelection() || selLength() == 0)
        return;
    clipboard->setText(view::withLf(m_buffer.text(selStart(), selLength())), QClipboard::Selection);
}

void MemoView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        // As QPlainTextEdit: a read-only text zooms by a point a notch, an editable one scrolls
        // by at most a page a notch.
        if (m_readOnly) {
            zoomInF(static_cast<float>(delta.y()) / 120.f);
        } else if (std::abs(delta.y()) >= std::abs(delta.x())) {
            const int page = fullRows();
            const int rows = std::clamp(static_cast<int>(delta.y() / 120.0 * page), -page, page);
            if (rows != 0)
                scrollRows(-rows);
        }
        event->accept();
        return;
    }
    if (delta.y() != 0 && !event->modifiers().testFlag(Qt::AltModifier) &&
        std::abs(delta.y()) >= std::abs(delta.x())) {
        m_wheelRemainder += delta.y() * QGuiApplication::styleHints()->wheelScrollLines() / 120.0;
        const int rows = static_cast<int>(m_wheelRemainder);
        m_wheelRemainder -= rows;
        if (rows != 0)
            scrollRows(-rows);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void MemoView::zoomInF(float range) {
    if (range == 0.f)
        return;
    QFont zoomed = font();
    if (zoomed.pointSizeF() > 0) {
        const qreal size = zoomed.pointSizeF() + range;
        if (size <= 0)
            return;
        zoomed.setPointSizeF(size);
    } else {
        // A font sized in pixels grows by the pixels of a point.
        const int size = zoomed.pixelSize() + qRound(range * logicalDpiY() / 72.0);
        if (size <= 0)
            return;
        zoomed.setPixelSize(size);
    }
    setFont(zoomed);
}

void MemoView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void MemoView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void MemoView::focusOutEvent(QFocusEvent* event) {
    // Whatever takes the focus (a menu, a dialog) is not typing.
    endTypingRun();
    QAbstractScrollArea::focusOutEvent(event);
    m_blinkTimer.stop();
    viewport()->update();
}

void MemoView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_blinkTimer.timerId()) {
        m_caretOn = !m_caretOn;
        viewport()->update(cursorRect().adjusted(-1, 0, 1, 0));
    } else if (event->timerId() == m_autoScrollTimer.timerId()) {
        autoScroll();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

// ---- Drops --------------------------------------------------------------------------------------

namespace {

QList<QUrl> localFiles(const QMimeData& data) {
    QList<QUrl> files;
    if (data.hasUrls())
        for (const QUrl& url : data.urls())
            if (url.isLocalFile())
                files.append(url);
    return files;
}

} // namespace

MemoView::Drop MemoView::dropKind(const QMimeData* data) const {
    if (!data || !isEnabled())
        return Drop::None;
    // A file manager's drag also carries the names as text: the files come first.
    if (!localFiles(*data).isEmpty())
        return onDropFiles ? Drop::Files : Drop::None;
    return data->hasText() && !m_readOnly ? Drop::Text : Drop::None;
}

void MemoView::dragEnterEvent(QDragEnterEvent* event) {
    dragMoveEvent(event);
}

void MemoView::dragMoveEvent(QDragMoveEvent* event) {
    const Drop kind = dropKind(event->mimeData());
    if (kind == Drop::None) {
        event->ignore();
        return;
    }
    // The view's own selection moves unless Ctrl copies it; anything else is copied.
    if (isOwnDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->setDropAction(Qt::CopyAction);
    event->accept();
    const text::Pos at = kind == Drop::Text ? positionAt(event->position().toPoint()) : -1;
    if (at != m_dropPos) {
        m_dropPos = at;
        viewport()->update();
    }
}

void MemoView::dragLeaveEvent(QDragLeaveEvent* event) {
    m_dropPos = -1;
    viewport()->update();
    event->accept();
}

void MemoView::dropEvent(QDropEvent* event) {
    m_dropPos = -1;
    viewport()->update();
    const QMimeData* data = event->mimeData();
    switch (dropKind(data)) {
    case Drop::None:
        event->ignore();
        return;
    case Drop::Files:
        event->setDropAction(Qt::CopyAction);
        event->accept();
        onDropFiles(localFiles(*data));
        return;
    case Drop::Text:
        break;
    }
    if (!m_preedit.isEmpty())
        QGuiApplication::inputMethod()->commit();
    const text::Pos at = positionAt(event->position().toPoint());
    if (isOwnDrag(data)) {
        m_droppedHere = true;
        const bool copy = event->modifiers().testFlag(Qt::ControlModifier) ||
                          event->dropAction() == Qt::CopyAction;
        const Qt::DropAction done = dropOwnText(at, copy);
        if (done == Qt::IgnoreAction) {
            event->ignore();
            return;
        }
        event->setDropAction(done);
    } else {
        const QString dropped = data->text();
        // One edit: the caret goes to the drop point and the text is inserted there, one step
        // for undo.
        const EditGroup group(*this);
        m_caret = m_anchor = at;
        insertAtCaret(dropped);
        event->setDropAction(Qt::CopyAction);
    }
    event->accept();
    setFocus(Qt::MouseFocusReason);
    if (onClick)
        onClick();
}

Qt::DropAction MemoView::dropOwnText(text::Pos pos, bool copy) {
    const text::Pos length = m_dragTo - m_dragFrom;
    // Dropped inside itself: nothing happens. A move there would change nothing, and a copy into
    // the middle of its own text is taken for a slip of the hand; at an edge a copy is made.
    if (copy ? pos > m_dragFrom && pos < m_dragTo : pos >= m_dragFrom && pos <= m_dragTo)
        return Qt::IgnoreAction;
    // The units themselves, so that the text comes back exactly as it left.
    const std::u16string units = m_buffer.text(m_dragFrom, length);
    const EditGroup group(*this);
    if (!copy) {
        m_buffer.remove(m_dragFrom, length);
        if (pos > m_dragFrom)
            pos -= length;
    }
    m_buffer.insert(pos, units);
    m_caret = m_anchor = clampPos(pos + length);
    return copy ? Qt::CopyAction : Qt::MoveAction;
}

void MemoView::startDrag() {
    const text::Pos from = selStart();
    const text::Pos to = from + selLength();
    auto* data = new QMimeData;
    data->setText(view::withLf(m_buffer.text(from, to - from)));
    const QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(data);
    m_dragFrom = from;
    m_dragTo = to;
    m_dragData = data;
    m_droppedHere = false;
    const std::uint64_t revision = m_buffer.revision();
    const Qt::DropActions actions =
        m_readOnly ? Qt::DropActions(Qt::CopyAction) : Qt::CopyAction | Qt::MoveAction;
    const Qt::DropAction done =
        runDrag ? runDrag(*drag, actions)
                : drag->exec(actions, m_readOnly ? Qt::CopyAction : Qt::MoveAction);
    m_dragData = nullptr;
    if (drag)
        drag->deleteLater();
    // Moved into another control: the text leaves this one, unless it changed meanwhile.
    if (done == Qt::MoveAction && !m_droppedHere && !m_readOnly &&
        m_buffer.revision() == revision) {
        const Hold hold(*this);
        removeRange(from, to);
    }
}
