#pragma once

#include "ime/texttarget.h"
#include "text/textbuffer.h"
#include "view/layoutcache.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QColor>
#include <QElapsedTimer>
#include <QTextCharFormat>
#include <QTextOption>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QDrag;
class QMenu;
class QPainter;
class QMimeData;
class QUrl;

// The editor's text view: a scroll area on a text::TextBuffer that it shows and edits (the
// document's, which outlives the view; a view made without one has a buffer of its own). The
// buffer holds
// the text exactly as the text target presents it (CR LF between lines), so positions and
// lengths of the target, of the caret and of the selection are the buffer's own.
//
// Only the lines in sight are laid out, one QTextLayout per line kept in a bounded cache, so
// nothing a key, a click or a paint does costs more than O(log n) in the size of the text. A long
// line is laid out in pieces, of which only those in sight are laid out. Without wrap a line is
// one row whatever its length: its pieces (of about kRowPieceUnits units, about a screen's
// width) stand side by side, each at the sum of the widths before it (exact once measured,
// estimated until then). With wrap a piece (of about kSegmentUnits units) ends where a row of the
// whole line would break (found by laying out the text around its nominal end), so rows break
// where the text layout breaks them. The vertical scroll bar counts lines, and the top of the
// view is a line, a piece and a row inside it, so switching wrap on lays out nothing but what is
// shown.
//
// A position between the CR and the LF of a line break is taken as the end of its line: neither
// the caret nor an edge of the selection ever stands there.
class MemoView : public QAbstractScrollArea, public ime::TextTarget {
    Q_OBJECT
public:
    // Lines longer than this are laid out in pieces: with wrap of about this many units.
    static constexpr text::Pos kSegmentUnits = 4096;
    // Without wrap, the pieces of a line longer than kSegmentUnits are about this many units.
    static constexpr text::Pos kRowPieceUnits = 256;
    // Units each side of the caret that input methods see of a very long line.
    static constexpr text::Pos kImWindowUnits = 1024;
    // Units at the start of a line that decide which way it reads.
    static constexpr text::Pos kDirectionUnits = 4096;

    explicit MemoView(QWidget* parent = nullptr);
    // Shows `buffer`, which must outlive the view.
    explicit MemoView(text::TextBuffer& buffer, QWidget* parent = nullptr);
    ~MemoView() override;

    text::TextBuffer& buffer() { return m_buffer; }
    const text::TextBuffer& buffer() const { return m_buffer; }

    // --- The text target, on buffer positions (UTF-16 units, CR LF between lines).
    qsizetype length() const override;
    qsizetype selStart() const override;
    qsizetype selLength() const override;
    // Puts the caret at pos (clamped) with nothing selected.
    void setSelStart(qsizetype pos) override;
    // Selects len units from selStart() (clamped to the text; 0 or less selects nothing).
    void setSelLength(qsizetype len) override;
    QString selText() const override;
    // Replaces the selection (or inserts at the caret) and selects the inserted text. Line
    // feeds, CR LF and lone CRs of the text become CR LF.
    void setSelText(const QString& text) override;
    char16_t unitBefore(qsizetype pos) const override;

    // Inserts text at the caret (replacing nothing); the caret ends behind it, nothing selected.
    void insertAtCaret(const QString& text);
    // The same for a text built beforehand (a decoded file), which becomes the buffer's without
    // a copy; `text` is left empty. Its units are taken as they are.
    void insertAtCaret(text::TextBuilder&& text);

    // Caret and anchor: the selection runs between them; the caret is the end that moves.
    text::Pos caretPosition() const { return m_caret; }
    text::Pos anchorPosition() const { return m_anchor; }
    // Puts the anchor and the caret (both clamped as for setSelStart).
    void setCaret(text::Pos caret, text::Pos anchor);

    // One undo step for every edit inside it, and one hand-over of caret and selection (one
    // repaint, one caretMoved signal) when the outermost group ends. Groups nest.
    class EditGroup {
    public:
        explicit EditGroup(MemoView& view);
        ~EditGroup();
        EditGroup(const EditGroup&) = delete;
        EditGroup& operator=(const EditGroup&) = delete;

    private:
        MemoView& m_view;
    };

