// Segments and line layouts, rows, scrolling and painting.
#include "view/memoview.h"
#include "view/textinput.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextLine>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 4;     // between the frame and the text, as QPlainTextEdit leaves
constexpr int kCaretWidth = 1; // pixels
// Width given to unwrapped rows: wide enough for any segment, well inside QTextLayout's range.
constexpr qreal kNoWrapWidth = 4.0e6;
// A piece bound moves back over at most this many combining marks and surrogate halves to keep a
// letter with its marks.
constexpr int kBoundarySlack = 32;
// A piece bound moves back to just after a space found within this many units.
constexpr text::Pos kSpaceSlack = 48;
// With wrap, the rows that find a piece bound are laid out from this many units before it.
constexpr text::Pos kStepUnits = 1024;
// Unwrapped lines of up to this many units have all the pieces before the one in sight measured.
constexpr text::Pos kExactUnits = 16384;

} // namespace

// ---- Segments ----------------------------------------------------------------------------------

text::Pos MemoView::lineLength(text::Pos line) const {
    return m_buffer.lineEnd(line) - m_buffer.lineStart(line);
}

int MemoView::segmentCount(text::Pos line) const {
    // A laid-out piece of the line knows; asking the buffer costs two look-ups.
    if (const view::LineLayout* known = m_cache.peek(line, 0))
        return known->segments;
    return bufferSegmentCount(line);
}

int MemoView::bufferSegmentCount(text::Pos line) const {
    return segmentsFor(lineLength(line));
}

text::Pos MemoView::pieceUnits() const {
    return m_wordWrap ? kSegmentUnits : kRowPieceUnits;
}

int MemoView::segmentsFor(text::Pos lineLength) const {
    // A line of up to kSegmentUnits units is laid out whole, so its tabs stand where the line's
    // own tab stops are and its text is shaped as one; only longer lines are cut into pieces.
    if (lineLength <= kSegmentUnits)
        return 1;
    const text::Pos units = pieceUnits();
    return static_cast<int>((lineLength + units - 1) / units);
}

text::Pos MemoView::plainBound(text::Pos lineStart, text::Pos nominal) const {
    for (text::Pos at = nominal; at > nominal - kSpaceSlack && at > lineStart + 1; --at) {
        if (QChar(m_buffer.at(at - 1)).isSpace())
            return at;
    }
    text::Pos at = nominal;
    for (int i = 0; i < kBoundarySlack && at > lineStart + 1; ++i) {
        const QChar unit(m_buffer.at(at));
        if ((unit.isLowSurrogate() && QChar::isHighSurrogate(m_buffer.at(at - 1))) || unit.isMark())
            --at;
        else
            break;
    }
    return at;
}

QString MemoView::shownText(text::Pos from, text::Pos len) const {
    const std::u16string units = m_buffer.text(from, len);
    QString shown(reinterpret_cast<const QChar*>(units.data()),
                  static_cast<qsizetype>(units.size()));
    view::makeVisible(shown);
    return shown;
}

text::Pos MemoView::wrappedBound(text::Pos lineStart, text::Pos lineEnd, text::Pos nominal) const {
    // Rows laid out from a little before the bound fall into step with the rows of the whole line
    // within a row or two wherever the text has spaces; so the first row start at or after the
    // nominal bound is where the whole line's layout starts a row too. (Where nothing lets them
    // fall into step, a row without spaces, the piece before ends in a shorter row.)
    const text::Pos from = plainBound(lineStart, std::max(lineStart, nominal - kStepUnits));
    const text::Pos to = std::min(lineEnd, nominal + kStepUnits);
    QTextLayout rows(shownText(from, to - from), font());
    QTextOption option;
    option.setWrapMode(m_wrapMode);
    option.setTabStopDistance(m_tabStop);
    rows.setTextOption(option);
    rows.beginLayout();
    text::Pos found = -1;
    for (;;) {
        QTextLine textLine = rows.createLine();
        if (!textLine.isValid())
            break;
        textLine.setLineWidth(wrapWidth());
        if (from + textLine.textStart() >= nominal) {
            found = from + textLine.textStart();
            break;
        }
    }
    rows.endLayout();
    ++m_layoutCount;
    return found > lineStart && found < lineEnd ? found : plainBound(lineStart, nominal);
}

