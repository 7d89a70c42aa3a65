#if defined(_WIN32)

#include "platform/memory.h"

#include <new>
#include <windows.h>

namespace platform {

std::size_t PageSize() {
    static const std::size_t size = [] {
        SYSTEM_INFO info;
        ::GetSystemInfo(&info);
        return std::size_t(info.dwPageSize);
    }();
    return size;
}

void* MapMemory(std::size_t& bytes) {
    const std::size_t page = PageSize();
    const std::size_t want = (bytes + page - 1) / page * page;
    // Committed pages are zero and are given memory only when first touched.
    void* p = ::VirtualAlloc(nullptr, want, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!p)
        throw std::bad_alloc();
    bytes = want;
    return p;
}

void ShrinkMemory(void* base, std::size_t bytes, std::size_t keep) {
    // A reservation is released only as a whole: the tail's pages are decommitted.
    if (keep < bytes)
        ::VirtualFree(static_cast<char*>(base) + keep, bytes - keep, MEM_DECOMMIT);
}

void DiscardMemory(void* from, std::size_t bytes) {
    ::VirtualAlloc(from, bytes, MEM_RESET, PAGE_READWRITE);
}

void UnmapMemory(void* base, std::size_t) {
    ::VirtualFree(base, 0, MEM_RELEASE);
}

} // namespace platform

#endif
