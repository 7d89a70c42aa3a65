#include "view/layoutcache.h"

#include <algorithm>

namespace view {

namespace {

// Kept bounds and piece-width tables beyond which the oldest knowledge is simply dropped.
constexpr std::size_t kMaxBounds = 4096;
constexpr std::size_t kMaxWidthTables = 256;

} // namespace

// ---- PieceWidths -------------------------------------------------------------------------------

void PieceWidths::resize(int pieces, text::Pos lastUnits) {
    const int old = size();
    m_widths.resize(static_cast<std::size_t>(std::max(pieces, 0)), 0);
    m_measured.resize(m_widths.size(), false);
    for (int i = std::min(old, size()) - 1; i < size(); ++i) {
        if (i < 0 || m_measured[i])
            continue;
        const text::Pos units = i + 1 == size() ? lastUnits : m_pieceUnits;
        m_widths[i] = m_unitAdvance * static_cast<qreal>(units);
    }
    m_lastUnits = lastUnits;
    rebuild();
}

void PieceWidths::measure(int piece, qreal width) {
    if (piece < 0 || piece >= size())
        return;
    m_measured[piece] = true;
    set(piece, width);
}

void PieceWidths::forget(int piece) {
    for (int i = std::max(piece, 0); i < size(); ++i)
        m_measured[i] = false;
}

void PieceWidths::set(int piece, qreal width) {
    const qreal delta = width - m_widths[piece];
    m_widths[piece] = width;
    for (std::size_t i = static_cast<std::size_t>(piece) + 1; i < m_tree.size(); i += i & (~i + 1))
        m_tree[i] += delta;
}

void PieceWidths::rebuild() {
    m_tree.assign(m_widths.size() + 1, 0);
    for (std::size_t i = 1; i < m_tree.size(); ++i) {
        m_tree[i] += m_widths[i - 1];
        const std::size_t up = i + (i & (~i + 1));
        if (up < m_tree.size())
            m_tree[up] += m_tree[i];
    }
}

qreal PieceWidths::before(int piece) const {
    qreal sum = 0;
    for (std::size_t i = static_cast<std::size_t>(std::clamp(piece, 0, size())); i > 0;
         i -= i & (~i + 1))
        sum += m_tree[i];
    return sum;
}

int PieceWidths::pieceAt(qreal x) const {
    // The most pieces whose widths together stay at or below x.
    std::size_t at = 0;
    std::size_t step = 1;
    while (step * 2 < m_tree.size())
        step *= 2;
    for (; step > 0; step /= 2) {
        if (at + step < m_tree.size() && m_tree[at + step] <= x) {
            at += step;
            x -= m_tree[at];
        }
    }
    return std::clamp(static_cast<int>(at), 0, std::max(0, size() - 1));
}

// ---- LayoutCache -------------------------------------------------------------------------------

LineLayout* LayoutCache::find(text::Pos line, int segment) {
    const auto it = m_index.find(Key{line, segment});
    if (it == m_index.end())
        return nullptr;
    m_entries.splice(m_entries.begin(), m_entries, it->second);
    return &it->second->layout;
}

const LineLayout* LayoutCache::peek(text::Pos line, int segment) const {
    const auto it = m_index.find(Key{line, segment});
    return it == m_index.end() ? nullptr : &it->second->layout;
}

LineLayout* LayoutCache::insert(text::Pos line, int segment, LineLayout layout) {
    drop(line, segment);
    m_entries.push_front(Entry{Key{line, segment}, std::move(layout)});
    m_index[Key{line, segment}] = m_entries.begin();
    while (m_entries.size() > m_capacity) {
        m_index.erase(m_entries.back().key);
        m_entries.pop_back();
    }
    return &m_entries.front().layout;
}

void LayoutCache::drop(text::Pos line, int segment) {
    const auto it = m_index.find(Key{line, segment});
    if (it == m_index.end())
        return;
    m_entries.erase(it->second);
    m_index.erase(it);
}

void LayoutCache::dropLine(text::Pos line) {
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->key.line == line) {
            m_index.erase(it->key);
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

void LayoutCache::setSegments(text::Pos line, int segments, text::Pos lastUnits) {
    for (Entry& entry : m_entries) {
        if (entry.key.line == line)
            entry.layout.segments = segments;
    }
    if (PieceWidths* table = widths(line))
        table->resize(segments, lastUnits);
}

void LayoutCache::clear() {
    m_index.clear();
    m_entries.clear();
    m_bounds.clear();
    m_widths.clear();
}

std::optional<text::Pos> LayoutCache::bound(text::Pos line, int piece) const {
    const auto it = m_bounds.find(Key{line, piece});
    if (it == m_bounds.end())
        return std::nullopt;
    return it->second;
}

void LayoutCache::setBound(text::Pos line, int piece, text::Pos pos) {
    if (m_bounds.size() >= kMaxBounds)
        m_bounds.clear();
    m_bounds[Key{line, piece}] = pos;
}

PieceWidths* LayoutCache::widths(text::Pos line) {
    const auto it = m_widths.find(line);
    return it == m_widths.end() ? nullptr : &it->second;
}

PieceWidths& LayoutCache::makeWidths(text::Pos line, qreal unitAdvance, text::Pos pieceUnits) {
    if (m_widths.size() >= kMaxWidthTables)
        m_widths.clear();
    return m_widths.insert_or_assign(line, PieceWidths(unitAdvance, pieceUnits)).first->second;
}

void LayoutCache::applyChange(text::Pos firstLine, int firstSegment, text::Pos linesRemoved,
                              text::Pos linesInserted, text::Pos unitShift) {
    const text::Pos lastTouched = firstLine + linesRemoved;
    const text::Pos shift = linesInserted - linesRemoved;
    bool moved = false;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        const bool kept = it->key.line == firstLine && it->key.segment < firstSegment;
        if (it->key.line >= firstLine && it->key.line <= lastTouched && !kept) {
            m_index.erase(it->key);
            it = m_entries.erase(it);
            continue;
        }
        if (it->key.line > lastTouched) {
            it->layout.start += unitShift;
            if (shift != 0) {
                it->key.line += shift;
                moved = true;
            }
        }
        ++it;
    }
    if (moved)
        reindex();

    const bool oneLine = linesRemoved == 0 && linesInserted == 0;
    std::unordered_map<Key, text::Pos, KeyHash> bounds;
    for (const auto& [key, pos] : m_bounds) {
        if (key.line < firstLine ||
            (oneLine && key.line == firstLine && key.segment <= firstSegment))
            bounds.emplace(key, pos);
        else if (key.line > lastTouched)
            bounds.emplace(Key{key.line + shift, key.segment}, pos + unitShift);
    }
    m_bounds = std::move(bounds);
    std::unordered_map<text::Pos, PieceWidths> widths;
    for (auto& [line, table] : m_widths) {
        if (line < firstLine) {
            widths.emplace(line, std::move(table));
        } else if (oneLine && line == firstLine) {
            table.forget(firstSegment);
            widths.emplace(line, std::move(table));
        } else if (line > lastTouched) {
            widths.emplace(line + shift, std::move(table));
        }
    }
    m_widths = std::move(widths);
}

void LayoutCache::reindex() {
    m_index.clear();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        m_index[it->key] = it;
}

} // namespace view
