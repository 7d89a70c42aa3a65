#include "text/history.h"

#include "encoding/platform.h"
#include "text/arena.h"

namespace text::detail {

namespace {

// Units of a shared block; an edit of more than a quarter of this gets a block of its own.
constexpr std::size_t kBlockUnits = 32768;

} // namespace

char16_t* History::room(Pos units, Edit& e) {
    const auto n = std::size_t(units);
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().size < n) {
        Block b;
        b.capacity = n > kBlockUnits / 4 ? n : kBlockUnits;
        if (b.capacity > kBlockUnits) {
            // Large edits are kept outside the heap, so their memory goes back to the system
            // as soon as their steps are dropped, and is touched in huge pages.
            std::size_t bytes = b.capacity * 2;
            b.data = {static_cast<char16_t*>(enc::platform::MapMemory(bytes)), UnitsRelease{bytes}};
        } else {
            b.data = {new char16_t[b.capacity], UnitsRelease{0}};
        }
        m_blocks.push_back(std::move(b));
    }
    Block& b = m_blocks.back();
    e.block = std::uint32_t(m_blocks.size() - 1);
    e.offset = b.size;
    b.size += n;
    return b.data.get() + e.offset;
}

void UnitsRelease::operator()(char16_t* p) const {
    if (bytes > 0)
        enc::platform::UnmapMemory(p, bytes);
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
        m_edits.resize(first);
    }
}

void History::clear() {
    std::vector<Edit>().swap(m_edits);
    std::vector<Step>().swap(m_steps);
    std::vector<Block>().swap(m_blocks);
}

} // namespace text::detail
