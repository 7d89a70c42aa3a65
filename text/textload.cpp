#include "text/textload.h"

#include "encoding/decoders.h"
#include "encoding/readers.h"
#include "encoding/stream.h"
#include "encoding/textfile.h"

namespace text {

namespace {

constexpr std::uint64_t kProgressStep = 1 << 20;

bool isUtf16(enc::TextEncoding encoding) {
    return encoding == enc::EncUtf16 || encoding == enc::EncUtf16LeNoBom;
}

std::size_t decodeBytes(enc::TextEncoding encoding, std::span<const std::uint8_t> line,
                        char16_t* out) {
    switch (encoding) {
    case enc::EncSjis:
        return enc::SjisToUtf16(line, out);
    case enc::EncEuc:
        return enc::EucToUtf16(line, out);
    default:
        return enc::Utf8ToUtf16(line, out);
    }
}

LoadResult load(enc::ByteStream& in, enc::TextEncoding encoding, TextBuilder& out,
                const LoadProgress& progress) {
    LoadResult result;
    const int mark = enc::SkipBom(in);
    const int order = encoding == enc::EncUtf16LeNoBom ? enc::kLittleEndian : mark;
    const bool utf16 = isUtf16(encoding);
    const std::uint64_t total = in.fileSize();
    if (total > 0)
        out.reserve(maxUnitsOf(total, encoding));

    std::uint64_t told = 0;
    bool first = true;
    for (;;) {
        const std::span<const std::uint8_t> raw =
            utf16 ? enc::TextLineReader::nextUtf16Line(in) : enc::TextLineReader::nextByteLine(in);
        const bool exhausted = in.atEndOrFailed();
        // The line is decoded right after room for the CR LF that joins it to the one before;
        // a byte decoder also writes a terminating zero after the units.
        const Pos gap = first ? 0 : 2;
        const Pos room = gap + Pos(utf16 ? raw.size() / 2 : raw.size()) + 1;
        char16_t* const at = out.beginAppend(room);
        const Pos units = Pos(utf16 ? enc::Utf16BytesToUnits(raw, order, at + gap)
                                    : decodeBytes(encoding, raw, at + gap));
        // The stream ended after a line break: the text ends with that line, not an empty one.
        if (exhausted && units == 0)
            break;
        if (!first) {
            at[0] = u'\r';
            at[1] = u'\n';
        }
        out.endAppend(gap + units);
        first = false;
        ++result.lines;
        if (progress && in.consumed() - told >= kProgressStep) {
            told = in.consumed();
            progress(told, total);
        }
        if (exhausted)
            break;
    }
    result.bytesRead = in.consumed();
    result.status = in.failed() ? LoadStatus::ReadError : LoadStatus::Opened;
    if (progress)
        progress(result.bytesRead, total);
    return result;
}

} // namespace

Pos maxUnitsOf(std::uint64_t bytes, enc::TextEncoding encoding) {
    return Pos(isUtf16(encoding) ? bytes : 2 * bytes) + 2;
}

LoadResult loadTextFile(const std::string& path, enc::TextEncoding encoding, TextBuilder& out,
                        const LoadProgress& progress) {
    enc::ByteStream in;
    if (!in.open(path)) {
        LoadResult result;
        result.status = LoadStatus::CannotOpen;
        return result;
    }
    return load(in, encoding, out, progress);
}

LoadResult loadTextBytes(std::span<const std::uint8_t> bytes, enc::TextEncoding encoding,
                         TextBuilder& out) {
    enc::ByteStream in;
    in.openMemory(bytes);
    return load(in, encoding, out, {});
}

} // namespace text
