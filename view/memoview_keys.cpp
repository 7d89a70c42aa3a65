// Keys: navigation, editing keys, typed text, and the system's input methods.
#include "view/memoview.h"
#include "view/textinput.h"

#include <QAction>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QTextBoundaryFinder>
#include <QTextCharFormat>
#include <QTextLine>
#include <algorithm>
#include <cmath>

namespace {

enum class Move {
    NextChar,
    PreviousChar,
    NextWord,
    PreviousWord,
    NextRow,
    PreviousRow,
    RowStart,
    RowEnd,
    LineStart,
    LineEnd,
    DocumentStart,
    DocumentEnd,
    NextPage,
    PreviousPage,
};

struct MoveKey {
    QKeySequence::StandardKey key;
    Move move;
    bool extend;
    constexpr bool vertical() const {
        return move == Move::NextRow || move == Move::PreviousRow || move == Move::NextPage ||
               move == Move::PreviousPage;
    }
};

// The navigation keys, as QPlainTextEdit reads them.
constexpr MoveKey kMoveKeys[] = {
    {QKeySequence::MoveToNextChar, Move::NextChar, false},
    {QKeySequence::SelectNextChar, Move::NextChar, true},
    {QKeySequence::MoveToPreviousChar, Move::PreviousChar, false},
    {QKeySequence::SelectPreviousChar, Move::PreviousChar, true},
    {QKeySequence::MoveToNextWord, Move::NextWord, false},
    {QKeySequence::SelectNextWord, Move::NextWord, true},
    {QKeySequence::MoveToPreviousWord, Move::PreviousWord, false},
    {QKeySequence::SelectPreviousWord, Move::PreviousWord, true},
    {QKeySequence::MoveToNextLine, Move::NextRow, false},
    {QKeySequence::SelectNextLine, Move::NextRow, true},
    {QKeySequence::MoveToPreviousLine, Move::PreviousRow, false},
    {QKeySequence::SelectPreviousLine, Move::PreviousRow, true},
    {QKeySequence::MoveToStartOfLine, Move::RowStart, false},
    {QKeySequence::SelectStartOfLine, Move::RowStart, true},
    {QKeySequence::MoveToEndOfLine, Move::RowEnd, false},
    {QKeySequence::SelectEndOfLine, Move::RowEnd, true},
    {QKeySequence::MoveToStartOfBlock, Move::LineStart, false},
    {QKeySequence::SelectStartOfBlock, Move::LineStart, true},
    {QKeySequence::MoveToEndOfBlock, Move::LineEnd, false},
    {QKeySequence::SelectEndOfBlock, Move::LineEnd, true},
    {QKeySequence::MoveToStartOfDocument, Move::DocumentStart, false},
    {QKeySequence::SelectStartOfDocument, Move::DocumentStart, true},
    {QKeySequence::MoveToEndOfDocument, Move::DocumentEnd, false},
    {QKeySequence::SelectEndOfDocument, Move::DocumentEnd, true},
    {QKeySequence::MoveToNextPage, Move::NextPage, false},
    {QKeySequence::SelectNextPage, Move::NextPage, true},
    {QKeySequence::MoveToPreviousPage, Move::PreviousPage, false},
    {QKeySequence::SelectPreviousPage, Move::PreviousPage, true},
};

// Command chords the view takes before the window's shortcuts see them.
constexpr QKeySequence::StandardKey kOwnChords[] = {
    QKeySequence::Copy,
    QKeySequence::Paste,
    QKeySequence::Cut,
    QKeySequence::Undo,
    QKeySequence::Redo,
    QKeySequence::SelectAll,
    QKeySequence::MoveToNextWord,
    QKeySequence::MoveToPreviousWord,
    QKeySequence::SelectNextWord,
    QKeySequence::SelectPreviousWord,
    QKeySequence::MoveToStartOfDocument,
    QKeySequence::MoveToEndOfDocument,
    QKeySequence::SelectStartOfDocument,
    QKeySequence::SelectEndOfDocument,
    QKeySequence::SelectStartOfLine,
    QKeySequence::SelectEndOfLine,
    QKeySequence::DeleteStartOfWord,
    QKeySequence::DeleteEndOfWord,
};

bool isSpace(char16_t unit) {
    return QChar(unit).isSpace();
}

} // namespace