text::Pos MemoView::segmentStart(text::Pos line, int segment) const {
    const text::Pos start = m_buffer.lineStart(line);
    if (segment <= 0)
        return start;
    if (const std::optional<text::Pos> known = m_cache.bound(line, segment))
        return *known;
    const text::Pos nominal = start + segment * pieceUnits();
    const text::Pos at = m_wordWrap ? wrappedBound(start, m_buffer.lineEnd(line), nominal)
                                    : plainBound(start, nominal);
    m_cache.setBound(line, segment, at);
    return at;
}

int MemoView::segmentOf(text::Pos line, text::Pos pos) const {
    const int count = segmentCount(line);
    if (count == 1)
        return 0;
    const text::Pos start = m_buffer.lineStart(line);
    int segment =
        static_cast<int>(std::clamp<text::Pos>((pos - start) / pieceUnits(), 0, count - 1));
    if (segment > 0 && pos < segmentStart(line, segment))
        --segment;
    else if (segment + 1 < count && pos >= segmentStart(line, segment + 1))
        ++segment;
    return segment;
}

view::PieceWidths& MemoView::pieceWidths(text::Pos line, qreal unitAdvance) const {
    if (view::PieceWidths* known = m_cache.widths(line))
        return *known;
    view::PieceWidths& made = m_cache.makeWidths(line, unitAdvance, kRowPieceUnits);
    const int count = segmentCount(line);
    made.resize(count, lineLength(line) - (count - 1) * kRowPieceUnits);
    return made;
}

qreal MemoView::pieceX(text::Pos line, int piece) const {
    if (piece <= 0 || m_wordWrap)
        return 0;
    // The pieces of a line of a few pieces are all measured, so its positions are exact; a
    // longer line measures only what is shown and estimates the rest.
    const int exact = lineLength(line) <= kExactUnits ? piece : 0;
    for (int i = 0; i < exact; ++i) {
        const view::PieceWidths* known = m_cache.widths(line);
        if (!known || !known->measured(i))
            layoutFor(line, i);
    }
    if (!m_cache.widths(line))
        layoutFor(line, piece); // measures it, which makes the table
    return m_cache.widths(line)->before(piece);
}

int MemoView::pieceAtX(text::Pos line, qreal x) const {
    const int count = segmentCount(line);
    if (count == 1 || m_wordWrap)
        return 0;
    if (!m_cache.widths(line))
        layoutFor(line, 0);
    int piece = m_cache.widths(line)->pieceAt(x);
    // Measuring the pieces before it may move its start.
    pieceX(line, piece);
    piece = m_cache.widths(line)->pieceAt(x);
    if (piece + 1 < count && !m_cache.widths(line)->measured(piece)) {
        layoutFor(line, piece);
        piece = m_cache.widths(line)->pieceAt(x);
    }
    return piece;
}

qreal MemoView::wrapWidth() const {
    return std::max<qreal>(viewport()->width() - 2 * kMargin, 16);
}

