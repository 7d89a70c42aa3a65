#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace text {
class TextBuffer;
}

// The bytes that "save file(UTF-8)" and the two ASCII exports write, built from the editor's
// text. Plain C++ without Qt: the menu commands and the command line share it, so both write
// the same bytes for the same text.
//
// The text comes in one of two forms. The text buffer's own: a line break is CR followed by LF,
// and every other unit (a lone CR or LF, U+2029, U+FDD0, U+FDD1, U+00A0, U+2028) is a unit of
// its line. Document form: UTF-16 units with U+2029 between lines (what
// QTextDocument::toRawText() gives), every other unit kept as it is. Both give the same bytes
// for a text whose breaks are the only CR, LF and U+2029 in it. Positions in the walk below
// count a line break as the two units CR LF.
namespace textio {

// The line break unit of the document form.
inline constexpr char16_t kLineBreak = u'\u2029';
// Length of one piece of the walk through the text, in CR LF units; the C array's line wrap
// counts within each piece.
inline constexpr std::size_t kPieceSize = 20000;

// Turns decoded text into document form as the editor's document does when the text is put
// into it in one call: CR LF, a lone CR, LF, U+2029, U+FDD0 and U+FDD1 each become one line
// break. Feeding the text in several calls gives the same units as one call (a CR at the end of
// one call and an LF at the start of the next make one break).
class DocumentForm {
public:
    // Appends the document form of `text` to `out`.
    void append(std::u16string_view text, std::u16string& out);
    // The document form of `text`: `text` itself when nothing in it changes, else the units
    // built in `scratch`.
    std::u16string_view convert(std::u16string_view text, std::u16string& scratch);
    void reset() { m_afterCr = false; }

private:
    bool changes(std::u16string_view text) const;

    bool m_afterCr = false;
};

// The document form of `text` (see DocumentForm).
std::u16string toDocumentForm(std::u16string_view text);

// How the text fed to a writer marks its line breaks.
enum class Breaks {
    DocumentForm, // U+2029
    CrLf,         // CR followed by LF, as the text buffer holds them
};

enum class Format {
    Utf8,   // UTF-8, no byte-order mark, lines ended by CR LF, binary
    Html,   // "<html>" page of decimal references, text mode (LF written as CR LF)
    CArray, // wchar_t array of hexadecimal values, text mode
};

// Produces the bytes of one file from the editor's text in document form, fed in any number of
// chunks (a chunk may end anywhere, also inside a surrogate pair).
//
// The walk: the text in its CR LF view, up to but without a line break that ends the text;
// that last break is written by the format's trailer ("\r\n" for UTF-8, one line end for HTML,
// "0xd,0xa," for the C array), so it appears exactly once. Pieces of kPieceSize units run from
// the start; a piece that would end between the CR and the LF of a break ends before the CR
// instead, and the next piece starts there (the editor's selection cannot split a break).
//
// Per unit: UTF-8 writes a high surrogate followed by a low one as one four-byte sequence and
// every other unit as Utf16ToUtf8 does; HTML writes units of 32 and above as "&#n;" (a valid
// surrogate pair as one reference of its code point), units below 32 as that byte (LF as
// CR LF, NUL as nothing); the C array writes "0x%x," per unit and "\r\n    " after every 10th
// unit of a piece.
class TextWriter {
public:
    explicit TextWriter(Format format, Breaks breaks = Breaks::DocumentForm);

    // Appends the header to `out` (nothing for UTF-8). Starts a new file.
    void begin(std::string& out);
    // Appends the bytes of the next units of the text to `out`.
    void feed(std::u16string_view units, std::string& out);
    // Appends what is still held back, the trailer when the text ended with a break, and the
    // footer.
    void finish(std::string& out);

private:
    // A line break in the text: written once more units follow (or by finish as the trailer).
    void breakSeen(std::string& out);
    // Units without a line break in them.
    void feedRun(std::u16string_view run, std::string& out);
    void walkBreak(std::string& out);
    void walkUnit(char16_t u, std::string& out);
    void flushHigh(std::string& out);
    // Runs of units without a line break, formatted a block at a time.
    void feedHtmlRun(std::u16string_view run, std::string& out);
    void feedCRun(std::u16string_view run, std::string& out);
    void startPieceIfDue();

    Format m_format;
    Breaks m_breaks;
    bool m_heldCr = false;    // CR LF text: a CR that an LF at the start of the next chunk joins
    bool m_heldBreak = false; // a break seen; written once more units follow
    char16_t m_heldHigh = 0;  // a high surrogate waiting for its low half (UTF-8, HTML)
    std::uint64_t m_pos = 0;  // CR LF position of the next unit walked
    std::uint64_t m_pieceEnd = 0;
    int m_count = 0; // C array: units written in this piece since the last wrap
};

// All bytes of one file for a text in document form, or in the buffer's CR LF form.
std::string writeAll(Format format, std::u16string_view documentText,
                     Breaks breaks = Breaks::DocumentForm);

// Writes the buffer's text in `format`, reading it through its spans (never copied whole), and
// hands the bytes to `write` in blocks of about kWriteBlockBytes. Returns false as soon as `write`
// does (the rest is not written), true when all of it went out.
inline constexpr std::size_t kWriteBlockBytes = 1 << 20;
bool writeBuffer(Format format, const text::TextBuffer& buffer,
                 const std::function<bool(std::string_view bytes)>& write);

} // namespace textio