    // --- Hooks of the shell.
    // Called first for every key press; true when the key was handled and the view must not
    // handle it.
    std::function<bool(QKeyEvent*)> onKeyPress;
    // Called after a key release.
    std::function<void(QKeyEvent*)> onKeyRelease;
    // Called after a click or a drag has placed the caret (left button) and after a middle
    // click pasted.
    std::function<void()> onClick;
    // Called for Ctrl+V and the Paste of createStandardContextMenu() in place of the view's own
    // paste, so that every paste of the editor follows one set of rules.
    std::function<void()> onPaste;
    // Called when an edit the view makes for one of its own events (a key, an input method, a
    // click, a drop) or a command of its standard menu could not get its memory: the edit did not
    // happen and the text is as it was. `bytes` is what the edit asked for, 0 when not known.
    // Unset, the failure goes on to the caller.
    std::function<void(std::int64_t bytes)> onOutOfMemory;
    // Called with the local files of a drop. While it is set the view takes drags that bring
    // local files for it; without it such drags go on to the window behind the view.
    std::function<void(const QList<QUrl>&)> onDropFiles;
    // Runs a drag of the selection that the view has started, with the actions it offers, and
    // returns the action the drop took. Unset, QDrag::exec runs it; tests set it to drop
    // events of their own while the drag lasts.
    std::function<Qt::DropAction(QDrag&, Qt::DropActions)> runDrag;
    // A wavy underline under the units [from, to).
    struct Marker {
        text::Pos from = 0;
        text::Pos to = 0;
        QColor color;
    };
    // Called while painting with the positions of the first and the last unit in sight; appends
    // the underlines to draw there.
    std::function<void(text::Pos from, text::Pos to, std::vector<Marker>& out)> markerSource;
    // The text in sight, in order: with wrap one range from the top row's first position to
    // the bottom row's last; without it one range a row, the part of its line between the
    // viewport's edges.
    std::vector<std::pair<text::Pos, text::Pos>> visibleRanges() const;

    // --- Commands named as QPlainTextEdit names them.
    // Replaces the whole text (line feeds, CR LF and lone CRs become CR LF), forgets the undo
    // history, marks the text unmodified and puts the caret at 0.
    void setPlainText(const QString& text);
    // The whole text with every CR LF as one line feed (tests and small texts).
    QString toPlainText() const;
    void clear() { setPlainText(QString()); }
    void selectAll();
    // Undoes the last step and puts the caret and the selection back as they were before it.
    void undo();
    // Redoes the next step; the caret goes behind the text it put back, nothing selected.
    void redo();
    // Ends the run of typed letters (or of Backspace, or of Delete) that undoes as one step: the
    // next key starts a new step. The view ends a run itself at every key, click or edit that is
    // not part of it; the window calls this for its own commands (a change of input mode).
    void endTypingRun();
    // The selection to the clipboard and removed (nothing when read-only or nothing selected).
    void cut();
    // The selection to the clipboard (nothing when nothing is selected).
    void copy();
    // The clipboard's Unicode text in place of the selection, the caret behind it (nothing when
    // read-only); onPaste instead when it is set.
    void paste();
    void ensureCursorVisible();
    // The view's font a point larger or smaller (Ctrl+wheel on a read-only text does it); the
    // font of the view only.
    void zoomIn(int range = 1) { zoomInF(static_cast<float>(range)); }
    void zoomOut(int range = 1) { zoomInF(-static_cast<float>(range)); }
    // The caret's rectangle in viewport coordinates, at least one pixel wide.
    QRect cursorRect() const;
    // Line of the caret (from 0) and units between the line's start and the caret.
    qsizetype caretLine() const;
    qsizetype caretColumn() const;

    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on);
    // Where wrapped rows may break (QTextOption::WrapAtWordBoundaryOrAnywhere by default).
    QTextOption::WrapMode wordWrapMode() const { return m_wrapMode; }
    void setWordWrapMode(QTextOption::WrapMode mode);
    qreal tabStopDistance() const { return m_tabStop; }
    void setTabStopDistance(qreal distance);
    // Whether the text differs from its save point.
    bool isModified() const { return !m_buffer.atSavePoint(); }
    // Takes the present text as the saved one: isModified() is false until the next edit.
    void setSavePoint() { m_buffer.setSavePoint(); }
    bool isUndoAvailable() const { return m_buffer.canUndo(); }
    bool isRedoAvailable() const { return m_buffer.canRedo(); }

    // The input method's preedit text shown at the caret (not in the buffer).
    QString preeditText() const { return m_preedit; }
    // Units of the text drawn underlined as the preedit text is, for as long as they are open
    // to change (the romanized composer's undecided letter). They stay ordinary text: the
    // underline is only a look. It keeps within the segment of its line where it starts, and it
    // goes with any move of the caret or the selection and any change of the text; len 0 takes
    // it away at once.
    void setPendingRange(text::Pos pos, text::Pos len);
    // Start and length of the underlined units (length 0: none).
    std::pair<text::Pos, text::Pos> pendingRange() const { return {m_pendingPos, m_pendingLen}; }
    // Line layouts made since the view was created (tests check that work stays lazy).
    std::uint64_t layoutCount() const { return m_layoutCount; }
    // The menu of the edit commands, as QPlainTextEdit offers it; the caller owns it.
    QMenu* createStandardContextMenu();

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    Q_INVOKABLE QVariant inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const;

    // Offsets as assistive technology counts them, with every line break (CR LF) one unit, as
    // QPlainTextEdit presents its text: the offset of a position (clamped to the text), and
    // the position of an offset (clamped; the offset of a line break gives the line's end).
    // O(log n) and O(log² n) in the size of the text.
    text::Pos accessibleOffset(text::Pos pos) const;
    text::Pos accessiblePosition(text::Pos offset) const;
    // Units the accessibility interface counts: length() less a unit per line break.
    text::Pos accessibleLength() const { return m_buffer.length() - (m_buffer.lineCount() - 1); }

    // For the accessibility interface: the rectangle of a position in viewport coordinates
    // (empty when it is not in sight), the position under a viewport point, the text of a range.
    QRect positionRect(text::Pos pos) const;
    text::Pos positionAt(const QPoint& viewportPoint) const;
    QString textRange(text::Pos pos, text::Pos len) const;
    // Start and end of the word around pos (the units of pos's line only).
    std::pair<text::Pos, text::Pos> wordAt(text::Pos pos) const;
    // Scrolls the least needed to show pos.
    void scrollToPosition(text::Pos pos);

