#include "encoding/decoders.h"

#include "encoding/bytes.h"
#include "encoding/tables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace enc {
namespace {

constexpr std::uint8_t kCr = 0x0D;

bool isSjisLead(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isSjisTrail(std::uint8_t b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Copies the run of bytes below 80 (and, when skipCr, not CR) at the start of [p, end) as
// units; returns how many bytes it took. Any byte it stops at is left for the caller.
inline std::size_t widenAscii(const std::uint8_t* p, std::size_t n, char16_t* out, bool skipCr) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i cr = _mm_set1_epi8(static_cast<char>(kCr));
    while (i + 16 <= n) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        int stop = _mm_movemask_epi8(bytes);
        if (skipCr)
            stop |= _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr));
        if (stop != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
        i += 16;
    }
#endif
    while (i < n && p[i] < 0x80 && !(skipCr && p[i] == kCr)) {
        out[i] = p[i];
        ++i;
    }
    return i;
}

} // namespace

std::size_t SjisToUtf16(std::span<const std::uint8_t> line, char16_t* out) {
    const char16_t* const dense = DenseSjis();
    const std::uint8_t* p = line.data();
    const std::size_t n = line.size();
    char16_t* o = out;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            // 00..7F map to themselves.
            const std::size_t run = widenAscii(p + i, n - i, o, false);
            i += run;
            o += run;
            continue;
        }
        if (isSjisLead(b) && i + 1 < n && isSjisTrail(p[i + 1])) {
            *o++ = dense[b << 8 | p[i + 1]];
            i += 2;
        } else {
            *o++ = dense[b];
            ++i;
        }
    }
    *o = 0;
    return static_cast<std::size_t>(o - out);
}

std::size_t EucToUtf16(std::span<const std::uint8_t> line, char16_t* out) {
    const char16_t* const dense = DenseEuc();
    const std::uint8_t* p = line.data();
    const std::size_t n = line.size();
    char16_t* o = out;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            const std::size_t run = widenAscii(p + i, n - i, o, false);
            i += run;
            o += run;
            continue;
        }
        if (i + 1 >= n)
            break; // a lone last byte is dropped
        *o++ = dense[b << 8 | p[i + 1]];
        i += 2;
    }
    *o = 0;
    return static_cast<std::size_t>(o - out);
}

namespace {

// One unit per byte: runs of ASCII are widened as they are, every other byte looked up.
std::size_t singleByteToUtf16(std::span<const std::uint8_t> line, char16_t* out,
                              const char16_t* dense) {
    const std::uint8_t* p = line.data();
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            i += widenAscii(p + i, n - i, out + i, false);
            continue;
        }
        out[i] = dense[p[i]];
        ++i;
    }
    out[n] = 0;
    return n;
}

} // namespace

std::size_t Cp1251ToUtf16(std::span<const std::uint8_t> line, char16_t* out) {
    return singleByteToUtf16(line, out, DenseCp1251());
}

std::size_t Koi8rToUtf16(std::span<const std::uint8_t> line, char16_t* out) {
    return singleByteToUtf16(line, out, DenseKoi8r());
}

std::size_t Cp866ToUtf16(std::span<const std::uint8_t> line, char16_t* out) {
    return singleByteToUtf16(line, out, DenseCp866());
}

std::size_t Utf8ToUtf16(std::span<const std::uint8_t> line, char16_t* out) {
    const std::uint8_t* p = line.data();
    const std::size_t n = line.size();
    char16_t* o = out;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = p[i];
        if (b < 0x80) {
            if (b == kCr) {
                ++i;
                continue;
            }
            const std::size_t run = widenAscii(p + i, n - i, o, true);
            i += run;
            o += run;
            continue;
        }
        const unsigned c1 = i + 1 < n ? p[i + 1] : 0;
        if ((b & 0xE0) == 0xC0) {
            *o++ = static_cast<char16_t>((b & 0x1F) << 6 | (c1 & 0x3F));
            i += 2;
            continue;
        }
        const unsigned c2 = i + 2 < n ? p[i + 2] : 0;
        if (b >= 0xF0 && b <= 0xF4 && i + 3 < n && isContinuation(static_cast<std::uint8_t>(c1)) &&
            isContinuation(static_cast<std::uint8_t>(c2)) && isContinuation(p[i + 3])) {
            const std::uint32_t cp = std::uint32_t(b & 0x07) << 18 | (c1 & 0x3F) << 12 |
                                     (c2 & 0x3F) << 6 | (p[i + 3] & 0x3Fu);
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                *o++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
                *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
                i += 4;
                continue;
            }
        }
        *o++ = static_cast<char16_t>((b & 0x0F) << 12 | (c1 & 0x3F) << 6 | (c2 & 0x3F));
        i += 3;
    }
    *o = 0;
    return static_cast<std::size_t>(o - out);
}

namespace {

template <class Decoder>
void decodeInto(std::span<const std::uint8_t> line, std::u16string& out, Decoder decode) {
    out.resize(line.size() + 1);
    out.resize(decode(line, out.data()));
}

} // namespace

void SjisToUtf16(std::span<const std::uint8_t> line, std::u16string& out) {
    decodeInto(line, out, [](auto l, char16_t* o) { return SjisToUtf16(l, o); });
}

void EucToUtf16(std::span<const std::uint8_t> line, std::u16string& out) {
    decodeInto(line, out, [](auto l, char16_t* o) { return EucToUtf16(l, o); });
}

void Utf8ToUtf16(std::span<const std::uint8_t> line, std::u16string& out) {
    decodeInto(line, out, [](auto l, char16_t* o) { return Utf8ToUtf16(l, o); });
}

void Cp1251ToUtf16(std::span<const std::uint8_t> line, std::u16string& out) {
    decodeInto(line, out, [](auto l, char16_t* o) { return Cp1251ToUtf16(l, o); });
}

void Koi8rToUtf16(std::span<const std::uint8_t> line, std::u16string& out) {
    decodeInto(line, out, [](auto l, char16_t* o) { return Koi8rToUtf16(l, o); });
}

void Cp866ToUtf16(std::span<const std::uint8_t> line, std::u16string& out) {
    decodeInto(line, out, [](auto l, char16_t* o) { return Cp866ToUtf16(l, o); });
}

} // namespace enc
