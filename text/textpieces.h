#pragma once

#include "encoding/stream.h"
#include "encoding/textfile.h"
#include "text/textload.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// What the reads of a file in pieces share: where the bytes come from, where a piece may start,
// how many processors there are, and the loop that decodes a piece's lines. Plain C++ without
// Qt.
namespace text::detail {

inline constexpr std::uint64_t kProgressStep = 1u << 20; // bytes between two progress calls

// Whether the units hold a CR or an LF.
bool hasLineBreak(std::u16string_view units);

// The processors this process may run on (at least 1).
unsigned usableProcessors();
// The piece size a test asked for (testing::SetPieceBytes), 0 for the usual ones.
std::uint64_t forcedPieceBytes();

// Where the bytes come from: an open file read at offsets, or the bytes of a memory stream.
// Offsets are those of the stream (from the file's or the memory's start).
struct Source {
    enc::NativeFile file = enc::kNoFile;
    std::span<const std::uint8_t> memory; // from offset `memoryAt` on, when there is no file
    std::uint64_t memoryAt = 0;
    std::uint64_t size = 0; // the file's size as it was opened
};

// Where the bytes of `in` come from, from its present position on.
Source sourceOf(const enc::ByteStream& in);

// The first piece start at or after `from` and before `limit`: nothing when there is none or
// the bytes cannot be read.
std::optional<std::uint64_t> findPieceStart(const Source& source, std::uint64_t from,
                                            std::uint64_t limit, bool utf16);

// Decodes the lines `loop` gives into `out`, each after the CR LF that ends the line before it
// (none before the first when `first`). tick() runs after every line; decoding stops when it
// returns false.
template <class Out, class Tick>
void decodeLines(enc::LineLoop& loop, Out& out, bool first, Tick&& tick) {
    std::u16string line;
    // Each line is decoded straight into the text, after the CR LF that ends the line before it.
    Pos lead = 0;
    char16_t* at = nullptr;
    const auto room = [&](std::size_t units) {
        lead = first ? 0 : 2;
        at = out.beginAppend(lead + Pos(units));
        return at + lead;
    };
    while (const std::optional<std::size_t> count = loop.next(room)) {
        if (!first) {
            at[0] = u'\r';
            at[1] = u'\n';
        }
        const std::u16string_view decoded(at + lead, *count);
        if (!hasLineBreak(decoded)) {
            out.endAppend(lead + Pos(*count));
        } else {
            // Rare (a decoder's overlong form of CR or LF): the line is taken out and each of
            // its line breaks appended as CR LF.
            line.assign(decoded);
            out.endAppend(lead);
            EmitLine(line, [&out](std::u16string_view part) { out.append(part); });
        }
        first = false;
        if (!tick())
            return;
    }
}

} // namespace text::detail