bool MemoView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        bool own = false;
        if (mods == Qt::NoModifier || mods == Qt::ShiftModifier || mods == Qt::KeypadModifier) {
            own = key->key() < Qt::Key_Escape;
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Delete:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_Backspace:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Tab:
                own = true;
                break;
            default:
                break;
            }
        } else {
            own = std::any_of(std::begin(kOwnChords), std::end(kOwnChords),
                              [key](QKeySequence::StandardKey k) { return key->matches(k); });
        }
        // A chord that an enabled action put on the view has (the window's Undo on Ctrl+Z)
        // goes to that action, not to the view's own handling.
        const QKeySequence pressed(key->keyCombination());
        const QList<QAction*> mine = actions();
        if (own && std::none_of(mine.cbegin(), mine.cend(), [&pressed](const QAction* action) {
                return action->isEnabled() && action->shortcuts().contains(pressed);
            })) {
            event->accept();
            return true;
        }
    }
    return guardMemory([&] { return QAbstractScrollArea::event(event); });
}

bool MemoView::viewportEvent(QEvent* event) {
    return guardMemory([&] { return QAbstractScrollArea::viewportEvent(event); });
}

bool MemoView::guardMemory(const std::function<bool()>& handle) {
    std::int64_t bytes = 0;
    // Caught here, before the failure passes through the toolkit's own frames, which do not
    // expect exceptions.
    try {
        return handle();
    } catch (const text::OutOfMemory& failed) {
        if (!onOutOfMemory)
            throw;
        bytes = failed.bytes();
    } catch (const std::bad_alloc&) {
        if (!onOutOfMemory)
            throw;
    }
    onOutOfMemory(bytes);
    return true;
}

bool MemoView::focusNextPrevChild(bool next) {
    // Tab types a tab while the text can be edited.
    if (!m_readOnly)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void MemoView::keyPressEvent(QKeyEvent* event) {
    bool handled = false;
    inRun(m_readOnly ? Run::None : runOf(event),
          [&] { handled = (onKeyPress && onKeyPress(event)) || handleKey(event); });
    if (!handled) {
        event->ignore();
        return;
    }
    event->accept();
    // Every key the view takes but the vertical moves, Copy and Cut takes the caret's column
    // afresh for the next Up or Down, also where it leaves the caret in place (End at a line's
    // end, Delete at the end of the text). A Cut that removes text takes it afresh by its edit.
    if (!keepsColumn(event))
        m_preferredX = std::numeric_limits<qreal>::quiet_NaN();
}

bool MemoView::keepsColumn(QKeyEvent* event) {
    if (event == QKeySequence::Copy || event == QKeySequence::Cut)
        return true;
    return std::any_of(std::begin(kMoveKeys), std::end(kMoveKeys),
                       [event](const MoveKey& k) { return k.vertical() && event->matches(k.key); });
}

MemoView::Run MemoView::runOf(const QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Backspace && !(mods & ~Qt::ShiftModifier))
        return Run::Backspace;
    if (event->matches(QKeySequence::Delete))
        return Run::Delete;
    // A line break is a step of its own and ends the run, as in QPlainTextEdit.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return Run::None;
    const auto matches = [event](QKeySequence::StandardKey k) { return event->matches(k); };
    if (std::any_of(std::begin(kOwnChords), std::end(kOwnChords), matches) ||
        std::any_of(std::begin(kMoveKeys), std::end(kMoveKeys),
                    [&](const MoveKey& k) { return matches(k.key); }))
        return Run::None;
    // Every other key types, if it edits at all: letters, Tab, the input method's keys (its
    // accent key among them). A key that edits nothing (a modifier alone) leaves the run open.
    return Run::Typing;
}

