#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The undo history: every step is the list of edits it made, each with the units it removed
// and inserted, so the history grows with the edits, not with the text. The units are packed
// into shared blocks (a large edit gets a block of its own), and an edit costs about 40 bytes
// beside its units.
namespace text::detail {

using Pos = std::int64_t;

// Frees a history block's units: from the heap (bytes 0) or a mapping of that many bytes.
struct UnitsRelease {
    std::size_t bytes = 0;
    void operator()(char16_t* p) const;
};

class History {
public:
    struct Edit {
        Pos position = 0;
        Pos removed = 0;  // units removed at position
        Pos inserted = 0; // units inserted there instead
        std::uint32_t block = 0;
        std::size_t offset = 0; // removed units, then inserted units, from here in the block
    };

    std::size_t steps() const { return m_stepStart.size(); }
    // Drops steps [count, steps()) and their units.
    void truncate(std::size_t count);
    void clear();
    // Starts a new step after the last one.
    void beginStep() { m_stepStart.push_back(m_edits.size()); }
    // Adds an edit to the last step. `copyRemoved(char16_t* to)` writes the `removed` units.
    template <class F>
    const Edit& add(Pos position, Pos removed, std::u16string_view inserted, F&& copyRemoved) {
        Edit e;
        e.position = position;
        e.removed = removed;
        e.inserted = Pos(inserted.size());
        char16_t* to = room(removed + e.inserted, e);
        copyRemoved(to);
        std::copy(inserted.begin(), inserted.end(), to + removed);
        m_edits.push_back(e);
        return m_edits.back();
    }

    // The edits of step s, in the order they were made.
    const Edit* begin(std::size_t step) const { return m_edits.data() + m_stepStart[step]; }
    const Edit* end(std::size_t step) const {
        return m_edits.data() +
               (step + 1 < m_stepStart.size() ? m_stepStart[step + 1] : m_edits.size());
    }
    std::u16string_view removedUnits(const Edit& e) const {
        return {m_blocks[e.block].data.get() + e.offset, std::size_t(e.removed)};
    }
    std::u16string_view insertedUnits(const Edit& e) const {
        return {m_blocks[e.block].data.get() + e.offset + std::size_t(e.removed),
                std::size_t(e.inserted)};
    }

private:
    struct Block {
        std::unique_ptr<char16_t[], UnitsRelease> data;
        std::size_t size = 0;
        std::size_t capacity = 0;
    };
    char16_t* room(Pos units, Edit& e);

    std::vector<Edit> m_edits;
    std::vector<std::size_t> m_stepStart; // first edit of each step
    std::vector<Block> m_blocks;
};

} // namespace text::detail
