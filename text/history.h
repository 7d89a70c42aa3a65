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
        // False while the inserted units are only in the text (see addSpliced).
        bool insertedStored = true;
    };

    // Two numbers a step keeps for the buffer's user (see TextBuffer::Note).
    struct Note {
        Pos first = -1;
        Pos second = -1;
    };

    std::size_t steps() const { return m_steps.size(); }
    // Drops steps [count, steps()) and their units.
    void truncate(std::size_t count);
    void clear();
    // Starts a new step after the last one.
    void beginStep(Note note) { m_steps.push_back(Step{m_edits.size(), note}); }
    Note note(std::size_t step) const { return m_steps[step].note; }
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

    // Adds an edit whose `inserted` units are not copied now: they stand in the text, and are
    // copied from there by storeInserted() before the edit is first undone. Their room is
    // reserved at once, so the history's blocks keep the order of the edits; a large room is
    // mapped memory that costs nothing until it is written.
    template <class F>
    const Edit& addSpliced(Pos position, Pos removed, Pos inserted, F&& copyRemoved) {
        Edit e;
        e.position = position;
        e.removed = removed;
        e.inserted = inserted;
        e.insertedStored = false;
        copyRemoved(room(removed + inserted, e));
        m_edits.push_back(e);
        return m_edits.back();
    }
    // Copies an edit's inserted units into the history once: `copy(char16_t* to)` writes the
    // units that stand at [position, position + inserted) of the text.
    template <class F> void storeInserted(const Edit& e, F&& copy) {
        if (e.insertedStored)
            return;
        Edit& edit = m_edits[std::size_t(&e - m_edits.data())];
        copy(m_blocks[edit.block].data.get() + edit.offset + std::size_t(edit.removed));
        edit.insertedStored = true;
    }

    // The edits of step s, in the order they were made.
    const Edit* begin(std::size_t step) const { return m_edits.data() + m_steps[step].start; }
    const Edit* end(std::size_t step) const {
        return m_edits.data() +
               (step + 1 < m_steps.size() ? m_steps[step + 1].start : m_edits.size());
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

    struct Step {
        std::size_t start = 0; // first edit of the step
        Note note;
    };

    std::vector<Edit> m_edits;
    std::vector<Step> m_steps;
    std::vector<Block> m_blocks;
};

} // namespace text::detail
