#pragma once

#include "text/textbuffer.h"

#include <QTextLayout>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>

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
    // Tells the kept segments of a line how many segments it has now.
    void setSegments(text::Pos line, int segments);
    void clear();
    // After an edit of the buffer: the lines [firstLine, firstLine + linesRemoved] are gone
    // (of firstLine only the segments from firstSegment on) and the later ones move by
    // linesInserted - linesRemoved lines and by unitShift units (inserted minus removed), so
    // that every kept layout's start is its segment's start in the edited text.
    void applyChange(text::Pos firstLine, int firstSegment, text::Pos linesRemoved,
                     text::Pos linesInserted, text::Pos unitShift);
    std::size_t size() const { return m_entries.size(); }

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
};

} // namespace view
