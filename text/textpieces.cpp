#include "text/textpieces.h"

#include <algorithm>
#include <atomic>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text {
namespace detail {
namespace {

std::atomic<std::uint64_t> g_pieceBytes{0}; // set by tests: pieces of this size

} // namespace

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

unsigned usableProcessors() {
#if defined(__linux__)
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return unsigned(CPU_COUNT(&set));
#endif
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

std::uint64_t forcedPieceBytes() {
    return g_pieceBytes.load(std::memory_order_relaxed);
}

Source sourceOf(const enc::ByteStream& in) {
    Source source;
    source.file = in.nativeFile();
    source.size = in.fileSize();
    if (source.file == enc::kNoFile) {
        source.memory = {in.cur(), in.end()};
        source.memoryAt = in.consumed();
    }
    return source;
}

std::optional<std::uint64_t> findPieceStart(const Source& source, std::uint64_t from,
                                            std::uint64_t limit, bool utf16) {
    if (from >= limit)
        return std::nullopt;
    if (source.file == enc::kNoFile) {
        const auto found = enc::FindPieceStart(
            source.memory.subspan(std::size_t(from - source.memoryAt), std::size_t(limit - from)),
            utf16);
        return found ? std::optional(from + *found) : std::nullopt;
    }
    constexpr std::size_t kBlock = 64 * 1024;
    std::uint8_t block[kBlock];
    for (std::uint64_t at = from; at < limit;) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(kBlock, limit - at));
        std::size_t got = 0;
        while (got < want) {
            const std::ptrdiff_t more =
                enc::ReadSomeAt(source.file, block + got, want - got, at + got);
            if (more < 0)
                return std::nullopt;
            if (more == 0)
                break;
            got += std::size_t(more);
        }
        if (const auto found = enc::FindPieceStart({block, got}, utf16))
            return at + *found;
        if (got < want)
            return std::nullopt;
        at += got;
    }
    return std::nullopt;
}

} // namespace detail

namespace testing {
std::uint64_t SetPieceBytes(std::uint64_t bytes) {
    return detail::g_pieceBytes.exchange(bytes);
}
} // namespace testing

} // namespace text
