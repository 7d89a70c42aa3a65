// The bytes of "save file(UTF-8)" and of the two ASCII exports for any text.
// Input: one byte that picks the chunk sizes, then UTF-16 units, two bytes each, little-endian,
// taken as the text buffer holds them (CR LF between lines, every other unit as it is).
// Checks: the bytes are those of a plain unit-by-unit writer of the three formats; feeding the
// text in chunks of any size, or writing it from a text buffer through its spans, changes
// nothing, nor does writing it in small blocks on the writing thread, where a refused block
// ends the file; both exports are pure ASCII; and the saved UTF-8, read back into a buffer as the
// open command reads it, gives the text again (without the break that ends it), U+2029, U+FDD0
// and U+FDD1 included.
#include "encoding/textwriter.h"
#include "encoding/utf16.h"
#include "text/textbuffer.h"
#include "text/textload.h"
#include "text/textspans.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_exports: %s\n", what);
        std::abort();
    }
}

// The bytes of the text fed in chunks whose sizes follow from `chunkKey`.
std::string inChunks(enc::OutputFormat format, std::u16string_view text, std::uint8_t chunkKey) {
    std::string out;
    enc::TextWriter writer(format);
    writer.begin(out);
    std::size_t at = 0;
    std::uint32_t state = chunkKey;
    while (at < text.size()) {
        state = state * 1103515245u + 12345u;
        const std::size_t size = 1 + (state >> 16) % 7;
        writer.feed(text.substr(at, size), out);
        at += size;
    }
    writer.finish(out);
    return out;
}

// The formats written one unit at a time, as plainly as they are described: the walk is the
// text without a CR LF that ends it, which the trailer writes instead.
std::string model(enc::OutputFormat format, std::u16string_view text) {
    const bool endsWithBreak = text.size() >= 2 && text.substr(text.size() - 2) == u"\r\n";
    const std::u16string_view walk = endsWithBreak ? text.substr(0, text.size() - 2) : text;
    std::string out;
    char buf[32];
    if (format == enc::OutputFormat::CArray) {
        out = "  wchar_t unicodestr[]={\r\n    ";
        std::size_t pieceEnd = 0;
        int count = 0;
        for (std::size_t i = 0; i < walk.size(); ++i) {
            if (i == pieceEnd) {
                pieceEnd = i + enc::kPieceSize;
                // A piece never ends between the CR and the LF of a break.
                if (pieceEnd < walk.size() && walk[pieceEnd - 1] == u'\r' &&
                    walk[pieceEnd] == u'\n')
                    --pieceEnd;
                count = 0;
            }
            std::snprintf(buf, sizeof buf, "0x%x,", unsigned(walk[i]));
            out += buf;
            if (++count == 10) {
                out += "\r\n    ";
                count = 0;
            }
        }
        return out + (endsWithBreak ? "0xd,0xa," : "") + "0\r\n  };";
    }
    if (format == enc::OutputFormat::Html)
        out = "<html>\r\n<body>\r\n";
    for (std::size_t i = 0; i < walk.size(); ++i) {
        std::uint32_t c = walk[i];
        if (enc::IsHighSurrogate(walk[i]) && i + 1 < walk.size() &&
            enc::IsLowSurrogate(walk[i + 1])) {
            c = enc::JoinSurrogates(walk[i], walk[i + 1]);
            ++i;
        }
        if (format == enc::OutputFormat::Html) {
            if (c >= 32) {
                std::snprintf(buf, sizeof buf, "&#%u;", unsigned(c));
                out += buf;
            } else if (c == u'\n') {
                out += "\r\n";
            } else if (c != 0) {
                out += char(c);
            }
        } else if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    if (endsWithBreak)
        out += "\r\n";
    if (format == enc::OutputFormat::Html)
        out += "\r\n</body>\r\n</html>";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t chunkKey = data[0];
    std::u16string raw;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        raw.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    for (const enc::OutputFormat format :
         {enc::OutputFormat::Utf8, enc::OutputFormat::Html, enc::OutputFormat::CArray}) {
        const std::string whole = enc::WriteAll(format, raw);
        const char* const names[] = {"UTF-8 bytes", "HTML bytes", "C array bytes"};
        check(whole == model(format, raw), names[static_cast<int>(format)]);
        check(inChunks(format, raw, chunkKey) == whole, "chunks change the bytes");
        // Leaves of a few units cross a leaf in every piece; long texts take longer ones.
        text::TextBuffer buffer(raw.size() < 4096 ? 2 + chunkKey % 9 : 256);
        buffer.assign(raw);
        buffer.insert(buffer.length() / 2, u"");
        std::string fromBuffer;
        const enc::WriteResult written =
            enc::WriteText(format, text::SpansOf(buffer), [&](std::string_view bytes) {
                fromBuffer += bytes;
                return enc::FileResult{};
            });
        check(written && written.offset == fromBuffer.size() && fromBuffer == whole,
              "bytes written from the buffer's spans");
        // Blocks of a few bytes, each written on the writing thread while the next are made:
        // the same bytes, and a refused block ends the file there with nothing written after.
        const std::size_t refused = chunkKey % 3 == 0 ? 1 + chunkKey / 3 % 6 : 0; // 0: none
        std::string piped;
        std::size_t calls = 0;
        const enc::WriteResult result = enc::WriteText(
            format, text::SpansOf(buffer),
            [&](std::string_view bytes) {
                if (++calls == refused)
                    return enc::FileResult::fromErrno(EIO);
                piped += bytes;
                return enc::FileResult{};
            },
            1 + chunkKey % 61);
        if (calls < refused || refused == 0)
            check(result && result.offset == whole.size() && piped == whole,
                  "bytes written in small blocks");
        else
            check(!result && result.fault == enc::WriteFault::Write && calls == refused &&
                      result.offset == piped.size() && whole.starts_with(piped),
                  "a refused block ends the file");
        if (format == enc::OutputFormat::Utf8)
            continue;
        for (const char c : whole)
            check(static_cast<unsigned char>(c) < 0x80, "export not ASCII");
    }

    // Read back: every unit comes back, U+2029, U+FDD0 and U+FDD1 included, where no CR or LF
    // stands outside a CR LF (the line readers end lines at them), no NUL or 1A (they end lines
    // too), no U+FEFF at the start (read as a byte-order mark) and no lone surrogate (UTF-8 has
    // no form of its own for one).
    bool carried = raw.empty() || raw[0] != 0xFEFF;
    for (std::size_t i = 0; i < raw.size() && carried; ++i) {
        const char16_t u = raw[i];
        if (u == u'\r')
            carried = i + 1 < raw.size() && raw[i + 1] == u'\n' && (++i, true);
        else if (u == 0 || u == 0x1A || u == u'\n')
            carried = false;
        else if (enc::IsHighSurrogate(u))
            carried = i + 1 < raw.size() && enc::IsLowSurrogate(raw[i + 1]) && (++i, true);
        else if (enc::IsSurrogate(u))
            carried = false;
    }
    if (carried) {
        const std::string saved = enc::WriteAll(enc::OutputFormat::Utf8, raw);
        text::TextBuilder builder(2 + chunkKey % 5);
        text::LoadTextBytes({reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size()},
                            enc::EncUtf8, builder);
        text::TextBuffer back;
        back.assign(std::move(builder));
        std::u16string expected = raw;
        if (expected.size() >= 2 && expected.compare(expected.size() - 2, 2, u"\r\n") == 0)
            expected.resize(expected.size() - 2);
        check(back.text() == expected, "the saved text does not read back");
    }
    return 0;
}
