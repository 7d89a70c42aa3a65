#pragma once

#include "text/textbuffer.h"

#include <QTextLayout>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace view {

// One laid-out piece of a line: the whole line, or one segment of a very long line. Layout
// positions equal the segment's own unit offsets, except where an input method's preedit text
// stands in the layout (at preeditAt, preeditLength units long).
struct LineLayout {
    std::unique_ptr<QTextLayout> layout;
    text::Pos start = 0;  // buffer position of the segment's first unit
    text::Pos length = 0; // units of the segment, without the line break
    int segments = 1;     // segments of its line
    int preeditAt = -1;   // offset in the segment where the preedit text stands, or -1
    int preeditLength = 0;
    bool hasMarks = false; // the text holds combining marks (see MemoView's mark repair)

    int rows() const { return layout->lineCount(); }
    // Layout position of a segment offset; offsets behind the preedit move past it.
    int toLayout(text::Pos offset) const {
        const int at = static_cast<int>(offset);
        return preeditAt >= 0 && at > preeditAt ? at + preeditLength : at;
    }
    // Segment offset of a layout position; positions inside the preedit fall on its start.
    text::Pos fromLayout(int layoutPos) const {
        if (preeditAt < 0 || layoutPos <= preeditAt)
            return layoutPos;
        if (layoutPos < preeditAt + preeditLength)
            return preeditAt;
        return layoutPos - preeditLength;
    }
};

// The widths of the pieces of one long unwrapped line, which stand side by side on its row: exact
// for the pieces laid out, estimated from their units for the others. The x where a piece starts
// is the sum of the widths before it, kept in a Fenwick tree so that it, the piece under an x and
// an update each cost O(log pieces).
class PieceWidths {
public:
    // unitAdvance: the estimated width of one unit; pieceUnits: the units of every piece but the
    // last.
    PieceWidths(qreal unitAdvance, text::Pos pieceUnits)
        : m_unitAdvance(unitAdvance), m_pieceUnits(pieceUnits) {}

    int size() const { return static_cast<int>(m_widths.size()); }
    // Makes the table hold `pieces` pieces, the last of lastUnits units. Pieces not measured take
    // their estimate.
    void resize(int pieces, text::Pos lastUnits);
    // The exact width of a laid-out piece.
    void measure(int piece, qreal width);
    // The pieces from `piece` on changed their text: their widths are estimates again (the old
    // widths, which are near).
    void forget(int piece);
    bool measured(int piece) const { return piece >= 0 && piece < size() && m_measured[piece]; }
    // The x where a piece starts: the widths of the pieces before it.
    qreal before(int piece) const;
    qreal total() const { return before(size()); }
    // The piece whose span holds x (the first for x before it, the last for x after all).
    int pieceAt(qreal x) const;

private:
    void set(int piece, qreal width);
    void rebuild();

    qreal m_unitAdvance;
    text::Pos m_pieceUnits;
    text::Pos m_lastUnits = 0;
    std::vector<qreal> m_widths;
    std::vector<qreal> m_tree; // Fenwick tree over m_widths, 1-based
    std::vector<bool> m_measured;
};

// The most recently used line layouts, keyed by line and segment, at most `capacity` of them.
// Pointers handed out stay valid until the entry is evicted, dropped or the cache cleared; the
// two most recently used entries are never evicted by the next insertion.
class LayoutCache {
public:
    explicit LayoutCache(std::size_t capacity) : m_capacity(capacity < 2 ? 2 : capacity) {}

    LineLayout* find(text::Pos line, int segment);
    // Like find(), without counting as a use.
    const LineLayout* peek(text::Pos line, int segment) const;
    LineLayout* insert(text::Pos line, int segment, LineLayout layout);
    void drop(text::Pos line, int segment);
    void dropLine(text::Pos line);
    // Tells the kept segments of a line how many segments it has now (and its piece widths, whose
    // last piece holds lastUnits units).
    void setSegments(text::Pos line, int segments, text::Pos lastUnits);
    void clear();
    // After an edit of the buffer: the lines [firstLine, firstLine + linesRemoved] are gone
    // (of firstLine only the segments from firstSegment on, and the bounds after it) and the
    // later ones move by linesInserted - linesRemoved lines and by unitShift units (inserted
    // minus removed), so that every kept layout's start is its segment's start in the edited
    // text.
    void applyChange(text::Pos firstLine, int firstSegment, text::Pos linesRemoved,
                     text::Pos linesInserted, text::Pos unitShift);
    std::size_t size() const { return m_entries.size(); }

    // Where the pieces of long lines start (piece 1 on), as the view chose them.
    std::optional<text::Pos> bound(text::Pos line, int piece) const;
    void setBound(text::Pos line, int piece, text::Pos pos);
    // The piece widths of a long unwrapped line, or null.
    PieceWidths* widths(text::Pos line);
    PieceWidths& makeWidths(text::Pos line, qreal unitAdvance, text::Pos pieceUnits);

private:
    struct Key {
        text::Pos line;
        int segment;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            return std::hash<std::int64_t>()(k.line * 1000003 + k.segment);
        }
    };
    struct Entry {
        Key key;
        LineLayout layout;
    };
    void reindex();

    std::size_t m_capacity;
    std::list<Entry> m_entries; // most recently used first
    std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> m_index;
    std::unordered_map<Key, text::Pos, KeyHash> m_bounds;
    std::unordered_map<text::Pos, PieceWidths> m_widths;
};

} // namespace view