signals:
    // After every change of the text (edits, undo, redo, setPlainText).
    void textChanged(const text::Change& change);
    // After every change of the caret or the selection, and after edits; once per EditGroup.
    void caretMoved();
    // When the text arrives at its save point or leaves it.
    void modificationChanged(bool modified);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // A row on screen: a line, a segment of it and a row of that segment's layout.
    struct RowRef {
        text::Pos line = 0;
        int segment = 0;
        int row = 0;
        auto operator<=>(const RowRef&) const = default;
    };
    // Collects caret, selection and text changes and hands them over once, when the outermost
    // hold ends.
    class Hold {
    public:
        explicit Hold(MemoView& view);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        MemoView& m_view;
    };
    enum class Unit { Character, Word, Line };

    // What the buffer tells the view.
    class Listener final : public text::BufferListener {
    public:
        explicit Listener(MemoView& view) : m_view(view) {}
        void textChanged(const text::Change& change) override { m_view.bufferChanged(change); }
        void textReset() override { m_view.bufferReset(); }
        void savePointChanged(bool atSavePoint) override {
            emit m_view.modificationChanged(!atSavePoint);
        }

    private:
        MemoView& m_view;
    };
    void bufferChanged(const text::Change& change);
    void bufferReset();

    // Runs the handling of an event, a failure to get memory going to onOutOfMemory.
    bool guardMemory(const std::function<bool()>& handle);

    // --- memoview.cpp: positions, edits and the hand-over.
    text::Pos clampPos(text::Pos pos) const;
    void beginHold();
    void endHold();
    void handOver();
    void replaceRange(text::Pos pos, text::Pos len, std::u16string_view units);
    void replaceSelection(QStringView text, bool selectInserted);
    void typeText(QStringView text);
    void removeRange(text::Pos from, text::Pos to);
    void removeSelection();
    // The selected text with every CR LF as one line feed, for the clipboard.
    QString selectedWithLf() const;
    void setClipboardText(const QString& text, bool primary) const;
    void insertFromClipboard(bool primary);
    void restartBlink();

    // --- memoview_layout.cpp: segments, layouts, rows, scrolling, painting.
    text::Pos lineLength(text::Pos line) const;
    int segmentCount(text::Pos line) const;
    int bufferSegmentCount(text::Pos line) const;
    // Segments of a line of that many units.
    int segmentsFor(text::Pos lineLength) const;
    // Units of a piece, as wrap is now.
    text::Pos pieceUnits() const;
    text::Pos segmentStart(text::Pos line, int segment) const;
    int segmentOf(text::Pos line, text::Pos pos) const;
    // A piece bound at or a little before `nominal`: after a space when one is near, else where
    // no surrogate pair or letter with its marks is cut.
    text::Pos plainBound(text::Pos lineStart, text::Pos nominal) const;
    // With wrap: the first row start at or after `nominal` of the text around it laid out as rows.
    text::Pos wrappedBound(text::Pos lineStart, text::Pos lineEnd, text::Pos nominal) const;
    // The units of [from, from + len) as they are laid out.
    QString shownText(text::Pos from, text::Pos len) const;
    // Without wrap: the x where a piece of a line starts on its row, and the piece under x.
    qreal pieceX(text::Pos line, int piece) const;
    int pieceAtX(text::Pos line, qreal x) const;
    view::PieceWidths& pieceWidths(text::Pos line, qreal unitAdvance) const;
    // Records the width of a laid-out piece of a long unwrapped line.
    void noteWidth(text::Pos line, int segment, const view::LineLayout& piece) const;
    // The x of a position on its row (line coordinates without wrap).
    qreal xOf(text::Pos pos) const;
    view::LineLayout* layoutFor(text::Pos line, int segment) const;
    void dropLayouts();
    qreal wrapWidth() const;
    RowRef rowOf(text::Pos pos) const;
    RowRef lastRow() const;
    bool nextRow(RowRef& row) const;
    bool previousRow(RowRef& row) const;
    void normalizeTop();
    int visibleRows() const;
    int fullRows() const;
    // The top row that shows the last row at the bottom: the farthest the view scrolls.
    RowRef bottomTop() const;
    void updateScrollBars();
    void scrollRows(int rows);
    void setTop(const RowRef& top);
    // Viewport y of a row's top, or nothing when the row is not within a screen of the view.
    std::optional<int> rowY(const RowRef& row) const;
    // Layout position of a buffer position in its segment's layout (the caret's inside the
    // preedit text when one is shown).
    int layoutPosOf(const view::LineLayout& layout, text::Pos pos) const;
    // The position in a row nearest to x, in layout coordinates.
    text::Pos positionInRow(const RowRef& row, qreal x) const;
    QPoint textOrigin() const;
    void updateFontMetrics();
    void drawPiece(QPainter& painter, const view::LineLayout& layout, bool lastPiece, int firstRow,
                   const QPointF& origin, const QRect& clip) const;
    // memoview_markers.cpp: the underlines of markerSource on the rows that reach into clip,
    // drawn over the text.
    void paintMarkers(QPainter& painter, const QRect& clip) const;
    // The first position of a row in sight, or its last (end) position in sight.
    text::Pos rowEdge(const RowRef& row, bool end) const;
    void repairMarks(QPainter& painter, const view::LineLayout& layout, int row,
                     const QPointF& origin, const QRect& clip) const;

    // --- memoview_keys.cpp: keys and input methods.
    // Runs of keys whose edits undo as one step; the values are the buffer's run numbers.
    enum class Run { None = 0, Typing = 1, Backspace = 2, Delete = 3 };
    // The run a key press belongs to (None for commands, moves and line breaks).
    static Run runOf(const QKeyEvent* event);
    // Handles one key of a run: its edits join the run's last step when the run goes on, that is
    // when the last key of the same run left the text, the caret and the anchor as they are now.
    void inRun(Run run, const std::function<void()>& handle);
    bool handleKey(QKeyEvent* event);
    // Whether a key leaves the column that Up and Down keep as it is.
    static bool keepsColumn(QKeyEvent* event);
    bool moveKey(QKeyEvent* event);
    void moveCaretTo(text::Pos pos, bool extend);
    void moveVertically(int rows, bool extend);
    void pageMove(int direction, bool extend);
    text::Pos nextCursorPosition(text::Pos pos, QTextLayout::CursorMode mode) const;
    text::Pos previousCursorPosition(text::Pos pos, QTextLayout::CursorMode mode) const;
    // The next or previous word stop of a line of several pieces.
    text::Pos wordMove(text::Pos pos, bool forward) const;
    // Whether a line reads from right to left: its first letter of a strong direction is of a
    // right-to-left script, within its first kDirectionUnits units.
    bool isRightToLeftLine(text::Pos line) const;
    text::Pos rowStart(text::Pos pos) const;
    text::Pos rowEnd(text::Pos pos) const;
    void deletePrevious();
    void deleteNext();
    void setPreedit(const QString& text, int cursor, bool showCaret,
                    const QList<QTextLayout::FormatRange>& formats);
    // The part of the caret's line that input methods see: the whole line, or at most
    // kImWindowUnits units each side of the caret in a very long one.
    std::pair<text::Pos, text::Pos> imWindow() const;

    // The format of the preedit text and of the pending range.
    static QTextCharFormat underlinedFormat();

    // --- memoview_mouse.cpp
    void zoomInF(float range);
    // What a drag brings that the view takes: local files (for onDropFiles), text to insert
    // at the drop point (while the view is writable), or nothing.
    enum class Drop { None, Files, Text };
    Drop dropKind(const QMimeData* data) const;
    // Whether a drag brings the selection this view is dragging.
    bool isOwnDrag(const QMimeData* data) const { return data && data == m_dragData; }
    // Drags the selection away: moves it, or copies it with Ctrl (only copies when read-only).
    void startDrag();
    // Drops the view's own dragged text at pos, moved or copied, as one undo step; nothing when
    // pos is inside the dragged text. Returns the action taken (IgnoreAction for nothing).
    Qt::DropAction dropOwnText(text::Pos pos, bool copy);
    void extendMouseSelection(text::Pos pos);
    void autoScroll();
    void setPrimarySelection() const;

    std::unique_ptr<text::TextBuffer> m_ownBuffer; // only when no buffer was given
    text::TextBuffer& m_buffer;
    Listener m_listener{*this};
    text::Pos m_caret = 0;
    text::Pos m_anchor = 0;
    bool m_readOnly = false;
    bool m_wordWrap = false;
    QTextOption::WrapMode m_wrapMode = QTextOption::WrapAtWordBoundaryOrAnywhere;
    qreal m_tabStop = 80;

    // The open run of typing: its kind, and the text revision, caret and anchor its last key
    // left.
    Run m_run = Run::None;
    std::uint64_t m_runRevision = 0;
    text::Pos m_runCaret = 0;
    text::Pos m_runAnchor = 0;

    // Hand-over state.
    int m_holdDepth = 0;
    text::Pos m_heldCaret = 0;
    text::Pos m_heldAnchor = 0;
    std::uint64_t m_heldRevision = 0;
    bool m_textWasReset = false;
    bool m_keepPreferredX = false;
    bool m_followCaret = true;
    text::Pos m_knownLength = 0;
    text::Pos m_knownLines = 1;

    // Layout.
    mutable view::LayoutCache m_cache{1024};
    mutable std::uint64_t m_layoutCount = 0;
    mutable qreal m_maxWidth = 0;
    mutable bool m_widthGrew = false;
    int m_rowHeight = 1;
    qreal m_ascent = 0;
    RowRef m_top;
    mutable RowRef m_bottomTop;
    mutable bool m_bottomTopKnown = false;
    // The last row wholly in sight, while the top, the text and the geometry stay as they are.
    mutable RowRef m_lastInSight;
    mutable bool m_lastInSightKnown = false;
    bool m_syncingScrollBars = false;
    qreal m_layoutWidth = 0;
    qreal m_wheelRemainder = 0;
    qreal m_preferredX = std::numeric_limits<qreal>::quiet_NaN();

    // Caret blinking.
    QBasicTimer m_blinkTimer;
    bool m_caretOn = true;

    // Mouse.
    bool m_mousePressed = false;
    Unit m_mouseUnit = Unit::Character;
    text::Pos m_unitStart = 0; // the word or line first selected by a double or triple click
    text::Pos m_unitEnd = 0;
    QPoint m_lastMousePos;
    QPoint m_doubleClickPos;
    QElapsedTimer m_sinceDoubleClick;
    QBasicTimer m_autoScrollTimer;

    // Input method.
    QString m_preedit;
    int m_preeditCursor = 0;
    bool m_preeditShowsCaret = true;
    QList<QTextLayout::FormatRange> m_preeditFormats;
    text::Pos m_preeditLine = -1;
    int m_preeditSegment = 0;

    // The pending range and the segment it is laid out in.
    text::Pos m_pendingPos = 0;
    text::Pos m_pendingLen = 0;
    text::Pos m_pendingLine = -1;
    int m_pendingSegment = 0;

    // Where dragged text would be dropped (-1 while nothing is dragged over the view).
    text::Pos m_dropPos = -1;
    // A press inside the selection that may start dragging it, and where it was.
    bool m_mightDrag = false;
    QPoint m_dragStartPoint;
    // The selection being dragged, while the drag lasts: its units, its data, and whether it
    // was dropped on this view.
    text::Pos m_dragFrom = 0;
    text::Pos m_dragTo = 0;
    const QMimeData* m_dragData = nullptr;
    bool m_droppedHere = false;
};
