#pragma once

#include <QString>
#include <QStringView>
#include <functional>

namespace ime {
class TextTarget;
}
namespace text {
class TextBuffer;
}

namespace search {

// The find command reads the text in pieces of this many UTF-16 units.
inline constexpr qsizetype kChunkUnits = 70000;

// A search in the text buffer over more units than this after its start runs on two threads,
// each over one half of that part of the text.
inline constexpr qsizetype kParallelUnits = qsizetype(1) << 21;

// Reads at most len units of a text from pos (fewer at its end, none past it).
using ChunkReader = std::function<QString(qsizetype pos, qsizetype len)>;

// The forward search of the find command over a text in the editor's CR LF view, read piece
// by piece through read(). Positions count UTF-16 units; units are compared exactly (no case
// or other folding). Each piece of chunkUnits units is searched up to its last line feed
// (without the CR before it), and the next piece starts right after that line feed. A piece
// without a line feed is searched whole, and the next one overlaps it by the needle's length
// less one, so that an occurrence crossing the boundary inside a long line is found.
// Returns the position of the first hit at or after start, or -1 when there is none, when the
// needle is empty or when start lies outside 0..length. A needle longer than chunkUnits is
// read in pieces of its own length.
qsizetype findForward(const ChunkReader& read, qsizetype length, qsizetype start,
                      QStringView needle, qsizetype chunkUnits = kChunkUnits);

// The same search on a text target, reading each piece through its selection (the target's
// selection is left on the last piece read; the caller puts the caret where it wants it).
qsizetype findInTarget(ime::TextTarget& target, qsizetype start, QStringView needle,
                       qsizetype chunkUnits = kChunkUnits);

// True when the needle holds a CR or an LF, so a hit could cross a line break and only
// findForward's piece rules decide whether it counts.
bool spansLines(QStringView needle);

// The find command's search in the editor's text buffer (UTF-16 units, CR LF between lines):
// the hit findForward gives on the same text. A needle without CR and LF lies inside one line
// wherever it occurs, so the pieces cannot hide it, and the buffer is scanned in one pass over
// its own storage; a needle holding CR or LF is read piece by piece from the buffer. Neither
// moves a selection. Returns -1 when nothing is found, when the needle is empty or when start
// lies outside the text.
//
// Over more than parallelUnits units after start, the two halves of that part are searched at
// once on two threads (they overlap by the needle's length less one unit) and the first half's
// hit wins; a needle holding CR or LF then skips the occurrences that cross the line break
// ending one of findForward's pieces, which are the ones the pieces hide. chunkUnits is the
// size of those pieces. The buffer must not change during the call.
qsizetype findInBuffer(const text::TextBuffer& buffer, qsizetype start, QStringView needle,
                       qsizetype chunkUnits = kChunkUnits,
                       qsizetype parallelUnits = kParallelUnits);

// The stress marks that the find option "ignore stress marks" skips: U+0301 COMBINING ACUTE
// ACCENT (what Ctrl+; types) and U+0300 COMBINING GRAVE ACCENT.
constexpr bool isStressMark(char16_t unit) {
    return unit == u'\u0301' || unit == u'\u0300';
}

// An occurrence in the text: its first unit and its length, both in UTF-16 units.
// position is -1 when there is none.
struct Hit {
    qsizetype position = -1;
    qsizetype length = 0;
};

// The find command's search with stress marks ignored: the stress marks are dropped from the
// needle, and the first run of units at or after start that equals what is left, once the
// stress marks among them are skipped, is the hit. Other units are compared exactly (no case
// or other folding), line breaks included. The hit starts at its first matched unit and runs
// over the marks inside it and over those standing directly behind its last unit, so that
// selecting it selects the stressed word whole. The buffer is scanned in one pass over its own
// storage, nothing copied, on two threads over more than parallelUnits units as findInBuffer
// does. No hit when the needle holds nothing but stress marks, when it is empty or when start
// lies outside the text.
Hit findInBufferIgnoringMarks(const text::TextBuffer& buffer, qsizetype start, QStringView needle,
                              qsizetype parallelUnits = kParallelUnits);

} // namespace search