void MemoView::inRun(Run run, const std::function<void()>& handle) {
    if (run == Run::None) {
        endTypingRun();
        handle();
        return;
    }
    const bool goesOn = m_run == run && m_buffer.revision() == m_runRevision &&
                        m_caret == m_runCaret && m_anchor == m_runAnchor;
    if (!goesOn)
        endTypingRun();
    const std::uint64_t revision = m_buffer.revision();
    m_buffer.beginGroup(static_cast<int>(run));
    {
        // Closed also when the key's edit fails for want of memory.
        const auto close = qScopeGuard([this] { m_buffer.endGroup(); });
        handle();
    }
    // Only an edit opens or extends the run; a key that moved the caret without one ends it by
    // leaving the caret elsewhere.
    if (m_buffer.revision() != revision) {
        m_run = run;
        m_runRevision = m_buffer.revision();
        m_runCaret = m_caret;
        m_runAnchor = m_anchor;
    }
}

void MemoView::keyReleaseEvent(QKeyEvent* event) {
    QAbstractScrollArea::keyReleaseEvent(event);
    if (onKeyRelease)
        onKeyRelease(event);
}

bool MemoView::handleKey(QKeyEvent* event) {
    if (event == QKeySequence::SelectAll) {
        selectAll();
        setPrimarySelection();
        return true;
    }
    if (event == QKeySequence::Copy) {
        copy();
        return true;
    }
    if (moveKey(event))
        return true;
    if (m_readOnly)
        return false;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (event->key() == Qt::Key_Backspace && !(mods & ~Qt::ShiftModifier)) {
        deletePrevious();
        return true;
    }
    if (event == QKeySequence::InsertParagraphSeparator ||
        event == QKeySequence::InsertLineSeparator) {
        typeText(u"\r\n");
        return true;
    }
    if (event == QKeySequence::Undo) {
        undo();
        return true;
    }
    if (event == QKeySequence::Redo) {
        redo();
        return true;
    }
    if (event == QKeySequence::Cut) {
        cut();
        return true;
    }
    if (event == QKeySequence::Paste) {
        paste();
        return true;
    }
    if (event == QKeySequence::Delete) {
        deleteNext();
        return true;
    }
    if (event == QKeySequence::DeleteStartOfWord || event == QKeySequence::DeleteEndOfWord) {
        const Hold hold(*this);
        if (selLength() > 0) {
            removeRange(selStart(), selStart() + selLength());
        } else if (event == QKeySequence::DeleteStartOfWord) {
            removeRange(previousCursorPosition(m_caret, QTextLayout::SkipWords), m_caret);
        } else {
            removeRange(m_caret, nextCursorPosition(m_caret, QTextLayout::SkipWords));
        }
        return true;
    }
    if (event->key() == Qt::Key_Tab && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        typeText(u"\t");
        return true;
    }
    if (view::isTypedText(*event)) {
        typeText(event->text());
        return true;
    }
    return false;
}

bool MemoView::moveKey(QKeyEvent* event) {
    const auto found = std::find_if(std::begin(kMoveKeys), std::end(kMoveKeys),
                                    [event](const MoveKey& k) { return event->matches(k.key); });
    if (found == std::end(kMoveKeys))
        return false;
    const bool extend = found->extend;
    const bool collapse = !extend && m_caret != m_anchor;
    Move move = found->move;
    // In a line that reads from right to left the keys' sides are swapped: Left goes on to the
    // next character and Ctrl+Right back to the previous word.
    if ((move == Move::NextChar || move == Move::PreviousChar || move == Move::NextWord ||
         move == Move::PreviousWord) &&
        isRightToLeftLine(m_buffer.lineOf(m_caret))) {
        switch (move) {
        case Move::NextChar:
            move = Move::PreviousChar;
            break;
        case Move::PreviousChar:
            move = Move::NextChar;
            break;
        case Move::NextWord:
            move = Move::PreviousWord;
            break;
        case Move::PreviousWord:
            move = Move::NextWord;
            break;
        default:
            break;
        }
    }
    const Hold hold(*this);
    switch (move) {
    case Move::NextChar:
        moveCaretTo(collapse ? std::max(m_caret, m_anchor)
                             : nextCursorPosition(m_caret, QTextLayout::SkipCharacters),
                    extend);
        break;
    case Move::PreviousChar:
        moveCaretTo(collapse ? std::min(m_caret, m_anchor)
                             : previousCursorPosition(m_caret, QTextLayout::SkipCharacters),
                    extend);
        break;
    case Move::NextWord:
        moveCaretTo(nextCursorPosition(m_caret, QTextLayout::SkipWords), extend);
        break;
    case Move::PreviousWord:
        moveCaretTo(previousCursorPosition(m_caret, QTextLayout::SkipWords), extend);
        break;
    case Move::NextRow:
        moveVertically(1, extend);
        break;
    case Move::PreviousRow:
        moveVertically(-1, extend);
        break;
    case Move::RowStart:
        moveCaretTo(rowStart(m_caret), extend);
        break;
    case Move::RowEnd:
        moveCaretTo(rowEnd(m_caret), extend);
        break;
    case Move::LineStart:
        moveCaretTo(m_buffer.lineStart(m_buffer.lineOf(m_caret)), extend);
        break;
    case Move::LineEnd:
        moveCaretTo(m_buffer.lineEnd(m_buffer.lineOf(m_caret)), extend);
        break;
    case Move::DocumentStart:
        moveCaretTo(0, extend);
        break;
    case Move::DocumentEnd:
        moveCaretTo(m_buffer.length(), extend);
        break;
    case Move::NextPage:
        pageMove(1, extend);
        break;
    case Move::PreviousPage:
        pageMove(-1, extend);
        break;
    }
    // A selection made with the keys is offered to middle clicks, as one made with the mouse.
    if (extend)
        setPrimarySelection();
    return true;
}

