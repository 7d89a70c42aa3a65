// The underlines that markerSource asks for (misspelled words), drawn over the painted text.
#include "view/memoview.h"

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QTextLine>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Height and half period of the wave, in pixels.
constexpr qreal kWaveHeight = 2;
constexpr qreal kWaveStep = 2;

// A brush of one period of the wave in `color`, its lowest points on its last pixel row, for
// tiling: a screen of underlines then costs one image copy each instead of a stroke every two
// pixels.
const QBrush& waveTile(const QColor& color, qreal ratio) {
    // Made once for each colour and pixel ratio: a screen shows two or three colours.
    struct Made {
        QRgb rgba;
        qreal ratio;
        QBrush tile;
    };
    static std::vector<Made> made;
    for (const Made& m : made) {
        if (m.rgba == color.rgba() && m.ratio == ratio)
            return m.tile;
    }
    const QSizeF size(2 * kWaveStep, kWaveHeight + 1);
    QImage tile((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    tile.setDevicePixelRatio(ratio);
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    painter.setPen(QPen(color, 1));
    const qreal bottom = kWaveHeight;
    painter.drawLine(QPointF(0, bottom), QPointF(kWaveStep, bottom - kWaveHeight));
    painter.drawLine(QPointF(kWaveStep, bottom - kWaveHeight), QPointF(2 * kWaveStep, bottom));
    painter.end();
    made.push_back({color.rgba(), ratio, QBrush(tile)});
    return made.back().tile;
}

// The band under a stretch from x1 to x2 whose lowest points lie on `bottom`.
QRectF waveBand(qreal x1, qreal x2, qreal bottom) {
    return QRectF(x1, bottom - kWaveHeight, x2 - x1, kWaveHeight + 1);
}

} // namespace

text::Pos MemoView::rowEdge(const RowRef& row, bool end) const {
    if (!m_wordWrap) {
        // A line is one row, as wide as its text: the part between the viewport's edges.
        const qreal left = -textOrigin().x();
        return positionInRow(row, end ? left + viewport()->width() : std::max<qreal>(0, left));
    }
    const view::LineLayout* layout = layoutFor(row.line, row.segment);
    const QTextLine line = layout->layout->lineAt(row.row);
    if (!line.isValid())
        return end ? layout->start + layout->length : layout->start;
    const int at = end ? line.textStart() + line.textLength() : line.textStart();
    return layout->start + std::clamp<text::Pos>(layout->fromLayout(at), 0, layout->length);
}

std::vector<std::pair<text::Pos, text::Pos>> MemoView::visibleRanges() const {
    std::vector<std::pair<text::Pos, text::Pos>> ranges;
    RowRef row = m_top;
    RowRef last = m_top;
    for (int i = 0; i < visibleRows(); ++i) {
        last = row;
        if (!m_wordWrap)
            ranges.emplace_back(rowEdge(row, false), rowEdge(row, true));
        if (!nextRow(row))
            break;
    }
    if (m_wordWrap)
        ranges.emplace_back(rowEdge(m_top, false), rowEdge(last, true));
    return ranges;
}

void MemoView::paintMarkers(QPainter& painter, const QRect& clip) const {
    // The rows in sight that the paint reaches and their tops, in order.
    std::vector<std::pair<RowRef, int>> rows;
    RowRef at = m_top;
    for (int i = 0, y = textOrigin().y(); i < visibleRows(); ++i, y += m_rowHeight) {
        if (y < clip.bottom() + 1 && y + m_rowHeight > clip.top())
            rows.emplace_back(at, y);
        if (!nextRow(at))
            break;
    }
    if (rows.empty())
        return;
    auto rowTop = [&rows](const RowRef& row) -> std::optional<int> {
        const auto found = std::lower_bound(
            rows.begin(), rows.end(), row,
            [](const std::pair<RowRef, int>& entry, const RowRef& r) { return entry.first < r; });
        if (found == rows.end() || found->first != row)
            return std::nullopt;
        return found->second;
    };
    // The ranges of the text in sight: with wrap the rows follow each other in the text; without
    // it each row is a line of which only the part between the viewport's edges is in sight
    // (a long line may hold far more underlines than that part).
    std::vector<std::pair<text::Pos, text::Pos>> ranges;
    if (m_wordWrap) {
        ranges.emplace_back(rowEdge(rows.front().first, false), rowEdge(rows.back().first, true));
    } else {
        for (const auto& entry : rows)
            ranges.emplace_back(rowEdge(entry.first, false), rowEdge(entry.first, true));
    }
    // The strokes of each colour, drawn in one call per colour.
    std::vector<std::pair<QColor, QList<QRectF>>> strokes;
    const qreal originX = textOrigin().x();
    std::vector<Marker> markers;
    for (const auto& [first, last] : ranges) {
        markers.clear();
        markerSource(first, last, markers);
        for (const Marker& marker : markers) {
            const text::Pos from = std::max(marker.from, first);
            const text::Pos to = std::min(marker.to, last);
            if (from >= to)
                continue;
            auto same = std::find_if(strokes.begin(), strokes.end(), [&](const auto& entry) {
                return entry.first == marker.color;
            });
            if (same == strokes.end())
                same = strokes.insert(same, {marker.color, QList<QRectF>()});
            QList<QRectF>& wave = same->second;
            // A word that wraps is underlined on each of its rows.
            const RowRef startRow = rowOf(from);
            RowRef row = startRow;
            const RowRef endRow = rowOf(to);
            for (int guard = 0; guard <= visibleRows(); ++guard) {
                const std::optional<int> y = rowTop(row);
                if (y && !m_wordWrap) {
                    // Pieces of an unwrapped line stand side by side: x in line coordinates.
                    const qreal x1 = xOf(from);
                    const qreal x2 = xOf(to);
                    if (x2 - x1 >= 1)
                        wave.append(waveBand(originX + std::floor(x1), originX + std::floor(x2),
                                             *y + m_rowHeight - 1));
                    break;
                }
                const view::LineLayout* layout = layoutFor(row.line, row.segment);
                const QTextLine line = layout->layout->lineAt(row.row);
                if (y && line.isValid()) {
                    const qreal x1 = row == startRow ? line.cursorToX(layoutPosOf(*layout, from))
                                                     : line.cursorToX(line.textStart());
                    const qreal x2 = row == endRow
                                         ? line.cursorToX(layoutPosOf(*layout, to))
                                         : line.cursorToX(line.textStart() + line.textLength());
                    if (x2 - x1 >= 1)
                        wave.append(waveBand(originX + std::floor(x1), originX + std::floor(x2),
                                             *y + m_rowHeight - 1));
                }
                if (!(row < endRow) || !nextRow(row))
                    break;
            }
        }
    }
    painter.save();
    const qreal ratio = painter.device()->devicePixelRatioF();
    for (const auto& [color, bands] : strokes) {
        const QBrush& tile = waveTile(color, ratio);
        for (const QRectF& band : bands) {
            painter.setBrushOrigin(band.topLeft());
            painter.fillRect(band, tile);
        }
    }
    painter.restore();
}
