#include "spell/linecache.h"

#include "spell/words.h"

namespace spell {

LineResult checkPiece(Checker& checker, std::u16string_view units, text::Pos offset,
                      bool atLineStart, bool atLineEnd) {
    LineResult result;
    result.from = offset;
    result.to = offset + text::Pos(units.size());
    const std::vector<WordSpan> words = findWords(units);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const WordSpan& word = words[i];
        const bool cutAtStart = word.start == 0 && !atLineStart;
        const bool cutAtEnd = word.start + word.length == units.size() && !atLineEnd;
        if (cutAtStart || cutAtEnd)
            continue;
        const Verdict verdict = checker.check(units.substr(word.start, word.length));
        if (verdict != Verdict::Correct)
            result.words.push_back(
                {offset + text::Pos(word.start), text::Pos(word.length), verdict});
    }
    return result;
}

void LineCache::applyChange(const text::Change& change) {
    const text::Pos lastTouched = change.firstLine + change.linesRemoved;
    const text::Pos shift = change.linesInserted - change.linesRemoved;
    auto it = m_lines.lower_bound(change.firstLine);
    it = m_lines.erase(it, m_lines.upper_bound(lastTouched));
    if (shift == 0 || it == m_lines.end())
        return;
    std::map<text::Pos, LineResult> moved;
    for (auto next = it; next != m_lines.end(); ++next)
        moved.emplace_hint(moved.end(), next->first + shift, std::move(next->second));
    m_lines.erase(it, m_lines.end());
    m_lines.merge(moved);
}

const LineResult* LineCache::find(text::Pos line) const {
    const auto it = m_lines.find(line);
    return it == m_lines.end() ? nullptr : &it->second;
}

void LineCache::store(text::Pos line, LineResult result) {
    if (m_lines.size() >= kMaxLines && !m_lines.count(line))
        m_lines.clear();
    m_lines[line] = std::move(result);
}

} // namespace spell