void MemoView::moveCaretTo(text::Pos pos, bool extend) {
    const Hold hold(*this);
    m_caret = clampPos(pos);
    if (!extend)
        m_anchor = m_caret;
}

void MemoView::moveVertically(int rows, bool extend) {
    const Hold hold(*this);
    RowRef row = rowOf(m_caret);
    if (std::isnan(m_preferredX))
        m_preferredX = xOf(m_caret);
    int moved = 0;
    for (int i = 0; i < std::abs(rows); ++i) {
        if (!(rows > 0 ? nextRow(row) : previousRow(row)))
            break;
        ++moved;
    }
    if (moved == 0) {
        // On the first or last row only a selection moves on, to the start or end of the text,
        // and the caret's column is taken afresh there.
        if (extend) {
            moveCaretTo(rows > 0 ? m_buffer.lineEnd(row.line) : m_buffer.lineStart(row.line), true);
            m_preferredX = std::numeric_limits<qreal>::quiet_NaN();
        } else {
            m_keepPreferredX = true;
        }
        return;
    }
    m_keepPreferredX = true;
    moveCaretTo(positionInRow(row, m_preferredX), extend);
}

void MemoView::pageMove(int direction, bool extend) {
    const Hold hold(*this);
    const int rows = fullRows();
    const RowRef caretRow = rowOf(m_caret);
    scrollRows(direction * rows);
    if (direction > 0 ? caretRow == lastRow() : caretRow == RowRef{}) {
        moveCaretTo(direction > 0 ? m_buffer.length() : 0, extend);
        return;
    }
    moveVertically(direction * rows, extend);
}

text::Pos MemoView::nextCursorPosition(text::Pos pos, QTextLayout::CursorMode mode) const {
    const text::Pos len = m_buffer.length();
    if (pos >= len)
        return len;
    const text::Pos line = m_buffer.lineOf(pos);
    if (pos >= m_buffer.lineEnd(line))
        return line + 1 < m_buffer.lineCount() ? m_buffer.lineStart(line + 1) : len;
    if (mode == QTextLayout::SkipWords && segmentCount(line) > 1)
        return std::clamp(wordMove(pos, true), pos + 1, m_buffer.lineEnd(line));
    const view::LineLayout* layout = layoutFor(line, segmentOf(line, pos));
    const int at = layout->layout->nextCursorPosition(layout->toLayout(pos - layout->start), mode);
    const text::Pos next = layout->start + layout->fromLayout(at);
    return std::clamp(next, pos + 1, layout->start + layout->length);
}

