#include "encoding/utf8writer.h"

#include "encoding/utf16.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <tmmintrin.h>
#define TOVILO_UTF8_SHUFFLE 1
#endif

namespace enc {
namespace {

#if defined(TOVILO_UTF8_SHUFFLE)
// For each set of eight units of one or two bytes (bit k set: unit k takes two), the shuffle
// that packs the bytes of the eight 16-bit lanes (the first byte, then the second if any) to
// the front, and how many bytes that makes.
struct PackTable {
    std::uint8_t shuffle[256][16];
    std::uint8_t length[256];
};

constexpr PackTable makePackTable() {
    PackTable t{};
    for (int mask = 0; mask < 256; ++mask) {
        int at = 0;
        for (int k = 0; k < 8; ++k) {
            t.shuffle[mask][at++] = std::uint8_t(2 * k);
            if ((mask >> k) & 1)
                t.shuffle[mask][at++] = std::uint8_t(2 * k + 1);
        }
        t.length[mask] = std::uint8_t(at);
        for (; at < 16; ++at)
            t.shuffle[mask][at] = 0x80;
    }
    return t;
}

constexpr PackTable kPack = makePackTable();

// Encodes blocks of eight units while every unit of the block is below 800 (Latin, Cyrillic,
// Greek and the spaces between them); returns the units taken, a multiple of eight, and moves
// `o` past their bytes. Each block stores 16 bytes, which the room for 3 bytes a unit allows.
__attribute__((target("ssse3"))) std::size_t encodeShortUnits(const char16_t* p, std::size_t n,
                                                              std::uint8_t*& o) {
    std::size_t i = 0;
    const __m128i above7FF = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i above7F = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i low6 = _mm_set1_epi16(0x3F);
    const __m128i lead = _mm_set1_epi16(0xC0);
    const __m128i trail = _mm_set1_epi16(0x80);
    const __m128i zero = _mm_setzero_si128();
    while (i + 8 <= n) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, above7FF), zero)) != 0xFFFF)
            break;
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, above7F), zero);
        const unsigned two = ~unsigned(_mm_movemask_epi8(_mm_packs_epi16(ascii, zero))) & 0xFFu;
        // Lead byte 110xxxxx, then trail byte 10xxxxxx, in the lane's two bytes.
        const __m128i pair =
            _mm_or_si128(_mm_or_si128(_mm_srli_epi16(v, 6), lead),
                         _mm_slli_epi16(_mm_or_si128(_mm_and_si128(v, low6), trail), 8));
        const __m128i lanes = _mm_or_si128(_mm_and_si128(ascii, v), _mm_andnot_si128(ascii, pair));
        const __m128i packed = _mm_shuffle_epi8(
            lanes, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kPack.shuffle[two])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), packed);
        o += kPack.length[two];
        i += 8;
    }
    return i;
}

bool hasShuffle() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return has;
}
#endif

} // namespace

std::size_t Utf16ToUtf8(std::u16string_view units, std::uint8_t* out) {
    const char16_t* p = units.data();
    const std::size_t n = units.size();
    std::uint8_t* o = out;
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
#if defined(__SSE2__)
            // Runs of ASCII, eight units at a time.
            while (i + 8 <= n) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(-128)),
                                                      _mm_setzero_si128())) != 0xFFFF)
                    break;
                _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(v, v));
                i += 8;
                o += 8;
            }
#endif
            while (i < n && p[i] < 0x80)
                *o++ = static_cast<std::uint8_t>(p[i++]);
            continue;
        }
#if defined(TOVILO_UTF8_SHUFFLE)
        if (hasShuffle()) {
            const std::size_t taken = encodeShortUnits(p + i, n - i, o);
            i += taken;
            if (taken != 0)
                continue;
        }
#endif
        // A run of other units: Cyrillic and Japanese text stays in this loop.
        while (i < n && p[i] >= 0x80) {
            const char16_t u = p[i];
            if (u < 0x800) {
                o[0] = static_cast<std::uint8_t>(0xC0 | (u >> 6));
                o[1] = static_cast<std::uint8_t>(0x80 | (u & 0x3F));
                o += 2;
                ++i;
            } else if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(p[i + 1])) {
                const std::uint32_t cp = JoinSurrogates(u, p[i + 1]);
                o[0] = static_cast<std::uint8_t>(0xF0 | (cp >> 18));
                o[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F));
                o[2] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
                o[3] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
                o += 4;
                i += 2;
            } else {
                // Other units, lone surrogates included, take three bytes.
                o[0] = static_cast<std::uint8_t>(0xE0 | (u >> 12));
                o[1] = static_cast<std::uint8_t>(0x80 | ((u >> 6) & 0x3F));
                o[2] = static_cast<std::uint8_t>(0x80 | (u & 0x3F));
                o += 3;
                ++i;
            }
        }
    }
    *o = 0;
    return static_cast<std::size_t>(o - out);
}

void AppendUtf8(std::u16string_view units, std::string& out) {
    const std::size_t old = out.size();
    out.resize(old + 3 * units.size() + 1);
    const std::size_t written =
        Utf16ToUtf8(units, reinterpret_cast<std::uint8_t*>(out.data() + old));
    out.resize(old + written);
}

} // namespace enc
