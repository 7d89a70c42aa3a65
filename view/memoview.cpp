// The view's text target, its edits, the buffer's notifications and the hand-over of caret and
// selection changes.
#include "view/memoview.h"

#include "view/memoaccessible.h"
#include "view/textinput.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <cmath>

namespace {

// Accessibility events carry the inserted text; beyond this many units they carry none.
constexpr text::Pos kAccessibleEventUnits = text::Pos(1) << 20;

QString toQString(const std::u16string& units) {
    return QString(reinterpret_cast<const QChar*>(units.data()),
                   static_cast<qsizetype>(units.size()));
}

// Runs work that copies `units` units of text; running out of memory there comes out as
// text::OutOfMemory of their size, like an edit of the buffer that fails.
template <class F> auto sized(text::Pos units, F&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const text::OutOfMemory&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw text::OutOfMemory(2 * units);
    }
}

} // namespace

MemoView::MemoView(QWidget* parent) : MemoView(*new text::TextBuffer, parent) {
    m_ownBuffer.reset(&m_buffer);
}

MemoView::MemoView(text::TextBuffer& buffer, QWidget* parent)
    : QAbstractScrollArea(parent), m_buffer(buffer) {
    view::installMemoViewAccessibility();
    m_buffer.addListener(&m_listener);
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAcceptDrops(true);
    setInputMethodHints(Qt::ImhMultiLine);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    updateFontMetrics();
    m_layoutWidth = wrapWidth();
    updateScrollBars();
}

MemoView::~MemoView() {
    m_buffer.removeListener(&m_listener);
}

// ---- Holding and handing over ---------------------------------------------------------------

MemoView::Hold::Hold(MemoView& view) : m_view(view) {
    m_view.beginHold();
}

MemoView::Hold::~Hold() {
    m_view.endHold();
}

MemoView::EditGroup::EditGroup(MemoView& view) : m_view(view) {
    m_view.beginHold();
    m_view.m_buffer.beginGroup();
}

MemoView::EditGroup::~EditGroup() {
    m_view.m_buffer.endGroup();
    m_view.endHold();
}

void MemoView::beginHold() {
    if (m_holdDepth++ == 0) {
        m_heldCaret = m_caret;
        m_heldAnchor = m_anchor;
        m_heldRevision = m_buffer.revision();
        m_textWasReset = false;
        // A step made now keeps the caret and the anchor from before it, for undo.
        m_buffer.setNote({m_caret, m_anchor});
    }
}

void MemoView::endHold() {
    if (--m_holdDepth == 0) {
        m_buffer.setNote({});
        handOver();
    }
}

void MemoView::handOver() {
    const bool keepX = std::exchange(m_keepPreferredX, false);
    const bool follow = std::exchange(m_followCaret, true);
    const bool moved = m_caret != m_heldCaret || m_anchor != m_heldAnchor;
    const bool edited = m_textWasReset || m_buffer.revision() != m_heldRevision;
    if (!moved && !edited)
        return;
    setPendingRange(0, 0);
    if (!keepX)
        m_preferredX = std::numeric_limits<qreal>::quiet_NaN();
    if (!m_preedit.isEmpty()) {
        // The preedit text stands at the caret: move it with the caret.
        if (m_preeditLine >= 0)
            m_cache.drop(m_preeditLine, m_preeditSegment);
        m_preeditLine = m_buffer.lineOf(m_caret);
        m_preeditSegment = segmentOf(m_preeditLine, m_caret);
        m_cache.drop(m_preeditLine, m_preeditSegment);
    }
    if (edited)
        updateScrollBars();
    if (follow)
        ensureCursorVisible();
    restartBlink();
    if (QAccessible::isActive()) {
        if (m_caret != m_heldCaret || edited) {
            QAccessibleTextCursorEvent event(this, static_cast<int>(accessibleOffset(m_caret)));
            QAccessible::updateAccessibility(&event);
        }
        if (moved && (m_caret != m_anchor || m_heldCaret != m_heldAnchor)) {
            QAccessibleTextSelectionEvent event(
                this, static_cast<int>(accessibleOffset(selStart())),
                static_cast<int>(accessibleOffset(selStart() + selLength())));
            QAccessible::updateAccessibility(&event);
        }
    }
    updateMicroFocus();
    viewport()->update();
    emit caretMoved();
}

// ---- The buffer's notifications ---------------------------------------------------------------

