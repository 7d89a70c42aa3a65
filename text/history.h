#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

// The undo history: every step is the list of edits it made, each with the units it removed
// and inserted, so the history grows with the edits, not with the text. A large removal keeps
// the leaves that held its units instead of a copy. The units are packed
// into shared blocks (a large edit gets a block of its own), and an edit costs about 40 bytes
// beside its units.
namespace text::detail {

using Pos = std::int64_t;
struct Node;

// Frees a history block's units: from the heap (bytes 0) or a mapping of that many bytes.
struct UnitsRelease {
    std::size_t bytes = 0;
    void operator()(char16_t* p) const;
};

class History {
public:
    History() = default;
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    struct Edit {
        Pos position = 0;
        Pos removed = 0;  // units removed at position
        Pos inserted = 0; // units inserted there instead
        std::uint32_t block = 0;
        std::size_t offset = 0; // removed units, then inserted units, from here in the block
        // False while the inserted units are only in the text (see storeInserted).
        bool insertedStored = true;
        // True when the removed units are kept as the leaves that held them (a large removal)
        // rather than copied: `leaves` holds them while the edit is done, and the text again
        // while it is undone.
        bool removedAsLeaves = false;
        Node* leaves = nullptr;
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
    Note note(std::size_t step) const { return m_steps[step].note; }

    // Room for the units of one more edit, taken in two stages so that an edit that cannot get
    // its memory changes nothing: prepare() allocates all the edit will need and may throw
    // std::bad_alloc; add() then records the edit and cannot fail.
    class Room {
    public:
        // Where the edit's removed units, then its inserted units, are to be written.
        char16_t* data() const { return m_data; }

    private:
        friend class History;
        std::unique_ptr<char16_t[], UnitsRelease> m_fresh; // a new block, or null
        std::size_t m_capacity = 0;
        char16_t* m_data = nullptr;
        std::size_t m_units = 0;
        bool m_newStep = false;
        std::size_t m_keepSteps = 0;
    };
    // Room for an edit of `units` units (its removed units, unless it keeps them as leaves, and
    // its inserted ones). With `newStep`, the edit starts a step after the first
    // `keepSteps` steps, which add() keeps (dropping the rest); otherwise it joins the last step.
    Room prepare(Pos units, bool newStep, std::size_t keepSteps);
    // Records the edit whose units were written at room.data() (its inserted units may be
    // written later, see storeInserted, when `insertedStored` is false). `removedLeaves`, when
    // not null, holds the removed units instead (the history owns them from now on). `note` is
    // the new step's note.
    const Edit& add(Room&& room, Note note, Pos position, Pos removed, Pos inserted,
                    bool insertedStored, Node* removedLeaves = nullptr);
    // Hands the removed leaves of an edit back to the text (undo), and takes them again (redo).
    Node* takeLeaves(const Edit& e) { return std::exchange(edit(e).leaves, nullptr); }
    void keepLeaves(const Edit& e, Node* leaves) { edit(e).leaves = leaves; }

    // Copies an edit's inserted units into the history once: `copy(char16_t* to)` writes the
    // units that stand at [position, position + inserted) of the text. Their room was taken
    // when the edit was added, so this needs no memory.
    template <class F> void storeInserted(const Edit& e, F&& copy) {
        if (e.insertedStored)
            return;
        copy(m_blocks[e.block].data.get() + e.offset + storedRemoved(e));
        edit(e).insertedStored = true;
    }

    // The edits of step s, in the order they were made.
    const Edit* begin(std::size_t step) const { return m_edits.data() + m_steps[step].start; }
    const Edit* end(std::size_t step) const {
        return m_edits.data() +
               (step + 1 < m_steps.size() ? m_steps[step + 1].start : m_edits.size());
    }
    // The removed units of an edit that copied them.
    std::u16string_view removedUnits(const Edit& e) const {
        return {m_blocks[e.block].data.get() + e.offset, storedRemoved(e)};
    }
    std::u16string_view insertedUnits(const Edit& e) const {
        return {m_blocks[e.block].data.get() + e.offset + storedRemoved(e),
                std::size_t(e.inserted)};
    }

private:
    Edit& edit(const Edit& e) { return m_edits[std::size_t(&e - m_edits.data())]; }
    static std::size_t storedRemoved(const Edit& e) {
        return e.removedAsLeaves ? 0 : std::size_t(e.removed);
    }
    // Frees the removed leaves of edits [from, end).
    void freeLeaves(std::size_t from);

    struct Block {
        std::unique_ptr<char16_t[], UnitsRelease> data;
        std::size_t size = 0;
        std::size_t capacity = 0;
    };
    struct Step {
        std::size_t start = 0; // first edit of the step
        Note note;
    };

    std::vector<Edit> m_edits;
    std::vector<Step> m_steps;
    std::vector<Block> m_blocks;
};

} // namespace text::detail
