#include "view/layoutcache.h"

namespace view {

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

void LayoutCache::setSegments(text::Pos line, int segments) {
    for (Entry& entry : m_entries) {
        if (entry.key.line == line)
            entry.layout.segments = segments;
    }
}

void LayoutCache::clear() {
    m_index.clear();
    m_entries.clear();
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
}

void LayoutCache::reindex() {
    m_index.clear();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
        m_index[it->key] = it;
}

} // namespace view
