#include "text/arena.h"

#include "platform/memory.h"
#include "text/allocation.h"
#include "text/scan.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace text::detail {

namespace {

std::size_t roundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

} // namespace

Arena* Arena::create(std::int64_t slotUnits, std::int64_t slots) {
    noteAllocation();
    auto* arena = new Arena;
    std::size_t bytes = std::size_t(slotUnits * slots) * 2;
    try {
        arena->m_base = static_cast<char16_t*>(platform::MapMemory(bytes));
    } catch (...) {
        delete arena;
        throw;
    }
    arena->m_bytes = bytes;
    arena->m_slotUnits = slotUnits;
    arena->m_slots = slots;
    return arena;
}

void Arena::destroy(Arena* arena) {
    delete arena;
}

Arena::~Arena() {
    if (m_base)
        platform::UnmapMemory(m_base, m_bytes);
}

std::int64_t Arena::slotLength(std::int64_t i) const {
    return std::min(m_slotUnits, m_used - i * m_slotUnits);
}

std::int64_t Arena::append(std::u16string_view units) {
    const std::int64_t n = std::min<std::int64_t>(room(), std::int64_t(units.size()));
    std::memcpy(m_base + m_used, units.data(), std::size_t(n) * 2);
    commit(n);
    return n;
}

void Arena::commit(std::int64_t n) {
    if (n <= 0)
        return;
    // The counts' room first, so that a failure leaves the arena as it was.
    const auto lastSlot = std::size_t((m_used + n - 1) / m_slotUnits);
    if (m_lines.size() <= lastSlot) {
        noteAllocation();
        m_lines.resize(lastSlot + 1, 0);
    }
    // LF units are counted per slot while the units are still in the cache.
    std::int64_t done = 0;
    while (done < n) {
        const std::int64_t slot = (m_used + done) / m_slotUnits;
        const std::int64_t part = std::min(n - done, (slot + 1) * m_slotUnits - (m_used + done));
        m_lines[std::size_t(slot)] += countLf(m_base + m_used + done, part);
        done += part;
    }
    m_used += n;
}

void Arena::handOver(std::int64_t leaves) {
    m_leaves = leaves;
    if (leaves == 0) {
        delete this;
        return;
    }
    // The last leaf may grow to the end of its slot; the slots after it are given back.
    const std::size_t keep =
        roundUp(std::size_t(usedSlots() * m_slotUnits) * 2, platform::PageSize());
    if (keep < m_bytes) {
        platform::ShrinkMemory(m_base, m_bytes, keep);
        m_bytes = keep;
    }
    std::vector<std::int64_t>().swap(m_lines);
}

void Arena::releaseSlots(char16_t* data, std::int64_t count) {
    m_leaves -= count;
    if (m_leaves == 0) {
        delete this;
        return;
    }
    // The whole pages of released slots go back to the system; the rest of the arena stays.
    const std::size_t page = platform::PageSize();
    const auto from = roundUp(reinterpret_cast<std::uintptr_t>(data), page);
    const auto to = (reinterpret_cast<std::uintptr_t>(data + count * m_slotUnits)) / page * page;
    if (to > from)
        platform::DiscardMemory(reinterpret_cast<void*>(from), to - from);
}

} // namespace text::detail