view::LineLayout* MemoView::layoutFor(text::Pos line, int segment) const {
    if (view::LineLayout* cached = m_cache.find(line, segment)) {
        // A kept layout always starts where its segment starts in the text as it is now.
        Q_ASSERT(cached->start == segmentStart(line, segment));
        if (!m_wordWrap && cached->segments > 1) {
            const view::PieceWidths* widths = m_cache.widths(line);
            if (!widths || !widths->measured(segment))
                noteWidth(line, segment, *cached);
        }
        return cached;
    }
    view::LineLayout made;
    made.start = segmentStart(line, segment);
    const text::Pos end =
        segment + 1 < segmentCount(line) ? segmentStart(line, segment + 1) : m_buffer.lineEnd(line);
    made.length = end - made.start;
    made.segments = segmentCount(line);
    const QString shown = shownText(made.start, made.length);
    made.hasMarks = std::any_of(shown.cbegin(), shown.cend(), [](QChar c) { return c.isMark(); });
    made.layout = std::make_unique<QTextLayout>(shown, font());
    QTextLayout& layout = *made.layout;
    QTextOption option;
    option.setWrapMode(m_wordWrap ? m_wrapMode : QTextOption::NoWrap);
    option.setTabStopDistance(m_tabStop);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    QList<QTextLayout::FormatRange> formats;
    if (!m_preedit.isEmpty() && line == m_preeditLine && segment == m_preeditSegment &&
        m_caret >= made.start && m_caret <= end) {
        made.preeditAt = static_cast<int>(m_caret - made.start);
        made.preeditLength = static_cast<int>(m_preedit.size());
        layout.setPreeditArea(made.preeditAt, m_preedit);
        formats = m_preeditFormats;
        for (QTextLayout::FormatRange& range : formats)
            range.start += made.preeditAt;
    }
    if (m_pendingLen > 0 && line == m_pendingLine && segment == m_pendingSegment) {
        const int from = made.toLayout(m_pendingPos - made.start);
        const int to = made.toLayout(m_pendingPos + m_pendingLen - made.start);
        formats.append(QTextLayout::FormatRange{from, to - from, underlinedFormat()});
    }
    if (!formats.isEmpty())
        layout.setFormats(formats);
    const qreal width = m_wordWrap ? wrapWidth() : kNoWrapWidth;
    layout.beginLayout();
    int row = 0;
    qreal widest = 0;
    for (;;) {
        QTextLine textLine = layout.createLine();
        if (!textLine.isValid())
            break;
        textLine.setLineWidth(width);
        // Rows are all one font height, baselines where the editor font puts them, so a glyph
        // from a taller fallback font never shifts the rows below it.
        textLine.setPosition(QPointF(0, row * m_rowHeight + (m_ascent - textLine.ascent())));
        widest = std::max(widest, textLine.naturalTextWidth());
        ++row;
    }
    layout.endLayout();
    ++m_layoutCount;
    if (!m_wordWrap && made.segments > 1) {
        noteWidth(line, segment, made);
    } else if (!m_wordWrap && widest > m_maxWidth) {
        m_maxWidth = widest;
        m_widthGrew = true;
    }
    return m_cache.insert(line, segment, std::move(made));
}

void MemoView::noteWidth(text::Pos line, int segment, const view::LineLayout& piece) const {
    // The pieces of the row stand side by side: the next starts where this one ends.
    const qreal advance = piece.layout->lineAt(0).horizontalAdvance();
    const qreal unitAdvance =
        piece.length > 0 ? advance / static_cast<qreal>(piece.length) : m_ascent / 2;
    view::PieceWidths& widths = pieceWidths(line, unitAdvance);
    widths.measure(segment, advance);
    if (widths.total() > m_maxWidth) {
        m_maxWidth = widths.total();
        m_widthGrew = true;
    }
}

void MemoView::dropLayouts() {
    m_cache.clear();
    m_bottomTopKnown = false;
    m_lastInSightKnown = false;
    m_maxWidth = 0;
    m_layoutWidth = wrapWidth();
    if (!m_preedit.isEmpty())
        m_preeditLine = m_buffer.lineOf(m_caret);
}

int MemoView::layoutPosOf(const view::LineLayout& layout, text::Pos pos) const {
    const text::Pos offset = std::clamp<text::Pos>(pos - layout.start, 0, layout.length);
    if (layout.preeditAt >= 0 && offset == layout.preeditAt && pos == m_caret)
        return layout.preeditAt + m_preeditCursor;
    return layout.toLayout(offset);
}

// ---- Rows --------------------------------------------------------------------------------------

qreal MemoView::xOf(text::Pos pos) const {
    const text::Pos line = m_buffer.lineOf(pos);
    const int piece = segmentOf(line, pos);
    const qreal base = pieceX(line, piece);
    const view::LineLayout* layout = layoutFor(line, piece);
    const int at = layoutPosOf(*layout, pos);
    const QTextLine textLine = layout->layout->lineForTextPosition(at);
    return base + (textLine.isValid() ? textLine.cursorToX(at) : 0);
}

