#pragma once

#include "spell/checker.h"
#include "text/textbuffer.h"

#include <cstddef>
#include <map>
#include <string_view>
#include <vector>

namespace spell {

// A word of a line that is not correct: units from the line's start.
struct Flagged {
    text::Pos start = 0;
    text::Pos length = 0;
    Verdict verdict = Verdict::Misspelled;
    bool operator==(const Flagged&) const = default;
};

// What was found in the units [from, to) of one line (units from the line's start).
struct LineResult {
    text::Pos from = 0;
    text::Pos to = 0;
    std::vector<Flagged> words;
};

// Checks a piece of a line: `units` are the line's units from `offset` on; the result covers
// them. Words that touch an end of the piece are left unflagged unless that end is an end of the
// line (`atLineStart`, `atLineEnd`), since the piece may cut them.
LineResult checkPiece(Checker& checker, std::u16string_view units, text::Pos offset,
                      bool atLineStart, bool atLineEnd);

// Results of the lines checked so far, by line number. An edit drops the lines it touches and
// renumbers the lines after them, so nothing keeps a position the edit moved.
class LineCache {
public:
    // Lines kept before the cache starts afresh.
    static constexpr std::size_t kMaxLines = 4096;

    void applyChange(const text::Change& change);
    void clear() { m_lines.clear(); }
    // The result of a line, or null when it was not checked since it last changed.
    const LineResult* find(text::Pos line) const;
    void store(text::Pos line, LineResult result);
    std::size_t size() const { return m_lines.size(); }

private:
    std::map<text::Pos, LineResult> m_lines;
};

} // namespace spell
