// The bytes of "save file(UTF-8)" and of the two ASCII exports for any text.
// Input: one byte that picks the chunk sizes, then UTF-16 units, two bytes each, little-endian;
// the units are taken as they are (the text buffer's form, CR LF between lines) and also put
// into document form as the old editor held them.
// Checks: feeding the text in chunks of any size gives the bytes of one call; both exports are
// pure ASCII; the C array has one value per unit of the walk; the saved UTF-8, read back as the
// open command reads it, gives the text again (without the break that ends it); the buffer's
// form of the document-form text gives the same bytes, also written from a text buffer through
// its spans; and the buffer's form read back into a buffer keeps U+2029, U+FDD0 and U+FDD1.
#include "encoding/detect.h"
#include "encoding/textfile.h"
#include "shell/textio.h"
#include "text/textbuffer.h"
#include "text/textload.h"

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

bool isSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDFFF;
}

// The bytes of the text fed in chunks whose sizes follow from `chunkKey`.
std::string inChunks(textio::Format format, std::u16string_view text, std::uint8_t chunkKey,
                     textio::Breaks breaks = textio::Breaks::DocumentForm) {
    std::string out;
    textio::TextWriter writer(format, breaks);
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

std::size_t count(const std::string& s, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t chunkKey = data[0];
    std::u16string raw;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        raw.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    const std::u16string text = textio::toDocumentForm(raw);
    for (const char16_t u : text)
        check(u != u'\r' && u != u'\n' && u != 0xFDD0 && u != 0xFDD1, "document form");

    for (const textio::Format format :
         {textio::Format::Utf8, textio::Format::Html, textio::Format::CArray}) {
        const std::string whole = textio::writeAll(format, text);
        const char* const names[] = {"chunks change the UTF-8 bytes", "chunks change the HTML",
                                     "chunks change the C array"};
        check(inChunks(format, text, chunkKey) == whole, names[static_cast<int>(format)]);

        // The buffer's form: each break as CR LF gives the same bytes, fed in chunks or
        // written from a buffer whose leaves are small.
        std::u16string crlf;
        for (const char16_t u : text) {
            if (u == textio::kLineBreak)
                crlf += u"\r\n";
            else
                crlf += u;
        }
        check(textio::writeAll(format, crlf, textio::Breaks::CrLf) == whole, "CR LF form bytes");
        check(inChunks(format, crlf, chunkKey, textio::Breaks::CrLf) == whole,
              "CR LF form in chunks");
        // Leaves of a few units cross a leaf in every piece; long texts take longer ones.
        text::TextBuffer buffer(crlf.size() < 4096 ? 2 + chunkKey % 9 : 256);
        buffer.assign(crlf);
        buffer.insert(buffer.length() / 2, u"");
        std::string fromBuffer;
        check(textio::writeBuffer(format, buffer,
                                  [&](std::string_view bytes) {
                                      fromBuffer += bytes;
                                      return true;
                                  }) &&
                  fromBuffer == whole,
              "writeBuffer bytes");
        // Any units at all in the buffer's form: chunks never change the bytes.
        check(inChunks(format, raw, chunkKey, textio::Breaks::CrLf) ==
                  textio::writeAll(format, raw, textio::Breaks::CrLf),
              "chunks change the CR LF form bytes");
        if (format == textio::Format::Utf8)
            continue;
        for (const char c : whole)
            check(static_cast<unsigned char>(c) < 0x80, "export not ASCII");
    }

    // The C array: one value per unit of the CR LF view (a break is two), then the closing 0.
    std::size_t units = 0;
    for (const char16_t u : text)
        units += u == textio::kLineBreak ? 2 : 1;
    check(count(textio::writeAll(textio::Format::CArray, text), "0x") == units,
          "C array value count");

    // Read back: only texts the file format can carry unchanged. NUL and 1A end lines when
    // read, U+FEFF at the start reads as a byte-order mark, and a lone surrogate has no UTF-8
    // form of its own.
    bool carried = text.empty() || text[0] != 0xFEFF;
    for (std::size_t i = 0; i < text.size() && carried; ++i) {
        const char16_t u = text[i];
        if (u == 0 || u == 0x1A)
            carried = false;
        else if (u >= 0xD800 && u <= 0xDBFF)
            carried = i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF &&
                      (++i, true);
        else if (isSurrogate(u))
            carried = false;
    }
    if (carried) {
        const std::string saved = textio::writeAll(textio::Format::Utf8, text);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(saved.data());
        std::u16string back;
        enc::ReadTextBytes({bytes, saved.size()}, enc::EncUtf8, enc::BomNone, back);
        std::u16string expected = text;
        if (!expected.empty() && expected.back() == textio::kLineBreak)
            expected.pop_back();
        check(textio::toDocumentForm(back) == expected, "save does not read back");
    }

    // The buffer's form read back into a buffer: every unit comes back, U+2029, U+FDD0 and
    // U+FDD1 included, where no CR or LF stands outside a CR LF (the line readers end lines
    // at them) and the rest can be carried as above.
    bool carriedAsUnits = raw.empty() || raw[0] != 0xFEFF;
    for (std::size_t i = 0; i < raw.size() && carriedAsUnits; ++i) {
        const char16_t u = raw[i];
        if (u == u'\r')
            carriedAsUnits = i + 1 < raw.size() && raw[i + 1] == u'\n' && (++i, true);
        else if (u == 0 || u == 0x1A || u == u'\n')
            carriedAsUnits = false;
        else if (u >= 0xD800 && u <= 0xDBFF)
            carriedAsUnits =
                i + 1 < raw.size() && raw[i + 1] >= 0xDC00 && raw[i + 1] <= 0xDFFF && (++i, true);
        else if (isSurrogate(u))
            carriedAsUnits = false;
    }
    if (carriedAsUnits) {
        const std::string saved = textio::writeAll(textio::Format::Utf8, raw, textio::Breaks::CrLf);
        text::TextBuilder builder(2 + chunkKey % 5);
        text::LoadTextBytes({reinterpret_cast<const std::uint8_t*>(saved.data()), saved.size()},
                            enc::EncUtf8, builder);
        text::TextBuffer back;
        back.assign(std::move(builder));
        std::u16string expected = raw;
        if (expected.size() >= 2 && expected.compare(expected.size() - 2, 2, u"\r\n") == 0)
            expected.resize(expected.size() - 2);
        check(back.text() == expected, "the buffer's form does not read back");
    }
    return 0;
}
