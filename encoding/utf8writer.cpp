#include "encoding/utf8writer.h"

#include "encoding/utf16.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace enc {

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
