#include "encoding/detect.h"

#include "encoding/bytes.h"
#include "encoding/readers.h"
#include "encoding/stream.h"

#include <cstring>
#include <memory>

namespace enc {
namespace {

constexpr std::size_t kStartSize = SampleSize + 3; // the longest mark plus the sample

bool inRange(std::uint8_t b, std::uint8_t lo, std::uint8_t hi) {
    return b >= lo && b <= hi;
}

// The first bytes of a file, read in one block into a buffer reused by every probe of the
// thread; what failed when the file cannot be opened.
FileResult readStart(const std::string& path, std::span<const std::uint8_t>& start) {
    thread_local std::unique_ptr<std::uint8_t[]> buffer;
    if (!buffer)
        buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kStartSize);
    std::size_t got = 0;
    const FileResult opened = ReadFileStart(path, buffer.get(), kStartSize, got);
    if (opened)
        start = std::span<const std::uint8_t>(buffer.get(), got);
    return opened;
}

template <class Result, class Check> Result probeFile(const std::string& path, Check check) {
    std::span<const std::uint8_t> start;
    if (!readStart(path, start))
        return Result::OpenFailed;
    return check(SampleOf(start));
}

bool wellFormed(SampleCheck check) {
    return check == SampleCheck::WellFormed;
}

} // namespace

const char* EncodingLabel(TextEncoding encoding, BomKind bom) {
    switch (encoding) {
    case EncSjis:
        return "SJIS";
    case EncUtf16:
        if (bom == BomUtf16Le)
            return "UTF16 BOM LE";
        if (bom == BomUtf16Be)
            return "UTF16 BOM BE";
        return "UTF16 nonBOM BE";
    case EncUtf16LeNoBom:
        return "UTF16 nonBOM LE";
    case EncUtf8:
        return bom == BomUtf8 ? "UTF-8 BOM" : "UTF-8 nonBOM";
    case EncEuc:
        return "EUC";
    case EncCp1251:
        return "Windows-1251";
    case EncKoi8r:
        return "KOI8-R";
    case EncCp866:
        return "CP866";
    }
    return "UTF-8 nonBOM";
}

std::span<const std::uint8_t> SampleOf(std::span<const std::uint8_t> start) {
    ByteStream in;
    in.openMemory(start);
    SkipBom(in);
    const std::size_t skipped = static_cast<std::size_t>(in.cur() - start.data());
    std::span<const std::uint8_t> sample = start.subspan(skipped);
    return sample.size() > SampleSize ? sample.first(SampleSize) : sample;
}

BomKind DetectBomBytes(std::span<const std::uint8_t> start) {
    if (start.size() < 2)
        return BomNone;
    const std::uint8_t b0 = start[0];
    const std::uint8_t b1 = start[1];
    if (b0 == 0xFF && b1 == 0xFE)
        return BomUtf16Le;
    if (b0 == 0xFE && b1 == 0xFF)
        return BomUtf16Be;
    if (b0 == 0xEF && b1 == 0xBB && start.size() >= 3 && start[2] == 0xBF)
        return BomUtf8;
    return BomNone;
}

ByteOrderGuess GuessUtf16ByteOrderSample(std::span<const std::uint8_t> sample) {
    const std::size_t n = sample.size();
    // Every pair that tells the byte order holds a zero byte; most samples hold none.
    if (n < 2 || std::memchr(sample.data(), 0, n) == nullptr)
        return ByteOrderGuess::Undecided;
    int count = 0;
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        const std::uint8_t x = sample[i];
        const std::uint8_t y = sample[i + 1];
        if (x == 0 && y != 0)
            return ByteOrderGuess::BigEndian;
        if (x == 0x1A && y == 0)
            return count == 0 ? ByteOrderGuess::Undecided : ByteOrderGuess::LittleEndian;
        if (x != 0 && y == 0) {
            if (++count == 2)
                return ByteOrderGuess::LittleEndian;
        }
    }
    return ByteOrderGuess::Undecided;
}

SampleCheck CheckUtf8Sample(std::span<const std::uint8_t> sample) {
    const std::size_t n = sample.size();
    if (n == 0)
        return SampleCheck::Malformed;
    std::size_t i = 0;
    while (i < n) {
        if (i + 1 >= n)
            break; // the last byte is not examined
        const std::uint8_t c = sample[i];
        const std::uint8_t d = sample[i + 1];
        if (c < 0x80) {
            i += 1;
        } else if (inRange(c, 0xC2, 0xDF)) {
            if (!isContinuation(d))
                return SampleCheck::Malformed;
            i += 2;
        } else if (c <= 0xEF) {
            if (i + 2 >= n)
                break; // cut off by the end of the sample: counts as well formed
            if (!isContinuation(d) || !isContinuation(sample[i + 2]))
                return SampleCheck::Malformed;
            i += 3;
        } else if (c <= 0xFE) {
            if (i + 3 >= n)
                break;
            if (!isContinuation(d) || !isContinuation(sample[i + 2]) ||
                !isContinuation(sample[i + 3]))
                return SampleCheck::Malformed;
            i += 4;
        } else {
            i += 1; // FF passes as a single byte
        }
    }
    return SampleCheck::WellFormed;
}