text::Pos MemoView::previousCursorPosition(text::Pos pos, QTextLayout::CursorMode mode) const {
    if (pos <= 0)
        return 0;
    const text::Pos line = m_buffer.lineOf(pos);
    const text::Pos start = m_buffer.lineStart(line);
    if (pos <= start)
        return m_buffer.lineEnd(line - 1);
    if (mode == QTextLayout::SkipWords && segmentCount(line) > 1)
        return std::clamp(wordMove(pos, false), start, pos - 1);
    int segment = segmentOf(line, pos);
    if (segment > 0 && pos == segmentStart(line, segment))
        --segment;
    const view::LineLayout* layout = layoutFor(line, segment);
    const int at =
        layout->layout->previousCursorPosition(layout->toLayout(pos - layout->start), mode);
    const text::Pos previous = layout->start + layout->fromLayout(at);
    return std::clamp(previous, layout->start, pos - 1);
}

text::Pos MemoView::wordMove(text::Pos pos, bool forward) const {
    // The text around pos, so that a piece bound inside a word is no stop.
    const text::Pos line = m_buffer.lineOf(pos);
    const text::Pos from = std::max(m_buffer.lineStart(line), pos - kImWindowUnits);
    const text::Pos to = std::min(m_buffer.lineEnd(line), pos + kImWindowUnits);
    const QTextLayout window(shownText(from, to - from), font());
    const int at = static_cast<int>(pos - from);
    return from + (forward ? window.nextCursorPosition(at, QTextLayout::SkipWords)
                           : window.previousCursorPosition(at, QTextLayout::SkipWords));
}

bool MemoView::isRightToLeftLine(text::Pos line) const {
    const text::Pos start = m_buffer.lineStart(line);
    const text::Pos length = std::min(m_buffer.lineEnd(line) - start, kDirectionUnits);
    const QString units = textRange(start, length);
    for (qsizetype i = 0; i < units.size(); ++i) {
        char32_t c = units[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < units.size() && units[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(units[i], units[i + 1]);
            ++i;
        }
        switch (QChar::direction(c)) {
        case QChar::DirL:
            return false;
        case QChar::DirR:
        case QChar::DirAL:
            return true;
        default:
            break;
        }
    }
    return false;
}

text::Pos MemoView::rowStart(text::Pos pos) const {
    if (!m_wordWrap)
        return m_buffer.lineStart(m_buffer.lineOf(pos));
    const RowRef row = rowOf(pos);
    const view::LineLayout* layout = layoutFor(row.line, row.segment);
    const QTextLine textLine = layout->layout->lineAt(row.row);
    if (!textLine.isValid())
        return layout->start;
    return layout->start + layout->fromLayout(textLine.textStart());
}

text::Pos MemoView::rowEnd(text::Pos pos) const {
    if (!m_wordWrap)
        return m_buffer.lineEnd(m_buffer.lineOf(pos));
    const RowRef row = rowOf(pos);
    const view::LineLayout* layout = layoutFor(row.line, row.segment);
    const QTextLine textLine = layout->layout->lineAt(row.row);
    if (!textLine.isValid())
        return layout->start + layout->length;
    text::Pos end =
        layout->start + layout->fromLayout(textLine.textStart() + textLine.textLength());
    end = std::min(end, layout->start + layout->length);
    // A wrapped row ends before the space it broke at, so the caret stays on this row.
    const bool lastRow = row.row + 1 == layout->rows() && row.segment + 1 == layout->segments;
    if (!lastRow && end > pos && isSpace(m_buffer.at(end - 1)))
        --end;
    return end;
}

void MemoView::deletePrevious() {
    const Hold hold(*this);
    if (selLength() > 0) {
        removeRange(selStart(), selStart() + selLength());
        return;
    }
    const text::Pos pos = m_caret;
    if (pos <= 0)
        return;
    text::Pos from = pos - 1;
    const char16_t unit = m_buffer.at(from);
    // One unit goes, so a combining mark can be taken off its letter; a line break and a
    // surrogate pair go whole.
    if (from > 0 &&
        ((unit == u'\n' && m_buffer.at(from - 1) == u'\r') ||
         (QChar::isLowSurrogate(unit) && QChar::isHighSurrogate(m_buffer.at(from - 1)))))
        --from;
    removeRange(from, pos);
}

void MemoView::deleteNext() {
    const Hold hold(*this);
    if (selLength() > 0) {
        removeRange(selStart(), selStart() + selLength());
        return;
    }
    const text::Pos pos = m_caret;
    if (pos >= m_buffer.length())
        return;
    const text::Pos line = m_buffer.lineOf(pos);
    const text::Pos to = pos >= m_buffer.lineEnd(line)
                             ? m_buffer.lineStart(line + 1)
                             : nextCursorPosition(pos, QTextLayout::SkipCharacters);
    removeRange(pos, to);
}

std::pair<text::Pos, text::Pos> MemoView::wordAt(text::Pos pos) const {
    pos = clampPos(pos);
    const text::Pos line = m_buffer.lineOf(pos);
    const text::Pos lineStart = m_buffer.lineStart(line);
    const text::Pos lineEnd = m_buffer.lineEnd(line);
    // A window of the line around pos is enough to find the word's edges.
    const text::Pos from = std::max(lineStart, pos - kImWindowUnits);
    const text::Pos to = std::min(lineEnd, pos + kImWindowUnits);
    const QString window = textRange(from, to - from);
    if (window.isEmpty())
        return {pos, pos};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, window);
    const int at = static_cast<int>(pos - from);
    finder.setPosition(at);
    // The word under pos, or the one that ends at pos when pos stands just behind it.
    int start = finder.isAtBoundary() ? at : finder.toPreviousBoundary();
    if (start == at && at == window.size() && at > 0) {
        finder.setPosition(at);
        start = finder.toPreviousBoundary();
    }
    if (start < 0)
        start = 0;
    finder.setPosition(start);
    int end = finder.toNextBoundary();
    if (end < 0)
        end = static_cast<int>(window.size());
    return {from + start, from + end};
}

