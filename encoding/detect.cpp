#include "encoding/detect.h"

#include "encoding/bytes.h"
#include "encoding/readers.h"
#include "encoding/stream.h"

#include <memory>

namespace enc {
namespace {

constexpr std::size_t kStartSize = SampleSize + 3; // the longest mark plus the sample

bool inRange(std::uint8_t b, std::uint8_t lo, std::uint8_t hi) {
    return b >= lo && b <= hi;
}

// The first bytes of a file, read in one block into a buffer reused by every probe of the
// thread; -1 when the file cannot be opened.
std::ptrdiff_t readStart(const std::string& path, std::span<const std::uint8_t>& start) {
    thread_local std::unique_ptr<std::uint8_t[]> buffer;
    if (!buffer)
        buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kStartSize);
    const std::ptrdiff_t n = ReadFileStart(path, buffer.get(), kStartSize);
    if (n >= 0)
        start = std::span<const std::uint8_t>(buffer.get(), static_cast<std::size_t>(n));
    return n;
}

template <class Check> int probeFile(const std::string& path, Check check) {
    std::span<const std::uint8_t> start;
    if (readStart(path, start) < 0)
        return -2;
    return check(SampleOf(start));
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

int DetectBomBytes(std::span<const std::uint8_t> start) {
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

int GuessUtf16ByteOrderSample(std::span<const std::uint8_t> sample) {
    const std::size_t n = sample.size();
    if (n < 2)
        return -1;
    int count = 0;
    for (std::size_t i = 0; i + 1 < n; i += 2) {
        const std::uint8_t x = sample[i];
        const std::uint8_t y = sample[i + 1];
        if (x == 0 && y != 0)
            return 1;
        if (x == 0x1A && y == 0)
            return count == 0 ? -1 : 0;
        if (x != 0 && y == 0) {
            if (++count == 2)
                return 0;
        }
    }
    return -1;
}

int CheckUtf8Sample(std::span<const std::uint8_t> sample) {
    const std::size_t n = sample.size();
    if (n == 0)
        return -1;
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
                return -1;
            i += 2;
        } else if (c <= 0xEF) {
            if (i + 2 >= n)
                break; // cut off by the end of the sample: counts as well formed
            if (!isContinuation(d) || !isContinuation(sample[i + 2]))
                return -1;
            i += 3;
        } else if (c <= 0xFE) {
            if (i + 3 >= n)
                break;
            if (!isContinuation(d) || !isContinuation(sample[i + 2]) ||
                !isContinuation(sample[i + 3]))
                return -1;
            i += 4;
        } else {
            i += 1; // FF passes as a single byte
        }
    }
    return 0;
}

int CheckSjisSample(std::span<const std::uint8_t> sample) {
    const std::size_t n = sample.size();
    if (n == 0)
        return -1;
    std::size_t i = 0;
    while (i < n) {
        if (i + 1 >= n)
            break;
        const std::uint8_t c = sample[i];
        const std::uint8_t d = sample[i + 1];
        if (inRange(c, 0x81, 0x9F) || inRange(c, 0xE0, 0xFC)) {
            if (!inRange(d, 0x40, 0xFC) || d == 0x7F)
                return -1;
            i += 2;
        } else if (c >= 0x80) {
            if (!inRange(c, 0xA1, 0xDF))
                return -1; // 80, A0, FD, FE, FF
            i += 1;
        } else {
            i += 1;
        }
    }
    return 0;
}

int CheckEucSample(std::span<const std::uint8_t> sample) {
    const std::size_t n = sample.size();
    if (n == 0)
        return -1;
    std::size_t i = 0;
    while (i < n) {
        if (i + 1 >= n)
            break;
        const std::uint8_t c = sample[i];
        const std::uint8_t d = sample[i + 1];
        if (inRange(c, 0xA1, 0xFE)) {
            if (!inRange(d, 0xA1, 0xFE))
                return -1;
            i += 2;
        } else if (c == 0x8E) {
            if (!inRange(d, 0xA1, 0xDF))
                return -1;
            i += 2;
        } else if (c == 0x8F) {
            if (!inRange(d, 0xA1, 0xFE))
                return -1;
            if (i + 2 >= n)
                break;
            if (!inRange(sample[i + 2], 0xA1, 0xFE))
                return -1;
            i += 3;
        } else if (c >= 0x80) {
            return -1;
        } else {
            i += 1;
        }
    }
    return 0;
}

int DetectBom(const std::string& path) {
    std::uint8_t start[3];
    const std::ptrdiff_t n = ReadFileStart(path, start, sizeof start);
    if (n < 0)
        return BomOpenFailed;
    return DetectBomBytes(std::span<const std::uint8_t>(start, static_cast<std::size_t>(n)));
}

int GuessUtf16ByteOrder(const std::string& path) {
    return probeFile(path, GuessUtf16ByteOrderSample);
}
int CheckUtf8(const std::string& path) {
    return probeFile(path, CheckUtf8Sample);
}
int CheckSjis(const std::string& path) {
    return probeFile(path, CheckSjisSample);
}
int CheckEuc(const std::string& path) {
    return probeFile(path, CheckEucSample);
}

Detection DecideEncoding(int bom, int guess, int u, int s, int e) {
    Detection result;
    result.bom = static_cast<BomKind>(bom);
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
    if (guess == 0) {
        result.encoding = EncUtf16LeNoBom;
        return result;
    }
    if (guess == 1) {
        result.encoding = EncUtf16;
        return result;
    }
    if (result.encoding == EncUtf8 && u < 0 && s == 0 && e == 0)
        result.encoding = EncSjis; // valid as Shift_JIS and as EUC: Shift_JIS wins
    if (u == 0 && s < 0 && e < 0)
        result.encoding = EncUtf8;
    if (s == 0 && u < 0 && e < 0)
        result.encoding = EncSjis;
    if (e == 0 && u < 0 && s < 0)
        result.encoding = EncEuc;
    return result;
}

Detection DetectEncoding(const std::string& path) {
    const int bom = DetectBom(path);
    if (bom == BomUtf16Le || bom == BomUtf16Be || bom == BomUtf8)
        return DecideEncoding(bom, -1, -1, -1, -1);
    const int guess = GuessUtf16ByteOrder(path);
    if (guess == 0 || guess == 1)
        return DecideEncoding(bom, guess, -1, -1, -1);
    return DecideEncoding(bom, guess, CheckUtf8(path), CheckSjis(path), CheckEuc(path));
}

Detection DetectEncodingBytes(std::span<const std::uint8_t> file) {
    const int bom = DetectBomBytes(file);
    if (bom != BomNone)
        return DecideEncoding(bom, -1, -1, -1, -1);
    const std::span<const std::uint8_t> sample = SampleOf(file);
    const int guess = GuessUtf16ByteOrderSample(sample);
    if (guess == 0 || guess == 1)
        return DecideEncoding(bom, guess, -1, -1, -1);
    return DecideEncoding(bom, guess, CheckUtf8Sample(sample), CheckSjisSample(sample),
                          CheckEucSample(sample));
}

} // namespace enc
