// Fuzz target for the encoding library: detection, every reader/decoder pair over arbitrary
// bytes (the Cyrillic code pages included), the fast whole-file and streaming readers against the
// one-line-a-call loop, the dense tables against the searched ones, and the UTF-8 round trip.
#include "encoding/decoders.h"
#include "encoding/detect.h"
#include "encoding/readers.h"
#include "encoding/tables.h"
#include "encoding/textfile.h"
#include "encoding/utf8writer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

using namespace enc;

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_encoding: %s\n", what);
        std::abort();
    }
}

constexpr TextEncoding kAll[] = {EncSjis, EncUtf16,  EncUtf16LeNoBom, EncUtf8,
                                 EncEuc,  EncCp1251, EncKoi8r,        EncCp866};

// The open command's line loop over ReadByteLine / ReadUtf16Line and the decoders.
std::u16string openLoop(std::span<const std::uint8_t> bytes, TextEncoding encoding) {
    ByteStream in;
    in.openMemory(bytes);
    const int order = SkipsByteOrderMark(encoding) ? SkipBom(in) : kBigEndian;
    std::u16string text;
    std::vector<std::uint8_t> byteLine;
    std::u16string line;
    for (int k = 0;; ++k) {
        std::ptrdiff_t r;
        if (encoding == EncUtf16 || encoding == EncUtf16LeNoBom) {
            r = ReadUtf16Line(in, line, encoding == EncUtf16 ? order : kLittleEndian);
        } else {
            r = ReadByteLine(in, byteLine);
            check(r == -1 || r == static_cast<std::ptrdiff_t>(byteLine.size()), "byte line length");
            if (encoding == EncSjis)
                SjisToUtf16(byteLine, line);
            else if (encoding == EncEuc)
                EucToUtf16(byteLine, line);
            else if (encoding == EncCp1251)
                Cp1251ToUtf16(byteLine, line);
            else if (encoding == EncKoi8r)
                Koi8rToUtf16(byteLine, line);
            else if (encoding == EncCp866)
                Cp866ToUtf16(byteLine, line);
            else
                Utf8ToUtf16(byteLine, line);
            check(line.size() <= byteLine.size(), "more units than bytes");
        }
        check(r >= -1, "reader result");
        if (in.atEndOrFailed() && line.empty())
            break;
        if (k > 0)
            text += u'\n';
        text += line;
        if (in.atEndOrFailed())
            break;
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    // Detection and the probes.
    const Detection detected = DetectEncodingBytes(bytes);
    check(EncodingLabel(detected.encoding, detected.bom) != nullptr, "label");
    const std::span<const std::uint8_t> sample = SampleOf(bytes);
    check(sample.size() <= SampleSize, "sample size");
    const int probes[] = {int(GuessUtf16ByteOrderSample(sample)), int(CheckUtf8Sample(sample)),
                          int(CheckSjisSample(sample)), int(CheckEucSample(sample))};
    for (int p : probes)
        check(p >= -1 && p <= 1, "probe result");

    // Every reader/decoder pair: the line loop, the whole-file reader and the streaming reader
    // give the same text.
    std::u16string whole;
    for (TextEncoding e : kAll) {
        const std::u16string expected = openLoop(bytes, e);
        ReadTextBytes(bytes, e, detected.bom, whole);
        check(whole == expected, "ReadTextBytes differs from the line loop");
        TextLineReader reader;
        reader.openMemory(bytes, e, detected.bom);
        std::u16string streamed;
        std::u16string_view line;
        for (int k = 0; reader.next(line); ++k) {
            if (k > 0)
                streamed += u'\n';
            streamed += line;
        }
        check(streamed == expected, "TextLineReader differs from the line loop");
    }

    // The decoders on the raw bytes (NUL, CR and all), the dense tables on the codes in them.
    std::vector<char16_t> units(size + 1);
    check(SjisToUtf16(bytes, units.data()) <= size, "sjis length");
    check(EucToUtf16(bytes, units.data()) <= size, "euc length");
    // The Cyrillic code pages: one unit per byte, each the table's unit for it.
    struct SingleByte {
        std::size_t (*decode)(std::span<const std::uint8_t>, char16_t*);
        char16_t (*lookup)(std::uint8_t);
    };
    const SingleByte cyrillic[] = {
        {Cp1251ToUtf16, LookupCp1251}, {Koi8rToUtf16, LookupKoi8r}, {Cp866ToUtf16, LookupCp866}};
    for (const SingleByte& page : cyrillic) {
        check(page.decode(bytes, units.data()) == size && units[size] == 0, "cyrillic length");
        for (std::size_t i = 0; i < size; ++i)
            check(units[i] == page.lookup(data[i]), "cyrillic unit");
    }
    const std::size_t n = Utf8ToUtf16(bytes, units.data());
    check(n <= size && units[n] == 0, "utf-8 length");
    for (std::size_t i = 0; i + 1 < size; ++i) {
        const std::uint16_t key = static_cast<std::uint16_t>(data[i] << 8 | data[i + 1]);
        check(DenseSjis()[key] == LookupSjis(key), "dense sjis");
        check(DenseEuc()[key] == LookupEuc(key), "dense euc");
    }

    // Round trip: any units without CR survive encode + decode.
    std::u16string text;
    for (std::size_t i = 0; i < n; ++i) {
        if (units[i] != u'\r')
            text.push_back(units[i]);
    }
    std::string utf8;
    AppendUtf8(text, utf8);
    check(utf8.size() <= 3 * text.size(), "utf-8 size");
    std::u16string back;
    Utf8ToUtf16(std::span(reinterpret_cast<const std::uint8_t*>(utf8.data()), utf8.size()), back);
    check(back == text, "utf-8 round trip");
    return 0;
}