// ---- Input methods ----------------------------------------------------------------------------

std::pair<text::Pos, text::Pos> MemoView::imWindow() const {
    const text::Pos line = m_buffer.lineOf(m_caret);
    text::Pos from = std::max(m_buffer.lineStart(line), m_caret - kImWindowUnits);
    const text::Pos to = std::min(m_buffer.lineEnd(line), m_caret + kImWindowUnits);
    if (from < m_caret && QChar::isLowSurrogate(m_buffer.at(from)))
        ++from;
    return {from, to};
}

void MemoView::setPreedit(const QString& text, int cursor, bool showCaret,
                          const QList<QTextLayout::FormatRange>& formats) {
    if (m_preeditLine >= 0)
        m_cache.drop(m_preeditLine, m_preeditSegment);
    m_preedit = text;
    m_preeditCursor = std::clamp(cursor, 0, static_cast<int>(text.size()));
    m_preeditShowsCaret = showCaret;
    m_preeditFormats = formats;
    if (!text.isEmpty()) {
        m_preeditLine = m_buffer.lineOf(m_caret);
        m_preeditSegment = segmentOf(m_preeditLine, m_caret);
        m_cache.drop(m_preeditLine, m_preeditSegment);
    } else {
        m_preeditLine = -1;
    }
    viewport()->update();
    updateMicroFocus();
}

QTextCharFormat MemoView::underlinedFormat() {
    QTextCharFormat underlined;
    underlined.setFontUnderline(true);
    return underlined;
}

void MemoView::setPendingRange(text::Pos pos, text::Pos len) {
    if (m_pendingLen == 0 && len <= 0)
        return;
    if (m_pendingLine >= 0)
        m_cache.drop(m_pendingLine, m_pendingSegment);
    m_pendingLine = -1;
    m_pendingLen = 0;
    pos = std::clamp<text::Pos>(pos, 0, m_buffer.length());
    if (len > 0) {
        m_pendingLine = m_buffer.lineOf(pos);
        m_pendingSegment = segmentOf(m_pendingLine, pos);
        const text::Pos segmentEnd = m_pendingSegment + 1 < segmentCount(m_pendingLine)
                                         ? segmentStart(m_pendingLine, m_pendingSegment + 1)
                                         : m_buffer.lineEnd(m_pendingLine);
        m_pendingPos = pos;
        m_pendingLen = std::min(len, segmentEnd - pos);
        m_cache.drop(m_pendingLine, m_pendingSegment);
    }
    viewport()->update();
}