MemoView::RowRef MemoView::rowOf(text::Pos pos) const {
    pos = std::clamp<text::Pos>(pos, 0, m_buffer.length());
    RowRef row;
    row.line = m_buffer.lineOf(pos);
    if (!m_wordWrap)
        return row; // a line is one row
    row.segment = segmentOf(row.line, pos);
    const view::LineLayout* layout = layoutFor(row.line, row.segment);
    const QTextLine textLine = layout->layout->lineForTextPosition(layoutPosOf(*layout, pos));
    row.row = textLine.isValid() ? textLine.lineNumber() : std::max(0, layout->rows() - 1);
    return row;
}

MemoView::RowRef MemoView::lastRow() const {
    RowRef row;
    row.line = m_buffer.lineCount() - 1;
    if (!m_wordWrap)
        return row;
    row.segment = segmentCount(row.line) - 1;
    row.row = std::max(0, layoutFor(row.line, row.segment)->rows() - 1);
    return row;
}

bool MemoView::nextRow(RowRef& row) const {
    if (!m_wordWrap) {
        if (row.line + 1 >= m_buffer.lineCount())
            return false;
        row = RowRef{row.line + 1, 0, 0};
        return true;
    }
    if (row.row + 1 < layoutFor(row.line, row.segment)->rows()) {
        ++row.row;
        return true;
    }
    if (row.segment + 1 < segmentCount(row.line)) {
        ++row.segment;
        row.row = 0;
        return true;
    }
    if (row.line + 1 < m_buffer.lineCount()) {
        ++row.line;
        row.segment = 0;
        row.row = 0;
        return true;
    }
    return false;
}

bool MemoView::previousRow(RowRef& row) const {
    if (!m_wordWrap) {
        if (row.line <= 0)
            return false;
        row = RowRef{row.line - 1, 0, 0};
        return true;
    }
    if (row.row > 0) {
        --row.row;
        return true;
    }
    if (row.segment > 0) {
        --row.segment;
    } else if (row.line > 0) {
        --row.line;
        row.segment = segmentCount(row.line) - 1;
    } else {
        return false;
    }
    row.row = std::max(0, layoutFor(row.line, row.segment)->rows() - 1);
    return true;
}

void MemoView::normalizeTop() {
    const RowRef before = m_top;
    m_top.line = std::clamp<text::Pos>(m_top.line, 0, m_buffer.lineCount() - 1);
    if (!m_wordWrap) {
        m_top.segment = 0;
        m_top.row = 0;
    }
    m_top.segment = std::clamp(m_top.segment, 0, segmentCount(m_top.line) - 1);
    m_top.row =
        std::clamp(m_top.row, 0, std::max(0, layoutFor(m_top.line, m_top.segment)->rows() - 1));
    if (m_top != before)
        m_lastInSightKnown = false;
}

int MemoView::visibleRows() const {
    const int room = std::max(0, viewport()->height() - kMargin);
    return std::max(1, (room + m_rowHeight - 1) / m_rowHeight);
}

int MemoView::fullRows() const {
    const int room = std::max(0, viewport()->height() - kMargin);
    return std::max(1, room / m_rowHeight);
}

MemoView::RowRef MemoView::bottomTop() const {
    if (m_bottomTopKnown)
        return m_bottomTop;
    RowRef row = lastRow();
    for (int i = 1; i < fullRows(); ++i) {
        if (!previousRow(row))
            break;
    }
    m_bottomTop = row;
    m_bottomTopKnown = true;
    return row;
}

void MemoView::updateScrollBars() {
    normalizeTop();
    const RowRef bottom = bottomTop();
    if (m_top > bottom) {
        m_top = bottom;
        m_lastInSightKnown = false;
    }
    m_syncingScrollBars = true;
    QScrollBar* vertical = verticalScrollBar();
    constexpr text::Pos kIntMax = std::numeric_limits<int>::max();
    vertical->setRange(0, static_cast<int>(std::min(bottom.line, kIntMax)));
    vertical->setPageStep(fullRows());
    vertical->setSingleStep(1);
    vertical->setValue(static_cast<int>(std::min(m_top.line, kIntMax)));
    QScrollBar* horizontal = horizontalScrollBar();
    if (m_wordWrap) {
        horizontal->setRange(0, 0);
    } else {
        const int room = viewport()->width();
        const int needed = static_cast<int>(std::ceil(m_maxWidth)) + 2 * kMargin + kCaretWidth;
        horizontal->setRange(0, std::max(0, needed - room));
        horizontal->setPageStep(std::max(1, room));
        horizontal->setSingleStep(20);
    }
    m_syncingScrollBars = false;
    m_widthGrew = false;
}

