#include "text/textload.h"

#include "encoding/decoders.h"
#include "encoding/readers.h"
#include "encoding/stream.h"
#include "encoding/textfile.h"

#include <fstream>
#include <new>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text {
namespace {

constexpr std::uint64_t kProgressStep = 1u << 20; // bytes between two progress calls

bool hasLineBreak(std::u16string_view units) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(u'\r');
    const __m128i lf = _mm_set1_epi16(u'\n');
    for (; i + 8 <= units.size(); i += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units.data() + i));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(eight, cr), _mm_cmpeq_epi16(eight, lf))))
            return true;
    }
#endif
    for (; i < units.size(); ++i) {
        if (units[i] == u'\r' || units[i] == u'\n')
            return true;
    }
    return false;
}

bool isUtf16(enc::TextEncoding encoding) {
    return encoding == enc::EncUtf16 || encoding == enc::EncUtf16LeNoBom;
}

std::size_t decodeLine(enc::TextEncoding encoding, int byteOrder, std::span<const std::uint8_t> raw,
                       char16_t* out) {
    switch (encoding) {
    case enc::EncUtf16:
    case enc::EncUtf16LeNoBom:
        return enc::Utf16BytesToUnits(raw, byteOrder, out);
    case enc::EncSjis:
        return enc::SjisToUtf16(raw, out);
    case enc::EncEuc:
        return enc::EucToUtf16(raw, out);
    case enc::EncCp1251:
        return enc::Cp1251ToUtf16(raw, out);
    case enc::EncKoi8r:
        return enc::Koi8rToUtf16(raw, out);
    case enc::EncCp866:
        return enc::Cp866ToUtf16(raw, out);
    default:
        return enc::Utf8ToUtf16(raw, out);
    }
}

enc::FileResult readLines(enc::ByteStream& in, enc::TextEncoding encoding, TextBuilder& out,
                          const LoadProgress& progress) {
    const int mark = enc::SkipsByteOrderMark(encoding) ? enc::SkipBom(in) : enc::kBigEndian;
    const int order = encoding == enc::EncUtf16LeNoBom ? enc::kLittleEndian : mark;
    const bool utf16 = isUtf16(encoding);
    const std::uint64_t size = in.fileSize();
    const std::uint64_t estimate = EstimatedUnits(size, encoding);
    const std::uint64_t free = size > 0 ? AvailableMemory() : 0;
    if (free > 0 && estimate * sizeof(char16_t) > free)
        return enc::FileResult::tooBig();
    out.reserve(static_cast<Pos>(estimate));

    std::u16string line;
    std::uint64_t done = 0;
    std::uint64_t nextReport = kProgressStep;
    bool first = true;
    for (;;) {
        const std::span<const std::uint8_t> raw =
            utf16 ? enc::TextLineReader::nextUtf16Line(in) : enc::TextLineReader::nextByteLine(in);
        const bool exhausted = in.atEndOrFailed();
        const std::size_t room = utf16 ? raw.size() / 2 : raw.size();
        // The line is decoded straight into the text, after the CR LF that ends the line before
        // it; the decoder also writes one unit past its end.
        const Pos lead = first ? 0 : 2;
        char16_t* const at = out.beginAppend(lead + Pos(room) + 1);
        char16_t* const units = at + lead;
        const std::size_t count = decodeLine(encoding, order, raw, units);
        if (exhausted && count == 0)
            break;
        if (!first) {
            at[0] = u'\r';
            at[1] = u'\n';
        }
        const std::u16string_view decoded(units, count);
        if (!hasLineBreak(decoded)) {
            out.endAppend(lead + Pos(count));
        } else {
            // Rare (a decoder's overlong form of CR or LF): the line is taken out and each of
            // its line breaks appended as CR LF.
            line.assign(decoded);
            out.endAppend(lead);
            EmitLine(line, [&out](std::u16string_view piece) { out.append(piece); });
        }
        first = false;
        done = in.consumed();
        if (progress && done >= nextReport) {
            progress(done, size);
            nextReport = done + kProgressStep;
        }
        if (exhausted)
            break;
    }
    if (progress)
        progress(in.consumed(), size);
    return in.result();
}

} // namespace

void EmitLine(std::u16string_view line, const std::function<void(std::u16string_view)>& emit) {
    std::size_t from = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char16_t u = line[i];
        if (u != u'\r' && u != u'\n')
            continue;
        if (i > from)
            emit(line.substr(from, i - from));
        emit(u"\r\n");
        if (u == u'\r' && i + 1 < line.size() && line[i + 1] == u'\n')
            ++i;
        from = i + 1;
    }
    if (from < line.size())
        emit(line.substr(from));
}

std::uint64_t EstimatedUnits(std::uint64_t bytes, enc::TextEncoding encoding) {
    // A byte (two in UTF-16) never gives more than one unit; line ends are one or two bytes
    // that give the two units CR LF, which the 1/16 allowance covers for ordinary lines.
    const std::uint64_t units = isUtf16(encoding) ? bytes / 2 : bytes;
    return units + units / 16 + 16;
}

std::uint64_t AvailableMemory() {
#ifdef __linux__
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    std::string unit;
    while (meminfo >> key >> kb >> unit) {
        if (key == "MemAvailable:")
            return kb * 1024;
    }
#endif
    return enc::PhysicalMemory();
}

enc::FileResult LoadTextFile(const std::string& path, enc::TextEncoding encoding, TextBuilder& out,
                             enc::FileStamp* stamp, const LoadProgress& progress) {
    out = TextBuilder();
    // A stream of this read's own: a read started while another runs (from the event loop the
    // progress hands round) must never close the first one's file under it.
    enc::ByteStream in;
    enc::FileResult result = in.open(path, stamp);
    if (!result)
        return result;
    try {
        result = readLines(in, encoding, out, progress);
    } catch (const std::bad_alloc&) {
        result = enc::FileResult::tooBig();
    }
    in.close();
    if (!result)
        out = TextBuilder(); // never a part of the file: a save would lose the rest
    return result;
}

enc::FileResult LoadTextBytes(std::span<const std::uint8_t> bytes, enc::TextEncoding encoding,
                              TextBuilder& out) {
    out = TextBuilder();
    enc::ByteStream in;
    in.openMemory(bytes);
    return readLines(in, encoding, out, {});
}

} // namespace text
