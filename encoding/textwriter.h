#pragma once

#include "encoding/fileaccess.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The bytes that "save file(UTF-8)" and the two ASCII exports write, made from the editor's
// text as the text buffer holds it: UTF-16 units with the two units CR LF between lines, every
// other unit (a lone CR or LF, U+2029, U+FDD0, U+FDD1, NUL, a lone surrogate) a unit of its line.
// The menus and the command line write through the same functions, so both give the same bytes
// for the same text.
namespace enc {

enum class OutputFormat {
    Utf8,   // UTF-8, no byte-order mark, the text's CR LF as it stands, binary
    Html,   // "<html>" page of decimal references, text mode (an LF byte written as CR LF)
    CArray, // wchar_t array of hexadecimal values, text mode
};

// Length of one piece of the walk through the text, in units; the C array's line wrap counts
// within each piece.
inline constexpr std::size_t kPieceSize = 20000;

// Makes the bytes of one file from the text, fed in any number of chunks (a chunk may end
// anywhere: inside a surrogate pair or between the CR and the LF of a break).
//
// The walk covers the text up to, but without, a CR LF that ends it; that last break is written
// by the format's trailer ("\r\n" for UTF-8, one line end for HTML, "0xd,0xa," for the C array),
// so it appears exactly once. Pieces of kPieceSize units run from the start; a piece that would
// end between the CR and the LF of a break ends before the CR instead, and the next piece starts
// there.
//
// Per unit: UTF-8 writes a high surrogate followed by a low one as one four-byte sequence and
// every other unit as Utf16ToUtf8 does; HTML writes units of 32 and above as "&#n;" (a pair as
// one reference of its code point), units below 32 as that byte (LF as CR LF, NUL as nothing);
// the C array writes "0x%x," per unit and "\r\n    " after every 10th unit of a piece.
class TextWriter {
public:
    // Bytes one unit can take, a C value with the line wrap after it being the longest.
    static constexpr std::size_t kMaxBytesPerUnit = 16;
    // Room that begin(), feed() of `units` units and finish() may each need at `out`.
    static constexpr std::size_t maxBytes(std::size_t units) {
        return kMaxBytesPerUnit * (units + 2) + 64;
    }

    explicit TextWriter(OutputFormat format);

    // Writes the header (nothing for UTF-8) at `out` and starts a new file; returns the end of
    // what was written.
    char* begin(char* out);
    // Writes the bytes of the next units of the text at `out`, which has room for
    // maxBytes(units.size()); returns the end of what was written.
    char* feed(std::u16string_view units, char* out);
    // Writes what was held back, the trailer when the text ended with CR LF, and the footer.
    char* finish(char* out);

    // Takes the next units of the text as feed() does but writes nothing: the writer goes on
    // as if it had written them, so a copy advanced over one part of the text writes the part
    // after it while the original writes the first. Costs the held units and, for the C array,
    // a step per piece, never a step per unit.
    void advance(std::u16string_view units);

    // The same, appending to `out`.
    void begin(std::string& out);
    void feed(std::u16string_view units, std::string& out);
    void finish(std::string& out);

private:
    // How many units at the end of `units` (not empty) wait for what follows: a high surrogate
    // (UTF-8, HTML) that may pair with the next unit, a CR that may start a break, or a CR LF
    // that may be the text's last break.
    std::size_t heldAtEnd(std::u16string_view units) const;
    // Writes units that are not held back; `next` is the unit after them, 0 when not known.
    // With a null `out` only the state moves on (feed() with a null `out` is advance()).
    char* write(std::u16string_view units, char16_t next, char* out);
    char* writeC(std::u16string_view units, char16_t next, char* out);

    OutputFormat m_format;
    char16_t m_held[2] = {}; // units held back, and room for the one a high half pairs with
    std::size_t m_heldCount = 0;
    std::uint64_t m_pos = 0; // C array: position of the next unit written
    std::uint64_t m_pieceEnd = 0;
    int m_count = 0; // C array: units written in this piece since the last wrap
};

// All bytes of one file for `text` (small texts and tests).
std::string WriteAll(OutputFormat format, std::u16string_view text);

// What failed while a text was written to a file.
enum class WriteFault {
    None,
    Open,    // the file could not be opened or created
    Write,   // writing its bytes failed
    NoSpace, // the disk, or the user's share of it, is full, or the file-size limit is reached
    Commit,  // the bytes were written but could not be put in the file's place
};

struct WriteResult {
    WriteFault fault = WriteFault::None;
    FileResult cause;         // the system's reason, when a call failed
    std::uint64_t offset = 0; // bytes of the file written before the failure; all of them on
                              // success

    explicit operator bool() const { return fault == WriteFault::None; }
    // A failure of `step` (Write or Commit become NoSpace when the cause is a full disk).
    static WriteResult failed(WriteFault step, FileResult cause, std::uint64_t offset = 0);
};

// A text handed over as contiguous pieces in order: TextSpans calls the visitor with each
// piece and stops as soon as it returns false. A piece is valid only during its call.
using SpanVisitor = std::function<bool(std::u16string_view)>;
using TextSpans = std::function<void(const SpanVisitor&)>;
// Takes the next bytes of the file; success, or why they could not be written.
using ByteSink = std::function<FileResult(std::string_view bytes)>;

// Bytes handed to the sink at a time, about.
inline constexpr std::size_t kWriteBlockBytes = 1 << 20;

// Writes the text in `format` to `sink` in blocks of about blockBytes, never holding the
// text or its bytes whole. From the second block on, the sink takes each block on a thread of
// its own while the next ones are made (at most four blocks in memory); the bytes are made on two
// threads, each encoding half of a long span into a block of its own. The sink is called in
// order, one block at a time, and never after WriteText returns. Stops at the first block the sink
// refuses: the result says what failed and after how many bytes; nothing after that is handed
// to the sink, and the text is read at most two blocks further.
WriteResult WriteText(OutputFormat format, const TextSpans& text, const ByteSink& sink,
                      std::size_t blockBytes = kWriteBlockBytes);

} // namespace enc