void MemoView::setTop(const RowRef& top) {
    m_lastInSightKnown = false;
    m_top = top;
    normalizeTop();
    const RowRef bottom = bottomTop();
    if (m_top > bottom)
        m_top = bottom;
    m_syncingScrollBars = true;
    verticalScrollBar()->setValue(
        static_cast<int>(std::min<text::Pos>(m_top.line, std::numeric_limits<int>::max())));
    m_syncingScrollBars = false;
    viewport()->update();
}

void MemoView::scrollRows(int rows) {
    RowRef top = m_top;
    if (rows > 0) {
        const RowRef bottom = bottomTop();
        for (int i = 0; i < rows && top < bottom; ++i) {
            if (!nextRow(top))
                break;
        }
    } else {
        for (int i = 0; i < -rows; ++i) {
            if (!previousRow(top))
                break;
        }
    }
    if (top != m_top)
        setTop(top);
}

void MemoView::scrollContentsBy(int dx, int dy) {
    (void)dx;
    if (!m_syncingScrollBars && dy != 0) {
        m_lastInSightKnown = false;
        const int value = verticalScrollBar()->value();
        const RowRef bottom = bottomTop();
        m_top = value >= bottom.line ? bottom : RowRef{value, 0, 0};
    }
    viewport()->update();
}

std::optional<int> MemoView::rowY(const RowRef& row) const {
    const int limit = visibleRows() + 1;
    RowRef at = m_top;
    int steps = 0;
    if (row >= m_top) {
        while (at < row && steps <= limit) {
            if (!nextRow(at))
                break;
            ++steps;
        }
        if (at == row)
            return kMargin + steps * m_rowHeight;
    } else {
        while (at > row && steps <= limit) {
            if (!previousRow(at))
                break;
            ++steps;
        }
        if (at == row)
            return kMargin - steps * m_rowHeight;
    }
    return std::nullopt;
}

QPoint MemoView::textOrigin() const {
    return QPoint(kMargin - horizontalScrollBar()->value(), kMargin);
}

text::Pos MemoView::positionInRow(const RowRef& row, qreal x) const {
    const int piece = m_wordWrap ? row.segment : pieceAtX(row.line, x);
    const qreal base = pieceX(row.line, piece);
    const view::LineLayout* layout = layoutFor(row.line, piece);
    const QTextLine textLine = layout->layout->lineAt(m_wordWrap ? row.row : 0);
    if (!textLine.isValid())
        return layout->start;
    const int at = textLine.xToCursor(x - base, QTextLine::CursorBetweenCharacters);
    return layout->start + std::clamp<text::Pos>(layout->fromLayout(at), 0, layout->length);
}

text::Pos MemoView::positionAt(const QPoint& point) const {
    const int dy = point.y() - kMargin;
    int rows = dy >= 0 ? dy / m_rowHeight : -((-dy + m_rowHeight - 1) / m_rowHeight);
    rows = std::clamp(rows, -1, visibleRows());
    RowRef row = m_top;
    for (int i = 0; i < rows; ++i) {
        if (!nextRow(row))
            break;
    }
    for (int i = 0; i < -rows; ++i) {
        if (!previousRow(row))
            break;
    }
    return clampPos(positionInRow(row, point.x() - textOrigin().x()));
}

QRect MemoView::positionRect(text::Pos pos) const {
    const RowRef row = rowOf(pos);
    const std::optional<int> y = rowY(row);
    if (!y)
        return {};
    const qreal x = xOf(pos);
    return QRect(textOrigin().x() + static_cast<int>(std::floor(x)), *y, kCaretWidth, m_rowHeight);
}

QRect MemoView::cursorRect() const {
    QRect rect = positionRect(m_caret);
    if (rect.isEmpty()) {
        // Out of sight: just above or below the viewport.
        const bool above = rowOf(m_caret) < m_top;
        rect =
            QRect(kMargin, above ? -m_rowHeight : viewport()->height(), kCaretWidth, m_rowHeight);
    }
    return rect;
}

