#include "search/textsearch.h"

#include "ime/texttarget.h"
#include "text/textbuffer.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

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

namespace {

using text::Pos;

// The first unit equal to `unit` in [at, end), or end.
const char16_t* findUnit(const char16_t* at, const char16_t* end, char16_t unit) {
#if defined(__SSE2__) || defined(_M_X64)
    // Eight units compared at once.
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(unit));
    for (; end - at >= 8; at += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const unsigned mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(units, wanted)));
        if (mask != 0)
            return at + std::countr_zero(mask) / 2;
    }
#endif
    return std::find(at, end, unit);
}

// The first occurrence of `wanted` (not empty) in `units` at or after `from`, as
// std::u16string_view::find gives it.
std::size_t findUnits(std::u16string_view units, std::u16string_view wanted, std::size_t from) {
#if defined(__SSE2__) || defined(_M_X64)
    // Eight places tried at once: those where the needle's first and last units both stand,
    // then the units between them compared.
    const std::size_t m = wanted.size();
    const std::size_t middle = m >= 2 ? m - 2 : 0; // the units between the first and the last
    const __m128i first = _mm_set1_epi16(static_cast<short>(wanted.front()));
    const __m128i last = _mm_set1_epi16(static_cast<short>(wanted.back()));
    const char16_t* const data = units.data();
    for (; from + 8 + m - 1 <= units.size(); from += 8) {
        const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
        const __m128i tails =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from + m - 1));
        unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi16(heads, first), _mm_cmpeq_epi16(tails, last))));
        while (mask != 0) {
            const int bit = std::countr_zero(mask); // two bits a unit
            const std::size_t j = from + std::size_t(bit) / 2;
            if (units.compare(j + 1, middle, wanted.substr(1, middle)) == 0)
                return j;
            mask &= ~(3u << bit);
        }
    }
#endif
    return units.find(wanted, from);
}

// Units scanned between two looks at the flag that ends the second half's search early.
constexpr std::size_t kBlockUnits = std::size_t(1) << 20;

// Hands the units [from, to) of the buffer to visit in order, in pieces of at most kBlockUnits,
// until visit returns false or `stop` is set.
template <class Visit>
void forEachBlock(const text::TextBuffer& buffer, Pos from, Pos to, const std::atomic<bool>& stop,
                  Visit&& visit) {
    buffer.forEachSpan(from, to - from, [&](std::u16string_view span) {
        while (!span.empty()) {
            if (stop.load(std::memory_order_relaxed))
                return false;
            const std::u16string_view block = span.substr(0, kBlockUnits);
            span.remove_prefix(block.size());
            if (!visit(block))
                return false;
        }
        return true;
    });
}

// Runs first() on this thread while second() runs on another, and gives first's answer when
// found() accepts it (second is then told to stop), else second's. Without a second thread
// (the system refuses one) second runs afterwards, and only when it is needed.
template <class R, class First, class Second, class Found>
R onTwoThreads(const First& first, const Second& second, const Found& found) {
    std::atomic<bool> stop{false};
    R other{};
    std::thread thread;
    try {
        thread = std::thread([&] { other = second(stop); });
    } catch (const std::system_error&) {
    }
    const R mine = first(stop);
    if (found(mine))
        stop.store(true, std::memory_order_relaxed);
    if (thread.joinable())
        thread.join();
    else if (!found(mine))
        other = second(stop);
    return found(mine) ? mine : other;
}

// The units [from, to) that findForward searches in one of its pieces, or in a run of pieces
// without a line feed, which overlap so that together they are searched as one.
struct Piece {
    Pos from = 0;
    Pos to = 0;
};

// The position of the last LF in [from, to), or -1 when there is none.
Pos lastLf(const text::TextBuffer& buffer, Pos from, Pos to) {
    // Lines are mostly short: the last units of the piece hold its last LF.
    const Pos near = std::max(from, to - 1024);
    const std::u16string units = buffer.text(near, to - near);
    if (const std::size_t k = units.rfind(u'\n'); k != std::u16string::npos)
        return near + Pos(k);
    const Pos lfs = buffer.lineOf(near); // LF units before near
    return lfs > buffer.lineOf(from) ? buffer.lineStart(lfs) - 1 : -1;
}

