#include "text/textload.h"

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

enc::FileResult readLines(enc::ByteStream& in, enc::TextEncoding encoding, TextBuilder& out,
                          const LoadProgress& progress) {
    enc::LineLoop loop(in, encoding);
    const std::uint64_t size = in.fileSize();
    const std::uint64_t estimate = EstimatedUnits(size, encoding);
    const std::uint64_t free = size > 0 ? AvailableMemory() : 0;
    if (free > 0 && estimate * sizeof(char16_t) > free)
        return enc::FileResult::tooBig();
    out.reserve(static_cast<Pos>(estimate));

    std::u16string line;
    std::uint64_t nextReport = kProgressStep;
    bool first = true;
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
            EmitLine(line, [&out](std::u16string_view piece) { out.append(piece); });
        }
        first = false;
        if (progress && in.consumed() >= nextReport) {
            progress(in.consumed(), size);
            nextReport = in.consumed() + kProgressStep;
        }
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

enc::FileResult LoadTextStream(enc::ByteStream& in, enc::TextEncoding encoding, TextBuilder& out,
                               const LoadProgress& progress) {
    out = TextBuilder();
    enc::FileResult result;
    try {
        result = readLines(in, encoding, out, progress);
    } catch (const std::bad_alloc&) {
        result = enc::FileResult::tooBig();
    }
    if (!result)
        out = TextBuilder(); // never a part of the file: a save would lose the rest
    return result;
}

enc::FileResult LoadTextFile(const std::string& path, enc::TextEncoding encoding, TextBuilder& out,
                             enc::FileStamp* stamp, const LoadProgress& progress) {
    out = TextBuilder();
    // A stream of this read's own: a read started while another runs must never close the
    // first one's file under it.
    enc::ByteStream in;
    const enc::FileResult opened = in.open(path, stamp);
    if (!opened)
        return opened;
    return LoadTextStream(in, encoding, out, progress);
}

enc::FileResult LoadTextBytes(std::span<const std::uint8_t> bytes, enc::TextEncoding encoding,
                              TextBuilder& out) {
    out = TextBuilder();
    enc::ByteStream in;
    in.openMemory(bytes);
    return readLines(in, encoding, out, {});
}

} // namespace text
