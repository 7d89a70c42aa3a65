#if !defined(_WIN32)

#include "platform/memory.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

std::size_t PageSize() {
    static const std::size_t size = std::size_t(::sysconf(_SC_PAGESIZE));
    return size;
}

void* MapMemory(std::size_t& bytes) {
    constexpr std::size_t kHugePage = std::size_t(2) << 20;
    const auto roundUp = [](std::size_t n, std::size_t to) { return (n + to - 1) / to * to; };
    const std::size_t want = roundUp(bytes, PageSize());
    // Large blocks are aligned to huge pages and ask for them: a fault then fills 2 MiB at
    // once instead of 4 KiB, and loading a big file takes a few hundred faults, not thousands.
    const bool huge = want >= 2 * kHugePage;
    const std::size_t mapped = huge ? want + kHugePage : want;
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    auto* base = static_cast<char*>(p);
    if (huge) {
        auto* aligned =
            reinterpret_cast<char*>(roundUp(reinterpret_cast<std::uintptr_t>(base), kHugePage));
        if (aligned > base)
            ::munmap(base, std::size_t(aligned - base));
        const std::size_t after = mapped - std::size_t(aligned - base) - want;
        if (after > 0)
            ::munmap(aligned + want, after);
        base = aligned;
        ::madvise(base, want, MADV_HUGEPAGE);
    }
    bytes = want;
    return base;
}

void ShrinkMemory(void* base, std::size_t bytes, std::size_t keep) {
    if (keep < bytes)
        ::munmap(static_cast<char*>(base) + keep, bytes - keep);
}

void DiscardMemory(void* from, std::size_t bytes) {
    ::madvise(from, bytes, MADV_DONTNEED);
}

void UnmapMemory(void* base, std::size_t bytes) {
    ::munmap(base, bytes);
}

} // namespace platform

#endif