void MemoView::bufferChanged(const text::Change& change) {
    const Hold hold(*this);
    // Before the cached lines move: the pending range's layout is known by its line now.
    setPendingRange(0, 0);
    // Within one line, the segments before the edited one keep their text and their bounds
    // (a bound moves at most a few dozen units back, far less than a segment).
    // That holds only while the line is in pieces both before and after the edit; a line laid
    // out whole, or one that becomes whole, is laid out anew.
    int firstSegment = 0;
    if (change.linesRemoved == 0 && change.linesInserted == 0) {
        const text::Pos length = lineLength(change.firstLine);
        const text::Pos before = length - change.inserted + change.removed;
        if (segmentsFor(length) > 1 && segmentsFor(before) > 1) {
            const text::Pos offset = change.position - m_buffer.lineStart(change.firstLine);
            firstSegment = static_cast<int>(std::max<text::Pos>(0, offset / pieceUnits() - 1));
        }
    }
    m_cache.applyChange(change.firstLine, firstSegment, change.linesRemoved, change.linesInserted,
                        change.inserted - change.removed);
    // The kept pieces of an edited line learn its new number of pieces.
    if (change.linesRemoved == 0 && change.linesInserted == 0) {
        const text::Pos length = lineLength(change.firstLine);
        const int pieces = segmentsFor(length);
        m_cache.setSegments(change.firstLine, pieces, length - (pieces - 1) * pieceUnits());
    }
    const text::Pos lastTouched = change.firstLine + change.linesRemoved;
    // The farthest top row depends only on the rows of the lines from it to the end. Without
    // wrapping a line is one row, so an edit inside one line (typing at the end of the text)
    // leaves it where it is.
    if (m_bottomTopKnown) {
        if (lastTouched < m_bottomTop.line)
            m_bottomTop.line += change.linesInserted - change.linesRemoved;
        else if (m_wordWrap || change.linesRemoved != 0 || change.linesInserted != 0)
            m_bottomTopKnown = false;
    }
    // Rows between the top and the last row in sight may have come or gone.
    m_lastInSightKnown = false;
    if (m_top.line > lastTouched)
        m_top.line += change.linesInserted - change.linesRemoved;
    else if (m_top.line > change.firstLine)
        m_top = RowRef{change.firstLine, 0, 0};
    // Caret and anchor follow the text around them; the edits of the view put them where they
    // belong afterwards.
    const auto follow = [&](text::Pos p) {
        if (p <= change.position)
            return p;
        if (p >= change.position + change.removed)
            return p + change.inserted - change.removed;
        return change.position;
    };
    m_caret = clampPos(follow(m_caret));
    m_anchor = clampPos(follow(m_anchor));
    m_knownLength = m_buffer.length();
    m_knownLines = m_buffer.lineCount();
    if (QAccessible::isActive()) {
        // Offsets and texts as the accessibility interface counts them: a line break is one
        // "\n". The lines before the edit are the same before and after it.
        const QString inserted = change.inserted <= kAccessibleEventUnits
                                     ? view::withLf(m_buffer.text(change.position, change.inserted))
                                     : QString();
        const QString removed(static_cast<qsizetype>(std::min(change.removed - change.linesRemoved,
                                                              kAccessibleEventUnits)),
                              QLatin1Char(' '));
        const int at = static_cast<int>(change.position - change.firstLine);
        if (change.removed == 0) {
            QAccessibleTextInsertEvent event(this, at, inserted);
            QAccessible::updateAccessibility(&event);
        } else if (change.inserted == 0) {
            QAccessibleTextRemoveEvent event(this, at, removed);
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleTextUpdateEvent event(this, at, removed, inserted);
            QAccessible::updateAccessibility(&event);
        }
    }
    emit textChanged(change);
}

void MemoView::bufferReset() {
    const Hold hold(*this);
    text::Change change;
    change.removed = m_knownLength;
    change.linesRemoved = m_knownLines - 1;
    change.inserted = m_buffer.length();
    change.linesInserted = m_buffer.lineCount() - 1;
    m_cache.clear();
    m_pendingLen = 0;
    m_pendingLine = -1;
    m_bottomTopKnown = false;
    m_lastInSightKnown = false;
    m_maxWidth = 0;
    m_top = RowRef{};
    m_caret = m_anchor = 0;
    m_textWasReset = true;
    m_knownLength = m_buffer.length();
    m_knownLines = m_buffer.lineCount();
    horizontalScrollBar()->setValue(0);
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::TextUpdated);
        QAccessible::updateAccessibility(&event);
    }
    emit textChanged(change);
}

// ---- Positions and the text target ------------------------------------------------------------