void MemoView::inputMethodEvent(QInputMethodEvent* event) {
    if (m_readOnly) {
        event->ignore();
        return;
    }
    const bool gettingInput = !event->commitString().isEmpty() ||
                              event->preeditString() != m_preedit || event->replacementLength() > 0;
    // Text committed without composing is typed as keys type it; composed text is a step of its
    // own.
    const bool typing = !event->commitString().isEmpty() && event->replacementLength() == 0 &&
                        event->preeditString().isEmpty() && m_preedit.isEmpty();
    inRun(typing ? Run::Typing : Run::None, [&] {
        const EditGroup group(*this);
        if (gettingInput && selLength() > 0)
            removeRange(selStart(), selStart() + selLength());
        if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
            const text::Pos from = clampPos(m_caret + event->replacementStart());
            const text::Pos to = clampPos(from + event->replacementLength());
            const std::u16string units = view::withCrLf(event->commitString());
            replaceRange(from, to - from, units);
            m_caret = m_anchor = from + static_cast<text::Pos>(units.size());
        }
        const text::Pos base = imWindow().first;
        for (const QInputMethodEvent::Attribute& a : event->attributes()) {
            if (a.type == QInputMethodEvent::Selection) {
                m_anchor = clampPos(base + a.start);
                m_caret = clampPos(base + a.start + a.length);
            }
        }
    });
    const QString preedit = event->preeditString();
    int cursor = static_cast<int>(preedit.size());
    bool showCaret = true;
    QList<QTextLayout::FormatRange> formats;
    for (const QInputMethodEvent::Attribute& a : event->attributes()) {
        if (a.type == QInputMethodEvent::Cursor) {
            cursor = a.start;
            showCaret = a.length != 0;
        } else if (a.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = qvariant_cast<QTextFormat>(a.value).toCharFormat();
            if (format.isValid())
                formats.append(QTextLayout::FormatRange{a.start, a.length, format});
        }
    }
    if (formats.isEmpty() && !preedit.isEmpty())
        formats.append(
            QTextLayout::FormatRange{0, static_cast<int>(preedit.size()), underlinedFormat()});
    setPreedit(preedit, cursor, showCaret, formats);
    ensureCursorVisible();
    event->accept();
}

QVariant MemoView::inputMethodQuery(Qt::InputMethodQuery query) const {
    return inputMethodQuery(query, QVariant());
}

QVariant MemoView::inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const {
    const QPoint offset = viewport()->pos();
    switch (query) {
    case Qt::ImEnabled:
        return isEnabled() && !m_readOnly;
    case Qt::ImHints:
        return static_cast<int>(inputMethodHints() | Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
        return QRectF(cursorRect().translated(offset));
    case Qt::ImAnchorRectangle: {
        const QRect rect = positionRect(m_anchor);
        return QRectF(rect.isEmpty() ? cursorRect().translated(offset) : rect.translated(offset));
    }
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return static_cast<int>(m_caret - imWindow().first);
    case Qt::ImAnchorPosition: {
        const auto [from, to] = imWindow();
        return static_cast<int>(std::clamp(m_anchor, from, to) - from);
    }
    case Qt::ImSurroundingText: {
        const auto [from, to] = imWindow();
        return textRange(from, to - from);
    }
    case Qt::ImCurrentSelection:
        return textRange(selStart(), std::min<text::Pos>(selLength(), 2 * kImWindowUnits));
    case Qt::ImMaximumTextLength:
        return QVariant();
    case Qt::ImAbsolutePosition:
        return static_cast<qlonglong>(m_caret);
    case Qt::ImTextBeforeCursor: {
        const text::Pos wanted = argument.isValid() ? argument.toLongLong() : kImWindowUnits;
        const text::Pos from =
            std::max(imWindow().first, m_caret - std::clamp<text::Pos>(wanted, 0, kImWindowUnits));
        return textRange(from, m_caret - from);
    }
    case Qt::ImTextAfterCursor: {
        const text::Pos wanted = argument.isValid() ? argument.toLongLong() : kImWindowUnits;
        const text::Pos to =
            std::min(imWindow().second, m_caret + std::clamp<text::Pos>(wanted, 0, kImWindowUnits));
        return textRange(m_caret, to - m_caret);
    }
    case Qt::ImReadOnly:
        return m_readOnly;
    case Qt::ImInputItemClipRectangle:
        return QRectF(viewport()->geometry());
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}