void MemoView::scrollToPosition(text::Pos pos) {
    const RowRef target = rowOf(pos);
    RowRef top = m_top;
    if (target < top) {
        top = target;
    } else {
        const int full = fullRows();
        if (!m_lastInSightKnown) {
            m_lastInSight = top;
            for (int i = 0; i < full - 1; ++i) {
                if (!nextRow(m_lastInSight))
                    break;
            }
            m_lastInSightKnown = true;
        }
        if (m_lastInSight < target) {
            top = target;
            for (int i = 0; i < full - 1; ++i) {
                if (!previousRow(top))
                    break;
            }
        }
    }
    if (top != m_top)
        setTop(top);
    if (!m_wordWrap) {
        qreal x = xOf(pos);
        const text::Pos line = m_buffer.lineOf(pos);
        if (segmentCount(line) > 1) {
            // The pieces that will be in sight left of the caret are measured first, so that the
            // caret's x no longer moves when they are painted.
            const int piece = segmentOf(line, pos);
            for (int k = pieceAtX(line, x - viewport()->width()); k < piece; ++k)
                layoutFor(line, k);
            x = xOf(pos);
        }
        if (m_widthGrew)
            updateScrollBars();
        QScrollBar* horizontal = horizontalScrollBar();
        const int room = std::max(1, viewport()->width() - 2 * kMargin - kCaretWidth);
        const int caretX = static_cast<int>(std::floor(x));
        if (caretX < horizontal->value())
            horizontal->setValue(std::max(0, caretX - room / 4));
        else if (caretX > horizontal->value() + room)
            horizontal->setValue(caretX - room + room / 4);
    }
}

void MemoView::ensureCursorVisible() {
    scrollToPosition(m_caret);
}

// ---- Geometry changes and painting --------------------------------------------------------------

void MemoView::updateFontMetrics() {
    const QFontMetricsF metrics(font());
    m_rowHeight = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    m_ascent = metrics.ascent();
}

void MemoView::resizeEvent(QResizeEvent* event) {
    // With wrap the rows change with the width: a caret that was in sight stays in sight.
    bool caretInSight = false;
    if (m_wordWrap && event->oldSize().isValid()) {
        // Rows as they were laid out, in the height the view had.
        const int grown = event->size().height() - event->oldSize().height();
        const int rows = std::max(1, (viewport()->height() - grown - kMargin) / m_rowHeight);
        const RowRef caret = rowOf(m_caret);
        RowRef at = m_top;
        for (int i = 0; i < rows && !caretInSight; ++i)
            caretInSight = at == caret || !nextRow(at);
        caretInSight = caretInSight && at == caret;
    }
    QAbstractScrollArea::resizeEvent(event);
    m_bottomTopKnown = false;
    m_lastInSightKnown = false;
    if (m_wordWrap && wrapWidth() != m_layoutWidth)
        dropLayouts();
    updateScrollBars();
    if (caretInSight)
        ensureCursorVisible();
}

void MemoView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateFontMetrics();
        m_bottomTopKnown = false;
        m_lastInSightKnown = false;
        dropLayouts();
        updateScrollBars();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange ||
               event->type() == QEvent::ActivationChange ||
               event->type() == QEvent::EnabledChange) {
        viewport()->update();
    }
}