text::Pos MemoView::clampPos(text::Pos pos) const {
    const text::Pos len = m_buffer.length();
    pos = std::clamp<text::Pos>(pos, 0, len);
    if (pos > 0 && pos < len && m_buffer.at(pos) == u'\n' && m_buffer.at(pos - 1) == u'\r')
        --pos;
    return pos;
}

text::Pos MemoView::accessibleOffset(text::Pos pos) const {
    pos = clampPos(pos);
    return pos - m_buffer.lineOf(pos);
}

text::Pos MemoView::accessiblePosition(text::Pos offset) const {
    // Every line break is one unit there: the offset counts the units that are not LF.
    return m_buffer.positionSkippingLfs(std::clamp<text::Pos>(offset, 0, accessibleLength()));
}

qsizetype MemoView::length() const {
    return static_cast<qsizetype>(m_buffer.length());
}

qsizetype MemoView::selStart() const {
    return static_cast<qsizetype>(std::min(m_caret, m_anchor));
}

qsizetype MemoView::selLength() const {
    return static_cast<qsizetype>(std::abs(m_caret - m_anchor));
}

void MemoView::setSelStart(qsizetype pos) {
    const Hold hold(*this);
    m_caret = m_anchor = clampPos(pos);
}

void MemoView::setSelLength(qsizetype len) {
    const Hold hold(*this);
    const text::Pos start = selStart();
    const text::Pos end =
        len > 0 ? clampPos(start + std::min<text::Pos>(len, m_buffer.length() - start)) : start;
    m_anchor = start;
    m_caret = std::max(start, end);
}

void MemoView::setCaret(text::Pos caret, text::Pos anchor) {
    const Hold hold(*this);
    m_caret = clampPos(caret);
    m_anchor = clampPos(anchor);
}

QString MemoView::selText() const {
    return textRange(selStart(), selLength());
}

QString MemoView::textRange(text::Pos pos, text::Pos len) const {
    if (len <= 0)
        return {};
    return sized(len, [&] { return toQString(m_buffer.text(pos, len)); });
}

void MemoView::setSelText(const QString& text) {
    const Hold hold(*this);
    replaceSelection(text, true);
}

char16_t MemoView::unitBefore(qsizetype pos) const {
    if (pos <= 0 || pos > m_buffer.length())
        return 0;
    return m_buffer.at(pos - 1);
}

void MemoView::insertAtCaret(const QString& text) {
    const Hold hold(*this);
    const std::u16string units = sized(text.size(), [&] { return view::withCrLf(text); });
    const text::Pos at = m_caret;
    if (!units.empty())
        m_buffer.insert(at, units);
    m_caret = m_anchor = at + static_cast<text::Pos>(units.size());
}

void MemoView::insertAtCaret(text::TextBuilder&& text) {
    const Hold hold(*this);
    const text::Pos at = m_caret;
    const text::Pos length = text.length();
    m_buffer.insert(at, std::move(text));
    m_caret = m_anchor = at + length;
}

void MemoView::replaceRange(text::Pos pos, text::Pos len, std::u16string_view units) {
    if (len > 0 || !units.empty())
        m_buffer.replace(pos, len, units);
}

void MemoView::replaceSelection(QStringView text, bool selectInserted) {
    const text::Pos start = selStart();
    const std::u16string units = sized(text.size(), [&] { return view::withCrLf(text); });
    replaceRange(start, selLength(), units);
    const text::Pos end = start + static_cast<text::Pos>(units.size());
    m_anchor = selectInserted ? start : end;
    m_caret = end;
}

void MemoView::typeText(QStringView text) {
    if (m_readOnly)
        return;
    const Hold hold(*this);
    replaceSelection(text, false);
}

void MemoView::removeRange(text::Pos from, text::Pos to) {
    if (to > from)
        m_buffer.remove(from, to - from);
    m_caret = m_anchor = clampPos(from);
}

// ---- Commands ----------------------------------------------------------------------------------

void MemoView::setPlainText(const QString& text) {
    const Hold hold(*this);
    m_buffer.assign(view::withCrLf(text));
}

QString MemoView::toPlainText() const {
    return view::withLf(m_buffer.text());
}

void MemoView::selectAll() {
    const Hold hold(*this);
    m_followCaret = false;
    m_anchor = 0;
    m_caret = m_buffer.length();
}

void MemoView::undo() {
    endTypingRun();
    const Hold hold(*this);
    const text::TextBuffer::Restored restored = m_buffer.undo();
    if (!restored.done)
        return;
    // The text is as it was before the step, so the caret and anchor of then fit it again.
    if (restored.note.first >= 0) {
        m_caret = clampPos(restored.note.first);
        m_anchor = clampPos(restored.note.second);
    } else {
        m_caret = m_anchor = clampPos(restored.position + restored.length);
    }
}