SampleCheck CheckSjisSample(std::span<const std::uint8_t> sample) {
    const std::size_t n = sample.size();
    if (n == 0)
        return SampleCheck::Malformed;
    std::size_t i = 0;
    while (i < n) {
        if (i + 1 >= n)
            break;
        const std::uint8_t c = sample[i];
        const std::uint8_t d = sample[i + 1];
        if (inRange(c, 0x81, 0x9F) || inRange(c, 0xE0, 0xFC)) {
            if (!inRange(d, 0x40, 0xFC) || d == 0x7F)
                return SampleCheck::Malformed;
            i += 2;
        } else if (c >= 0x80) {
            if (!inRange(c, 0xA1, 0xDF))
                return SampleCheck::Malformed; // 80, A0, FD, FE, FF
            i += 1;
        } else {
            i += 1;
        }
    }
    return SampleCheck::WellFormed;
}

SampleCheck CheckEucSample(std::span<const std::uint8_t> sample) {
    const std::size_t n = sample.size();
    if (n == 0)
        return SampleCheck::Malformed;
    std::size_t i = 0;
    while (i < n) {
        if (i + 1 >= n)
            break;
        const std::uint8_t c = sample[i];
        const std::uint8_t d = sample[i + 1];
        if (inRange(c, 0xA1, 0xFE)) {
            if (!inRange(d, 0xA1, 0xFE))
                return SampleCheck::Malformed;
            i += 2;
        } else if (c == 0x8E) {
            if (!inRange(d, 0xA1, 0xDF))
                return SampleCheck::Malformed;
            i += 2;
        } else if (c == 0x8F) {
            if (!inRange(d, 0xA1, 0xFE))
                return SampleCheck::Malformed;
            if (i + 2 >= n)
                break;
            if (!inRange(sample[i + 2], 0xA1, 0xFE))
                return SampleCheck::Malformed;
            i += 3;
        } else if (c >= 0x80) {
            return SampleCheck::Malformed;
        } else {
            i += 1;
        }
    }
    return SampleCheck::WellFormed;
}

BomKind DetectBom(const std::string& path) {
    std::uint8_t start[3];
    std::size_t got = 0;
    if (!ReadFileStart(path, start, sizeof start, got))
        return BomOpenFailed;
    return DetectBomBytes(std::span<const std::uint8_t>(start, got));
}

ByteOrderGuess GuessUtf16ByteOrder(const std::string& path) {
    return probeFile<ByteOrderGuess>(path, GuessUtf16ByteOrderSample);
}
SampleCheck CheckUtf8(const std::string& path) {
    return probeFile<SampleCheck>(path, CheckUtf8Sample);
}
SampleCheck CheckSjis(const std::string& path) {
    return probeFile<SampleCheck>(path, CheckSjisSample);
}
SampleCheck CheckEuc(const std::string& path) {
    return probeFile<SampleCheck>(path, CheckEucSample);
}

Detection DecideEncoding(BomKind bom, ByteOrderGuess guess, SampleCheck u, SampleCheck s,
                         SampleCheck e) {
    Detection result;
    result.bom = bom;
    // A byte-order mark decides alone; no guess or check may overrule it.
    if (bom == BomUtf16Le || bom == BomUtf16Be) {
        result.encoding = EncUtf16;
        return result;
    }
    if (bom == BomUtf8) {
        result.encoding = EncUtf8;
        return result;
    }
    result.encoding = EncUtf8;
    if (guess == ByteOrderGuess::LittleEndian) {
        result.encoding = EncUtf16LeNoBom;
        return result;
    }
    if (guess == ByteOrderGuess::BigEndian) {
        result.encoding = EncUtf16;
        return result;
    }
    // A check that could not open its file counts as one that failed.
    const bool utf8 = wellFormed(u), sjis = wellFormed(s), euc = wellFormed(e);
    if (result.encoding == EncUtf8 && !utf8 && sjis && euc)
        result.encoding = EncSjis; // valid as Shift_JIS and as EUC: Shift_JIS wins
    if (utf8 && !sjis && !euc)
        result.encoding = EncUtf8;
    if (sjis && !utf8 && !euc)
        result.encoding = EncSjis;
    if (euc && !utf8 && !sjis)
        result.encoding = EncEuc;
    return result;
}

// One pipeline for files and memory: the file's first bytes are read once and decided as bytes
// in memory are. Every probe of a file looks at the same first bytes, so this is what the five
// probes would decide one by one, without opening the file five times.
Detection DetectEncoding(const std::string& path) {
    std::span<const std::uint8_t> start;
    if (!readStart(path, start))
        return DecideEncoding(BomOpenFailed, ByteOrderGuess::OpenFailed, SampleCheck::OpenFailed,
                              SampleCheck::OpenFailed, SampleCheck::OpenFailed);
    return DetectEncodingBytes(start);
}

Detection DetectEncodingBytes(std::span<const std::uint8_t> file) {
    constexpr auto kNotRun = SampleCheck::Malformed; // probes that a decided step skips
    const BomKind bom = DetectBomBytes(file);
    if (bom != BomNone)
        return DecideEncoding(bom, ByteOrderGuess::Undecided, kNotRun, kNotRun, kNotRun);
    const std::span<const std::uint8_t> sample = SampleOf(file);
    const ByteOrderGuess guess = GuessUtf16ByteOrderSample(sample);
    if (guess != ByteOrderGuess::Undecided)
        return DecideEncoding(bom, guess, kNotRun, kNotRun, kNotRun);
    return DecideEncoding(bom, guess, CheckUtf8Sample(sample), CheckSjisSample(sample),
                          CheckEucSample(sample));
}

Detection DetectEncodingStream(ByteStream& in) {
    return DetectEncodingBytes(in.peek(SampleSize + 3));
}

BomKind DetectBomStream(ByteStream& in) {
    return DetectBomBytes(in.peek(3));
}

} // namespace enc