void MemoView::setWordWrap(bool on) {
    if (m_wordWrap == on)
        return;
    m_wordWrap = on;
    dropLayouts();
    m_top.segment = 0;
    m_top.row = 0;
    if (on)
        horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

void MemoView::setWordWrapMode(QTextOption::WrapMode mode) {
    if (m_wrapMode == mode)
        return;
    m_wrapMode = mode;
    if (m_wordWrap) {
        dropLayouts();
        updateScrollBars();
        viewport()->update();
    }
}

void MemoView::setTabStopDistance(qreal distance) {
    if (distance <= 0 || distance == m_tabStop)
        return;
    m_tabStop = distance;
    dropLayouts();
    updateScrollBars();
    viewport()->update();
}

void MemoView::repairMarks(QPainter& painter, const view::LineLayout& layout, int row,
                           const QPointF& origin, const QRect& clip) const {
    // Some fonts (DejaVu Sans among them) come out of Qt's shaping with a combining mark whose
    // origin stands about an em above its letter, in the row above. Such a mark was clipped
    // away with that row; it is drawn again here centred over its letter, just above it (or
    // above the mark before it on the same letter).
    const QTextLine line = layout.layout->lineAt(row);
    const qreal rowTop = row * m_rowHeight;
    const QPalette& pal = palette();
    // Only the glyphs of the units in sight (a few more each side for the marks of a letter at
    // the edge): a row of a piece of a very long line holds thousands.
    const int rowFrom = line.textStart();
    const int rowTo = rowFrom + line.textLength();
    const int a = line.xToCursor(clip.left() - origin.x(), QTextLine::CursorOnCharacter);
    const int b = line.xToCursor(clip.right() + 1 - origin.x(), QTextLine::CursorOnCharacter);
    const int from = std::max(rowFrom, std::min(a, b) - kBoundarySlack);
    const int to = std::min(rowTo, std::max(a, b) + kBoundarySlack);
    if (from >= to)
        return;
    // A letter is selected when its middle stands inside the selection's span on this row.
    const text::Pos selFrom = selStart();
    const text::Pos selTo = selFrom + selLength();
    qreal selLeft = 0;
    qreal selRight = -1;
    const text::Pos rowStartPos = layout.start + layout.fromLayout(rowFrom);
    const text::Pos rowEndPos = layout.start + layout.fromLayout(rowTo);
    if (selFrom < rowEndPos && selTo > rowStartPos) {
        const qreal x1 =
            line.cursorToX(layout.toLayout(std::max(selFrom, rowStartPos) - layout.start));
        const qreal x2 = line.cursorToX(layout.toLayout(std::min(selTo, rowEndPos) - layout.start));
        selLeft = std::min(x1, x2);
        selRight = std::max(x1, x2);
    }
    for (const QGlyphRun& run : line.glyphRuns(from, to - from)) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        const QRawFont font = run.rawFont();
        const QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs);
        const qreal gap = std::max<qreal>(1, font.pixelSize() / 20);
        QList<quint32> glyphsOf[2];
        QList<QPointF> positionsOf[2];
        qsizetype base = -1;
        qreal stackTop = 0; // top of the letter and the marks put on it so far, from the baseline
        bool baseSelected = false;
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            if (advances.value(i).x() > 0) {
                base = i;
                stackTop = font.boundingRect(glyphs[i]).top();
                const qreal middle = positions[i].x() + advances[i].x() / 2;
                baseSelected = middle >= selLeft && middle < selRight;
                continue;
            }
            if (base < 0 || positions[i].y() >= rowTop)
                continue;
            const QRectF baseBox = font.boundingRect(glyphs[base]);
            const QRectF markBox = font.boundingRect(glyphs[i]);
            const qreal baseline = positions[base].y();
            const qreal x = positions[base].x() + baseBox.center().x() - markBox.center().x();
            // Marks are drawn for lowercase letters; lift one that would touch what is below.
            const qreal lift = std::max<qreal>(0, markBox.bottom() - (stackTop - gap));
            stackTop = std::min(stackTop, markBox.top() - lift);
            glyphsOf[baseSelected].append(glyphs[i]);
            positionsOf[baseSelected].append(QPointF(x, baseline - lift));
        }
        for (int selected = 0; selected < 2; ++selected) {
            if (glyphsOf[selected].isEmpty())
                continue;
            QGlyphRun marks = run;
            marks.setGlyphIndexes(glyphsOf[selected]);
            marks.setPositions(positionsOf[selected]);
            painter.setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
            painter.drawGlyphRun(origin, marks);
        }
    }
}

