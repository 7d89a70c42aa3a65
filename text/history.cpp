#include "text/history.h"

#include "platform/memory.h"
#include "text/allocation.h"
#include "text/leaves.h"

namespace text::detail {

namespace {

// Units of a shared block; an edit of more than a quarter of this gets a block of its own.
constexpr std::size_t kBlockUnits = 32768;

// Room for one more element, grown by doubling so that adding stays amortised O(1).
template <class T> void roomForOne(std::vector<T>& v) {
    if (v.size() < v.capacity())
        return;
    noteAllocation();
    v.reserve(std::max<std::size_t>(16, v.capacity() * 2));
}

} // namespace

History::Room History::prepare(Pos units, bool newStep, std::size_t keepSteps) {
    const auto n = std::size_t(units);
    // The vectors get room first: after truncating they are no longer than now.
    roomForOne(m_edits);
    roomForOne(m_steps);
    roomForOne(m_blocks);
    Room room;
    room.m_units = n;
    room.m_newStep = newStep;
    room.m_keepSteps = keepSteps;
    // The units of steps that a new step drops may still be needed (the edit can fail after
    // this), so their place is not written over: the edit then takes a block of its own.
    const bool dropsSteps = newStep && keepSteps < m_steps.size();
    if (!dropsSteps && !m_blocks.empty() && m_blocks.back().capacity - m_blocks.back().size >= n) {
        room.m_data = m_blocks.back().data.get() + m_blocks.back().size;
        return room;
    }
    noteAllocation();
    room.m_capacity = n > kBlockUnits / 4 ? n : kBlockUnits;
    if (room.m_capacity > kBlockUnits) {
        // Large edits are kept outside the heap, so their memory goes back to the system
        // as soon as their steps are dropped, and is touched in huge pages.
        std::size_t bytes = room.m_capacity * 2;
        room.m_fresh = {static_cast<char16_t*>(platform::MapMemory(bytes)), UnitsRelease{bytes}};
    } else {
        room.m_fresh = {new char16_t[room.m_capacity], UnitsRelease{0}};
    }
    room.m_data = room.m_fresh.get();
    return room;
}

History::~History() {
    freeLeaves(0);
}

void History::freeLeaves(std::size_t from) {
    for (std::size_t i = from; i < m_edits.size(); ++i)
        LeafTree::freeDetached(std::exchange(m_edits[i].leaves, nullptr));
}

const History::Edit& History::add(Room&& room, Note note, Pos position, Pos removed, Pos inserted,
                                  bool insertedStored, Node* removedLeaves) {
    if (room.m_newStep) {
        truncate(room.m_keepSteps);
        m_steps.push_back(Step{m_edits.size(), note});
    }
    if (room.m_fresh) {
        Block b;
        b.data = std::move(room.m_fresh);
        b.capacity = room.m_capacity;
        m_blocks.push_back(std::move(b));
    }
    Block& b = m_blocks.back();
    Edit e;
    e.position = position;
    e.removed = removed;
    e.inserted = inserted;
    e.insertedStored = insertedStored;
    e.removedAsLeaves = removedLeaves != nullptr;
    e.leaves = removedLeaves;
    e.block = std::uint32_t(m_blocks.size() - 1);
    e.offset = b.size;
    b.size += room.m_units;
    m_edits.push_back(e);
    return m_edits.back();
}

void UnitsRelease::operator()(char16_t* p) const {
    if (bytes > 0)
        platform::UnmapMemory(p, bytes);
    else
        delete[] p;
}

void History::truncate(std::size_t count) {
    if (count >= m_steps.size())
        return;
    const std::size_t first = m_steps[count].start;
    m_steps.resize(count);
    if (first < m_edits.size()) {
        const Edit& e = m_edits[first];
        // Blocks are filled in the order of the edits: the dropped edits' units are the end of
        // the block of the first one, and every block after it.
        m_blocks.resize(e.offset == 0 ? e.block : e.block + 1);
        if (e.offset > 0)
            m_blocks.back().size = e.offset;
        freeLeaves(first);
        m_edits.resize(first);
    }
}

void History::clear() {
    freeLeaves(0);
    std::vector<Edit>().swap(m_edits);
    std::vector<Step>().swap(m_steps);
    std::vector<Block>().swap(m_blocks);
}

} // namespace text::detail