// The pieces findForward reads from start for a needle of `needleSize` units, in order: a
// piece of pieceUnits units is searched up to its last LF (and the CR before it) and the next
// one starts after that LF; a piece without an LF is searched whole and the next one overlaps
// it by the needle's length less one.
std::vector<Piece> searchedPieces(const text::TextBuffer& buffer, Pos start, Pos needleSize,
                                  Pos chunkUnits) {
    const Pos length = buffer.length();
    const Pos pieceUnits = std::max(chunkUnits, needleSize);
    std::vector<Piece> pieces;
    bool inLongLine = false;
    for (Pos pos = start; pos < length;) {
        const Pos n = std::min(pieceUnits, length - pos);
        const Pos lf = lastLf(buffer, pos, pos + n);
        if (lf >= 0) {
            pieces.push_back({pos, lf > pos && buffer.at(lf - 1) == u'\r' ? lf - 1 : lf});
            inLongLine = false;
            pos = lf + 1;
            continue;
        }
        if (inLongLine)
            pieces.back().to = pos + n;
        else
            pieces.push_back({pos, pos + n});
        inLongLine = true;
        if (pos + n >= length)
            break;
        pos += n - (needleSize - 1);
    }
    return pieces;
}

// True when the units [at, at + size) lie inside one of the pieces. Only the last piece that
// starts at or before `at` can hold them: an earlier one ends before the units do.
bool insidePiece(const std::vector<Piece>& pieces, Pos at, Pos size) {
    const auto next =
        std::upper_bound(pieces.begin(), pieces.end(), at,
                         [](Pos pos, const Piece& piece) { return pos < piece.from; });
    return next != pieces.begin() && at + size <= std::prev(next)->to;
}

// The first occurrence of `wanted` that lies inside [from, to) and, when `pieces` is given,
// inside one of them; -1 when there is none or when `stop` was set.
Pos firstOccurrence(const text::TextBuffer& buffer, Pos from, Pos to, std::u16string_view wanted,
                    const std::vector<Piece>* pieces, const std::atomic<bool>& stop) {
    const std::size_t overlap = wanted.size() - 1;
    Pos hit = -1;
    // The first occurrence in `units`, which stand at `at` in the text, that a piece holds.
    const auto search = [&](std::u16string_view units, Pos at) {
        for (std::size_t j = findUnits(units, wanted, 0); j != std::u16string_view::npos;
             j = findUnits(units, wanted, j + 1)) {
            if (!pieces || insidePiece(*pieces, at + Pos(j), Pos(wanted.size()))) {
                hit = at + Pos(j);
                return true;
            }
        }
        return false;
    };
    // The last units of what was scanned, where an occurrence crossing into the next span of
    // the buffer's storage may begin.
    std::u16string tail;
    Pos spanStart = from;
    forEachBlock(buffer, from, to, stop, [&](std::u16string_view span) {
        if (!tail.empty()) {
            std::u16string joint = tail;
            joint.append(span.substr(0, std::min(span.size(), overlap)));
            if (search(joint, spanStart - Pos(tail.size())))
                return false;
        }
        if (search(span, spanStart))
            return false;
        if (span.size() >= overlap) {
            tail.assign(span.substr(span.size() - overlap));
        } else {
            tail.append(span);
            if (tail.size() > overlap)
                tail.erase(0, tail.size() - overlap);
        }
        spanStart += Pos(span.size());
        return true;
    });
    return hit;
}

} // namespace

qsizetype findInBuffer(const text::TextBuffer& buffer, qsizetype start, QStringView needle,
                       qsizetype chunkUnits, qsizetype parallelUnits) {
    const Pos length = buffer.length();
    if (needle.isEmpty() || start < 0 || start > length || chunkUnits < 1)
        return -1;
    const bool parallel = length - start > parallelUnits;
    if (spansLines(needle) && !parallel) {
        const ChunkReader read = [&buffer](qsizetype pos, qsizetype len) {
            return QString::fromStdU16String(buffer.text(pos, len));
        };
        return findForward(read, length, start, needle, chunkUnits);
    }
    const std::u16string_view wanted(needle.utf16(), static_cast<std::size_t>(needle.size()));
    // A needle without CR and LF lies inside one line, so no piece can hide it.
    std::vector<Piece> pieces;
    if (spansLines(needle))
        pieces = searchedPieces(buffer, start, Pos(wanted.size()), chunkUnits);
    const std::vector<Piece>* const within = spansLines(needle) ? &pieces : nullptr;
    if (!parallel) {
        const std::atomic<bool> never{false};
        return firstOccurrence(buffer, start, length, wanted, within, never);
    }
    const Pos middle = start + (length - start) / 2;
    // The first half reads on over the units an occurrence starting in it may cover.
    const Pos firstEnd = std::min(length, middle + Pos(wanted.size()) - 1);
    return onTwoThreads<Pos>(
        [&](const std::atomic<bool>& stop) {
            return firstOccurrence(buffer, start, firstEnd, wanted, within, stop);
        },
        [&](const std::atomic<bool>& stop) {
            return firstOccurrence(buffer, middle, length, wanted, within, stop);
        },
        [](Pos hit) { return hit >= 0; });
}

