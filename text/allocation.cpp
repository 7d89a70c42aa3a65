#include "text/allocation.h"

#include <atomic>
#include <new>

namespace text::detail {

namespace {

// Allocations left before the one that fails (0: none fails), and allocations noted. Atomic
// because builders may be filled on other threads while a test sets the countdown.
std::atomic<std::int64_t> g_countdown{0};
std::atomic<std::int64_t> g_noted{0};

} // namespace

std::int64_t failAllocation(std::int64_t n) {
    g_countdown.store(n > 0 ? n : 0, std::memory_order_relaxed);
    return g_noted.exchange(0, std::memory_order_relaxed);
}

void noteAllocation() {
    g_noted.fetch_add(1, std::memory_order_relaxed);
    if (g_countdown.load(std::memory_order_relaxed) == 0)
        return;
    if (g_countdown.fetch_sub(1, std::memory_order_relaxed) == 1)
        throw std::bad_alloc();
}

} // namespace text::detail
