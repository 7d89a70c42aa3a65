#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Large blocks of memory for the text, cut into slots of one leaf each. A builder writes the
// text into them front to back; afterwards each written slot belongs to one leaf, and the
// arena gives its memory back when the last of them is released. Memory is reserved up front
// and touched only where units are written, so reserving for an estimate costs nothing.
namespace text::detail {

class Arena {
public:
    // Reserves `slots` slots of `slotUnits` units each; throws std::bad_alloc when the address
    // space cannot be had.
    static Arena* create(std::int64_t slotUnits, std::int64_t slots);
    // Frees an arena that no leaf holds yet.
    static void destroy(Arena* arena);

    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    std::int64_t slotUnits() const { return m_slotUnits; }
    std::int64_t slots() const { return m_slots; }
    std::int64_t used() const { return m_used; }
    std::int64_t room() const { return m_slots * m_slotUnits - m_used; }
    // Slots that hold units, the last one perhaps in part.
    std::int64_t usedSlots() const { return (m_used + m_slotUnits - 1) / m_slotUnits; }
    char16_t* slot(std::int64_t i) const { return m_base + i * m_slotUnits; }
    std::int64_t slotLength(std::int64_t i) const;
    std::int64_t slotLines(std::int64_t i) const { return m_lines[std::size_t(i)]; }

    // Copies as much of `units` as fits after the units already written; returns how many.
    std::int64_t append(std::u16string_view units);
    // Where the next units go, room() of them, for a writer that fills them in place; then
    // commit(n) takes the first n as written.
    char16_t* tail() const { return m_base + m_used; }
    void commit(std::int64_t n);

    // The written slots now belong to that many leaves: the unwritten end is given back, and
    // an arena with no leaves is freed at once.
    void handOver(std::int64_t leaves);
    // `count` leaves let go of their slots, which run on from `data`; the last one frees the
    // arena.
    void releaseSlots(char16_t* data, std::int64_t count);

private:
    Arena() = default;
    ~Arena();

    char16_t* m_base = nullptr;
    std::size_t m_bytes = 0; // mapped
    std::int64_t m_slotUnits = 0;
    std::int64_t m_slots = 0;
    std::int64_t m_used = 0;
    std::int64_t m_leaves = 0;
    std::vector<std::int64_t> m_lines; // LF units per written slot
};

} // namespace text::detail
