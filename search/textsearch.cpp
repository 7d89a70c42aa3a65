#include "search/textsearch.h"

#include "ime/texttarget.h"
#include "text/textbuffer.h"

#include <algorithm>
#include <string>
#include <vector>

namespace search {

qsizetype findForward(const ChunkReader& read, qsizetype length, qsizetype start,
                      QStringView needle, qsizetype chunkUnits) {
    if (needle.isEmpty() || start < 0 || start > length || chunkUnits < 1)
        return -1;
    const qsizetype pieceUnits = std::max(chunkUnits, needle.size());
    qsizetype offset = 0;
    for (;;) {
        const qsizetype pos = start + offset;
        const QString chunk = read(pos, pieceUnits);
        const qsizetype n = chunk.size();
        if (n < 1)
            return -1;
        const qsizetype k = chunk.lastIndexOf(u'\n');
        QStringView part(chunk);
        qsizetype step = n;
        if (k >= 0) {
            // The last line of the piece is left to the next piece, which starts after its
            // line feed; the line break itself is not searched.
            part = part.first(k > 0 && chunk.at(k - 1) == u'\r' ? k - 1 : k);
            step = k + 1;
        } else if (pos + n >= length) {
            step = 0; // the rest of the text was in this piece
        } else {
            // Inside one long line: the next piece repeats the last units an occurrence
            // could start in.
            step = n - (needle.size() - 1);
        }
        const qsizetype j = part.indexOf(needle);
        if (j >= 0)
            return pos + j;
        if (step < 1)
            return -1;
        offset += step;
    }
}

qsizetype findInTarget(ime::TextTarget& target, qsizetype start, QStringView needle,
                       qsizetype chunkUnits) {
    const ChunkReader read = [&target](qsizetype pos, qsizetype len) {
        target.setSelection(pos, len);
        return target.selText();
    };
    return findForward(read, target.length(), start, needle, chunkUnits);
}

bool spansLines(QStringView needle) {
    return needle.contains(u'\r') || needle.contains(u'\n');
}

qsizetype findInBuffer(const text::TextBuffer& buffer, qsizetype start, QStringView needle) {
    const qsizetype length = buffer.length();
    if (needle.isEmpty() || start < 0 || start > length)
        return -1;
    if (spansLines(needle)) {
        const ChunkReader read = [&buffer](qsizetype pos, qsizetype len) {
            return QString::fromStdU16String(buffer.text(pos, len));
        };
        return findForward(read, length, start, needle);
    }
    const std::u16string_view wanted(needle.utf16(), static_cast<std::size_t>(needle.size()));
    const std::size_t overlap = wanted.size() - 1;
    // The last units of what was scanned, where an occurrence crossing into the next span of
    // the buffer's storage may begin.
    std::u16string tail;
    qsizetype spanStart = start;
    qsizetype hit = -1;
    buffer.forEachSpan(start, length - start, [&](std::u16string_view span) {
        if (!tail.empty()) {
            std::u16string joint = tail;
            joint.append(span.substr(0, std::min(span.size(), overlap)));
            const std::size_t j = joint.find(wanted);
            if (j != std::u16string::npos) {
                hit = spanStart - static_cast<qsizetype>(tail.size()) + static_cast<qsizetype>(j);
                return false;
            }
        }
        const std::size_t j = span.find(wanted);
        if (j != std::u16string_view::npos) {
            hit = spanStart + static_cast<qsizetype>(j);
            return false;
        }
        if (span.size() >= overlap) {
            tail.assign(span.substr(span.size() - overlap));
        } else {
            tail.append(span);
            if (tail.size() > overlap)
                tail.erase(0, tail.size() - overlap);
        }
        spanStart += static_cast<qsizetype>(span.size());
        return true;
    });
    return hit;
}

Hit findInBufferIgnoringMarks(const text::TextBuffer& buffer, qsizetype start, QStringView needle) {
    const qsizetype length = buffer.length();
    if (start < 0 || start > length)
        return {};
    std::u16string wanted;
    wanted.reserve(static_cast<std::size_t>(needle.size()));
    for (QChar c : needle) {
        if (!isStressMark(c.unicode()))
            wanted.push_back(c.unicode());
    }
    if (wanted.empty())
        return {};
    const std::size_t m = wanted.size();

    // The text is read once, unit by unit, with the matching state carried from one span to
    // the next. fallback[q - 1] is the longest proper prefix of the needle that is also a
    // suffix of its first q units: where a partial match of q units goes on after a mismatch.
    std::vector<std::size_t> fallback(m, 0);
    for (std::size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && wanted[i] != wanted[k])
            k = fallback[k - 1];
        if (wanted[i] == wanted[k])
            ++k;
        fallback[i] = k;
    }
    // Where the last m units taken into a match stood; the hit starts at the m-th last.
    std::vector<qsizetype> taken(m, 0);
    std::size_t takenCount = 0;
    std::size_t matched = 0; // units of the needle matched so far
    bool complete = false;   // the whole needle matched: only marks behind it are still taken
    Hit hit;
    qsizetype spanStart = start;
    const char16_t first = wanted.front();
    buffer.forEachSpan(start, length - start, [&](std::u16string_view span) {
        const char16_t* const begin = span.data();
        const char16_t* const end = begin + span.size();
        const char16_t* at = begin;
        while (at != end) {
            if (complete) {
                if (!isStressMark(*at))
                    return false;
                ++hit.length;
                ++at;
                continue;
            }
            if (matched == 0) {
                // Nothing under way: only the needle's first unit can start a match, and
                // looking for it alone runs at the speed of a plain search.
                at = std::find(at, end, first);
                if (at == end)
                    break;
            }
            const char16_t unit = *at;
            if (!isStressMark(unit)) {
                while (matched > 0 && unit != wanted[matched])
                    matched = fallback[matched - 1];
                if (unit == wanted[matched])
                    ++matched;
                const qsizetype pos = spanStart + (at - begin);
                taken[takenCount++ % m] = pos;
                if (matched == m) {
                    hit.position = taken[(takenCount - m) % m];
                    hit.length = pos + 1 - hit.position;
                    complete = true;
                }
            }
            ++at;
        }
        spanStart += static_cast<qsizetype>(span.size());
        return true;
    });
    return hit;
}

} // namespace search