namespace {

// The needle of the search that ignores stress marks, without its marks, and where a partial
// match goes on after a mismatch: fallback[q - 1] is the longest proper prefix of the needle
// that is also a suffix of its first q units.
struct Letters {
    std::u16string wanted;
    std::vector<std::size_t> fallback;

    explicit Letters(QStringView needle) {
        wanted.reserve(static_cast<std::size_t>(needle.size()));
        for (QChar c : needle) {
            if (!isStressMark(c.unicode()))
                wanted.push_back(c.unicode());
        }
        fallback.assign(wanted.size(), 0);
        for (std::size_t i = 1, k = 0; i < wanted.size(); ++i) {
            while (k > 0 && wanted[i] != wanted[k])
                k = fallback[k - 1];
            if (wanted[i] == wanted[k])
                ++k;
            fallback[i] = k;
        }
    }
};

// The first hit of the search that ignores stress marks, reading the text from `from` on. With
// limit >= 0 it gives up (no hit) once no hit can start before limit any more; a hit it finds
// first is the first from `from` all the same. No hit when `stop` was set.
Hit scanIgnoringMarks(const text::TextBuffer& buffer, Pos from, const Letters& letters, Pos limit,
                      const std::atomic<bool>& stop) {
    const std::u16string& wanted = letters.wanted;
    const std::vector<std::size_t>& fallback = letters.fallback;
    const std::size_t m = wanted.size();

    // The text is read once, unit by unit, with the matching state carried from one span to
    // the next.
    // Where the last m units taken into a match stood; the hit starts at the m-th last.
    std::vector<qsizetype> taken(m, 0);
    std::size_t takenCount = 0;
    std::size_t matched = 0;   // units of the needle matched so far
    bool complete = false;     // the whole needle matched: only marks behind it are still taken
    std::size_t pastLimit = 0; // units other than marks read at or after limit
    Hit hit;
    Pos spanStart = from;
    const char16_t first = wanted.front();
    forEachBlock(buffer, from, buffer.length(), stop, [&](std::u16string_view span) {
        const char16_t* const begin = span.data();
        const char16_t* const end = begin + span.size();
        // Where a search with nothing under way gives up: no hit can start there or later.
        const char16_t* const giveUp = limit >= 0 && limit - spanStart < Pos(span.size())
                                           ? begin + std::max<Pos>(limit - spanStart, 0)
                                           : end;
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
                if (at >= giveUp && giveUp != end)
                    return false;
                at = findUnit(at, giveUp, first);
                if (at == giveUp) {
                    if (giveUp != end)
                        return false;
                    break;
                }
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
                } else if (limit >= 0 && pos >= limit && ++pastLimit >= m) {
                    // A hit starting before limit would have ended by now.
                    return false;
                }
            }
            ++at;
        }
        spanStart += Pos(span.size());
        return true;
    });
    return hit;
}

} // namespace

Hit findInBufferIgnoringMarks(const text::TextBuffer& buffer, qsizetype start, QStringView needle,
                              qsizetype parallelUnits) {
    const Pos length = buffer.length();
    if (start < 0 || start > length)
        return {};
    const Letters letters(needle);
    if (letters.wanted.empty())
        return {};
    if (length - start <= parallelUnits) {
        const std::atomic<bool> never{false};
        return scanIgnoringMarks(buffer, start, letters, -1, never);
    }
    // The first half reads on from its start until no hit can start in it any more; the second
    // starts afresh in the middle, so its first hit is the first that starts there or later.
    const Pos middle = start + (length - start) / 2;
    return onTwoThreads<Hit>(
        [&](const std::atomic<bool>& stop) {
            return scanIgnoringMarks(buffer, start, letters, middle, stop);
        },
        [&](const std::atomic<bool>& stop) {
            return scanIgnoringMarks(buffer, middle, letters, -1, stop);
        },
        [](const Hit& hit) { return hit.position >= 0; });
}

} // namespace search
