// The underlines that markerSource asks for (misspelled words), drawn over the painted text.
#include "view/memoview.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextLine>
#include <algorithm>
#include <cmath>

namespace {

// Height and half period of the wave, in pixels.
constexpr qreal kWaveHeight = 2;
constexpr qreal kWaveStep = 2;

// A zigzag from x1 to x2 whose lowest points lie on `bottom`.
void drawWave(QPainter& painter, qreal x1, qreal x2, qreal bottom) {
    QPainterPath path;
    path.moveTo(x1, bottom);
    bool up = true;
    for (qreal x = x1 + kWaveStep; x < x2 + kWaveStep; x += kWaveStep) {
        path.lineTo(std::min(x, x2), up ? bottom - kWaveHeight : bottom);
        up = !up;
    }
    painter.drawPath(path);
}

} // namespace

std::pair<text::Pos, text::Pos> MemoView::visibleRange() const {
    auto rowBound = [this](const RowRef& row, bool end) {
        const view::LineLayout* layout = layoutFor(row.line, row.segment);
        const QTextLine line = layout->layout->lineAt(row.row);
        if (!line.isValid())
            return end ? layout->start + layout->length : layout->start;
        const int at = end ? line.textStart() + line.textLength() : line.textStart();
        return layout->start + std::clamp<text::Pos>(layout->fromLayout(at), 0, layout->length);
    };
    RowRef last = m_top;
    for (int i = 1; i < visibleRows(); ++i) {
        if (!nextRow(last))
            break;
    }
    return {rowBound(m_top, false), rowBound(last, true)};
}

void MemoView::paintMarkers(QPainter& painter) const {
    const auto [first, last] = visibleRange();
    std::vector<Marker> markers;
    markerSource(first, last, markers);
    if (markers.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const qreal originX = textOrigin().x();
    for (const Marker& marker : markers) {
        const text::Pos from = std::max(marker.from, first);
        const text::Pos to = std::min(marker.to, last);
        if (from >= to)
            continue;
        painter.setPen(QPen(marker.color, 1));
        // A word that wraps is underlined on each of its rows.
        const RowRef startRow = rowOf(from);
        RowRef row = startRow;
        const RowRef endRow = rowOf(to);
        for (int guard = 0; guard <= visibleRows(); ++guard) {
            const std::optional<int> y = rowY(row);
            const view::LineLayout* layout = layoutFor(row.line, row.segment);
            const QTextLine line = layout->layout->lineAt(row.row);
            if (y && line.isValid()) {
                const qreal x1 = row == startRow ? line.cursorToX(layoutPosOf(*layout, from))
                                                 : line.cursorToX(line.textStart());
                const qreal x2 = row == endRow
                                     ? line.cursorToX(layoutPosOf(*layout, to))
                                     : line.cursorToX(line.textStart() + line.textLength());
                if (x2 - x1 >= 1)
                    drawWave(painter, originX + std::floor(x1), originX + std::floor(x2),
                             *y + m_rowHeight - 1);
            }
            if (!(row < endRow) || !nextRow(row))
                break;
        }
    }
    painter.restore();
}
