#pragma once

#include <bit>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Scans of UTF-16 units for line feeds, shared by the buffer's storage and its tree.
namespace text::detail {

inline constexpr char16_t kLf = u'\n';
inline constexpr char16_t kCr = u'\r';

// LF units in p[0, n).
inline std::int64_t countLf(const char16_t* p, std::int64_t n) {
    std::int64_t count = 0;
    std::int64_t i = 0;
#if defined(__SSE2__)
    // Eight units per compare, two compares a round; each 16-bit lane of the sum gains at most
    // 2 a round, so the sum is folded into `count` every 16384 rounds, before it can overflow.
    const __m128i lf = _mm_set1_epi16(short(kLf));
    while (i + 16 <= n) {
        const std::int64_t end = i + 16 * 16384 < n ? i + 16 * 16384 : n;
        __m128i sum = _mm_setzero_si128();
        for (; i + 16 <= end; i += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
            sum = _mm_sub_epi16(sum, _mm_cmpeq_epi16(a, lf));
            sum = _mm_sub_epi16(sum, _mm_cmpeq_epi16(b, lf));
        }
        // Lanes hold up to 32768 each: widen them to 32 bits before adding them up.
        const __m128i lo = _mm_unpacklo_epi16(sum, _mm_setzero_si128());
        const __m128i hi = _mm_unpackhi_epi16(sum, _mm_setzero_si128());
        __m128i wide = _mm_add_epi32(lo, hi);
        wide = _mm_add_epi32(wide, _mm_shuffle_epi32(wide, 0x4E));
        wide = _mm_add_epi32(wide, _mm_shuffle_epi32(wide, 0xB1));
        count += _mm_cvtsi128_si32(wide);
    }
#endif
    for (; i < n; ++i)
        count += p[i] == kLf;
    return count;
}

#if defined(__SSE2__)
// Bit i is set when p[i] is LF, for the 16 units at p.
inline unsigned lfMask(const char16_t* p) {
    const __m128i lf = _mm_set1_epi16(short(kLf));
    const __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), lf);
    const __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)), lf);
    return unsigned(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
}
#else
inline unsigned lfMask(const char16_t* p) {
    unsigned mask = 0;
    for (int i = 0; i < 16; ++i)
        mask |= unsigned(p[i] == kLf) << i;
    return mask;
}
#endif

// Index of the k-th LF unit (k >= 1) in p[0, n), or n when there are fewer. Lines are mostly
// far longer than 16 units, so a block's few LF bits are walked one by one (no popcount, which
// the baseline x86-64 instruction set lacks).
inline std::int64_t nthLf(const char16_t* p, std::int64_t n, std::int64_t k) {
    std::int64_t i = 0;
    for (; i + 16 <= n; i += 16) {
        for (unsigned mask = lfMask(p + i); mask != 0; mask &= mask - 1) {
            if (--k == 0)
                return i + std::countr_zero(mask);
        }
    }
    for (; i < n; ++i) {
        if (p[i] == kLf && --k == 0)
            return i;
    }
    return n;
}

} // namespace text::detail