void MemoView::redo() {
    endTypingRun();
    const Hold hold(*this);
    const text::TextBuffer::Restored restored = m_buffer.redo();
    if (restored.done)
        m_caret = m_anchor = clampPos(restored.position + restored.length);
}

void MemoView::endTypingRun() {
    m_run = Run::None;
    m_buffer.endRun();
}

void MemoView::setClipboardText(const QString& text, bool primary) const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->setText(text, primary ? QClipboard::Selection : QClipboard::Clipboard);
}

void MemoView::copy() {
    if (selLength() == 0)
        return;
    // The clipboard changes only once the whole text could be copied.
    setClipboardText(selectedWithLf(), false);
}

void MemoView::cut() {
    if (m_readOnly || selLength() == 0)
        return;
    // Copied and removed before the clipboard changes, so that a cut that fails for want of
    // memory leaves both the text and the clipboard as they were.
    const QString removed = selectedWithLf();
    {
        const Hold hold(*this);
        removeRange(selStart(), selStart() + selLength());
    }
    setClipboardText(removed, false);
}

QString MemoView::selectedWithLf() const {
    return sized(selLength(), [&] { return view::withLf(m_buffer.text(selStart(), selLength())); });
}

void MemoView::removeSelection() {
    const Hold hold(*this);
    removeRange(selStart(), selStart() + selLength());
}

void MemoView::paste() {
    if (m_readOnly)
        return;
    if (onPaste) {
        onPaste();
        return;
    }
    insertFromClipboard(false);
}

void MemoView::insertFromClipboard(bool primary) {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    const QMimeData* data =
        clipboard->mimeData(primary ? QClipboard::Selection : QClipboard::Clipboard);
    if (!data || !data->hasText())
        return;
    const Hold hold(*this);
    replaceSelection(data->text(), false);
}

QMenu* MemoView::createStandardContextMenu() {
    auto* menu = new QMenu(this);
    const bool hasSelection = selLength() > 0;
    // The commands run in the menu's events, not the view's: each is guarded on its own.
    const auto guarded = [this](void (MemoView::*command)()) {
        return [this, command] {
            guardMemory([&] {
                (this->*command)();
                return true;
            });
        };
    };
    QAction* action =
        menu->addAction(tr("&Undo"), QKeySequence::Undo, this, guarded(&MemoView::undo));
    action->setEnabled(!m_readOnly && m_buffer.canUndo());
    action = menu->addAction(tr("&Redo"), QKeySequence::Redo, this, guarded(&MemoView::redo));
    action->setEnabled(!m_readOnly && m_buffer.canRedo());
    menu->addSeparator();
    action = menu->addAction(tr("Cu&t"), QKeySequence::Cut, this, guarded(&MemoView::cut));
    action->setEnabled(!m_readOnly && hasSelection);
    action = menu->addAction(tr("&Copy"), QKeySequence::Copy, this, guarded(&MemoView::copy));
    action->setEnabled(hasSelection);
    action = menu->addAction(tr("&Paste"), QKeySequence::Paste, this, guarded(&MemoView::paste));
    const QClipboard* clipboard = QGuiApplication::clipboard();
    action->setEnabled(!m_readOnly && clipboard && clipboard->mimeData() &&
                       clipboard->mimeData()->hasText());
    action = menu->addAction(tr("Delete"), this, guarded(&MemoView::removeSelection));
    action->setEnabled(!m_readOnly && hasSelection);
    menu->addSeparator();
    action = menu->addAction(tr("Select All"), QKeySequence::SelectAll, this, &MemoView::selectAll);
    action->setEnabled(m_buffer.length() > 0);
    return menu;
}

// ---- Properties --------------------------------------------------------------------------------

qsizetype MemoView::caretLine() const {
    return static_cast<qsizetype>(m_buffer.lineOf(m_caret));
}

qsizetype MemoView::caretColumn() const {
    return static_cast<qsizetype>(m_caret - m_buffer.lineStart(m_buffer.lineOf(m_caret)));
}

void MemoView::setReadOnly(bool readOnly) {
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    if (readOnly && !m_preedit.isEmpty())
        setPreedit(QString(), 0, true, {});
    restartBlink();
    viewport()->update();
}

void MemoView::restartBlink() {
    m_caretOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && !m_readOnly && flash > 0)
        m_blinkTimer.start(flash / 2, this);
    else
        m_blinkTimer.stop();
}