void MemoView::drawPiece(QPainter& painter, const view::LineLayout& layout, bool lastPiece,
                         int firstRow, const QPointF& origin, const QRect& clip) const {
    const QPalette& pal = palette();
    const text::Pos selFrom = selStart();
    const text::Pos selTo = selFrom + selLength();
    QList<QTextLayout::FormatRange> selections;
    const text::Pos end = layout.start + layout.length;
    // The line break is selected: QTextLayout marks it past the row's end when the range
    // reaches one unit beyond the text.
    const bool breakSelected =
        lastPiece && selFrom <= end && selTo > end && end < m_buffer.length();
    const text::Pos from = std::max(selFrom, layout.start);
    const text::Pos to = std::min(selTo, end);
    if (from < to || breakSelected) {
        QTextLayout::FormatRange selected;
        selected.format.setBackground(pal.brush(QPalette::Highlight));
        selected.format.setForeground(pal.brush(QPalette::HighlightedText));
        selected.start = layout.toLayout(from - layout.start);
        selected.length =
            layout.toLayout(to - layout.start) - selected.start + (breakSelected ? 1 : 0);
        selections.append(selected);
    }
    const int width = viewport()->width();
    const int rows = layout.rows();
    // Row by row, each clipped to its own rectangle and a little of the row above (where an
    // accent over a capital reaches), so that a mark Qt put an em too high is not drawn there.
    // The marks put back over their letters may stack up to a row above.
    const int accentRoom = m_rowHeight / 3;
    for (int r = firstRow; r < rows; ++r) {
        const int top = static_cast<int>(origin.y()) + r * m_rowHeight;
        const QRect rowRect = QRect(0, top - accentRoom, width, m_rowHeight + accentRoom) & clip;
        const QRect marksRect = QRect(0, top - m_rowHeight, width, 2 * m_rowHeight) & clip;
        if (marksRect.isEmpty())
            continue;
        painter.save();
        if (!rowRect.isEmpty()) {
            painter.setClipRect(rowRect);
            // The layout draws the rows that meet this rectangle: this row alone.
            const QRectF only(0, top + 0.5, width, m_rowHeight - 1);
            layout.layout->draw(&painter, origin, selections, only);
        }
        if (layout.hasMarks) {
            painter.setClipRect(marksRect);
            repairMarks(painter, layout, r, origin, marksRect);
        }
        painter.restore();
    }
}

void MemoView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect clip = event->rect();
    const QPalette& pal = palette();
    painter.setPen(pal.color(QPalette::Text));
    const QPoint origin = textOrigin();

    const int bottom = viewport()->height();
    RowRef row = m_top;
    int y = origin.y();
    for (;;) {
        if (m_wordWrap) {
            const view::LineLayout* layout = layoutFor(row.line, row.segment);
            const int rows = layout->rows();
            drawPiece(painter, *layout, row.segment + 1 == segmentCount(row.line), row.row,
                      QPointF(origin.x(), y - row.row * m_rowHeight), clip);
            y += (rows - row.row) * m_rowHeight;
            row.row = rows - 1;
        } else {
            // The pieces of the row that stand in the clip, side by side.
            const int count = segmentCount(row.line);
            const qreal left = clip.left() - origin.x();
            const qreal right = clip.right() + 1 - origin.x();
            for (int piece = pieceAtX(row.line, left); piece < count; ++piece) {
                const qreal base = pieceX(row.line, piece);
                if (base > right)
                    break;
                const view::LineLayout* layout = layoutFor(row.line, piece);
                drawPiece(painter, *layout, piece + 1 == count, 0, QPointF(origin.x() + base, y),
                          clip);
            }
            y += m_rowHeight;
        }
        // The row below the clip too: its marks may reach up into it.
        if (y >= bottom || y >= clip.bottom() + 1 + m_rowHeight)
            break;
        if (!nextRow(row))
            break;
    }

    if (markerSource)
        paintMarkers(painter, clip);
    const bool caretShown =
        m_caretOn && hasFocus() && !m_readOnly && (m_preedit.isEmpty() || m_preeditShowsCaret);
    if (caretShown) {
        const QRect caret = positionRect(m_caret);
        if (!caret.isEmpty())
            painter.fillRect(caret, pal.color(QPalette::Text));
    }
    // Where dragged text would land, shown as a caret that does not blink.
    if (m_dropPos >= 0) {
        const QRect dropCaret = positionRect(m_dropPos);
        if (!dropCaret.isEmpty())
            painter.fillRect(dropCaret, pal.color(QPalette::Text));
    }
    if (m_widthGrew)
        QMetaObject::invokeMethod(this, &MemoView::updateScrollBars, Qt::QueuedConnection);
}
