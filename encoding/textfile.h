#pragma once

#include "encoding/detect.h"
#include "encoding/stream.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace enc {

// The one line loop of every reader of a text file (the editor's open, the command line, the
// tests' reference): after the byte-order mark (SkipBom; the Cyrillic code pages skip none, see
// SkipsByteOrderMark), one line per call with the line-end rules and the decoder the encoding
// demands (EncUtf16 in the byte order SkipBom gives, EncUtf16LeNoBom little-endian). The loop
// ends when the stream is exhausted and the decoded line is empty, or right after a line that
// met the end of the stream. So "a\r\nb\r\n" gives the lines "a" and "b", "a\r\n\r\n" gives
// "a" and "", an empty file no line. Where the decoded units go is the caller's choice.
class LineLoop {
public:
    // Starts reading `in` at its present position (the file's start).
    LineLoop(ByteStream& in, TextEncoding encoding);
    // Continues a read at the start of a line within the text (a piece of a file read on its
    // own, see FindPieceStart): no mark is skipped, UTF-16 is read in `byteOrder`.
    LineLoop(ByteStream& in, TextEncoding encoding, int byteOrder);

    // Decodes the next line into `room(units)`, a place the caller gives for at most `units`
    // units (the decoder may write one more, so room for units + 1 is asked for), and gives
    // the number of units decoded there; nothing when there are no more lines. A read error
    // also ends the lines: the stream's result() tells.
    template <class Room> std::optional<std::size_t> next(Room&& room) {
        if (m_done)
            return std::nullopt;
        const std::span<const std::uint8_t> raw = rawLine();
        const bool exhausted = m_in.atEndOrFailed();
        char16_t* const out = room(maxUnits(raw.size()) + 1);
        const std::size_t units = decode(raw, out);
        if (exhausted) {
            m_done = true;
            if (units == 0)
                return std::nullopt;
        }
        return units;
    }

    // The most units a line of `bytes` raw bytes decodes to.
    std::size_t maxUnits(std::size_t bytes) const { return m_utf16 ? bytes / 2 : bytes; }
    bool utf16() const { return m_utf16; }
    // The byte order UTF-16 is read in (the mark's, or little-endian without one).
    int byteOrder() const { return m_byteOrder; }

private:
    std::span<const std::uint8_t> rawLine();
    std::size_t decode(std::span<const std::uint8_t> raw, char16_t* out) const;

    ByteStream& m_in;
    TextEncoding m_encoding;
    int m_byteOrder;
    bool m_utf16;
    bool m_done = false;
};

// Where the text after the mark may be cut into pieces that the LineLoop reads one by one (the
// continuing constructor for all but the first) and that give, joined, the lines of one read:
// just after a line feed, which ends a line or the CR LF of one, never anything else. A line
// feed is the byte 0A (a trail byte in none of the byte encodings) or, in UTF-16, a pair
// 00 0A or 0A 00 at an even offset from the text's start. `bytes` starts at such an even
// offset; gives the offset in it just past its first line feed, or nothing.
std::optional<std::size_t> FindPieceStart(std::span<const std::uint8_t> bytes, bool utf16);

// Streams the lines of a text file one at a time by the LineLoop. Lines are read whole, of any
// length; the buffers are reused from line to line and from file to file, so memory stays flat.
class TextLineReader {
public:
    // Opens the file as ByteStream::open does; what failed when it cannot be opened.
    FileResult open(const std::string& path, TextEncoding encoding, BomKind bom);
    // Reads bytes the caller keeps alive while the reader is open.
    void openMemory(std::span<const std::uint8_t> bytes, TextEncoding encoding, BomKind bom);
    void close();

    // The next decoded line (UTF-16 units, no line end), valid until the next call; false when
    // there are no more lines. A read error also ends the lines: check result() afterwards.
    bool next(std::u16string_view& line);
    // The read error that ended the lines early, or success.
    FileResult result() const { return m_in.result(); }

    // The line end and end-of-stream rules of the readers, on the bytes buffered in the stream.
    // Each gives the next line's raw bytes (valid until the stream is used again) and leaves the
    // stream as ReadByteLine / ReadUtf16Line would (atEndOrFailed() included).
    static std::span<const std::uint8_t> nextByteLine(ByteStream& in);
    static std::span<const std::uint8_t> nextUtf16Line(ByteStream& in);

private:
    ByteStream m_in;
    std::optional<LineLoop> m_loop;
    std::u16string m_line;
};

// Decodes the raw bytes of one UTF-16 line (an even number of bytes) into units at out (room
// for bytes.size() / 2 units) in the given byte order; returns the number of units.
std::size_t Utf16BytesToUnits(std::span<const std::uint8_t> bytes, int byteOrder, char16_t* out);

// Reads the whole file into `out` as the open command builds its text: the lines of
// TextLineReader joined with '\n' (no line break after the last line). Fails when the file
// cannot be opened or read to its end (a read error is not an end of file), or when its text
// cannot fit in memory (refused before it is read); out is then empty and the result says what
// failed. *stamp receives the file's stamp as it was opened. out's capacity is reused.
FileResult ReadTextFile(const std::string& path, TextEncoding encoding, BomKind bom,
                        std::u16string& out, FileStamp* stamp = nullptr);
// The same for a file held in memory; always succeeds.
void ReadTextBytes(std::span<const std::uint8_t> bytes, TextEncoding encoding, BomKind bom,
                   std::u16string& out);

} // namespace enc
