#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

namespace enc {

// The names of the temporary files being written, for a handler that runs when the program is
// made to end: a fixed table that the handler reads without allocating or locking. A slot is 0
// free, 1 filled in, 2 being filled in.
template <class Char, std::size_t Capacity> class PendingNames {
public:
    // Claims a slot for `name`; -1 when the name does not fit or every slot is taken.
    int add(std::basic_string_view<Char> name) {
        if (name.size() >= Capacity)
            return -1;
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            int expected = 0;
            if (m_slots[i].state.compare_exchange_strong(expected, 2)) {
                name.copy(m_slots[i].path, name.size());
                m_slots[i].path[name.size()] = Char(0);
                m_slots[i].state.store(1);
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void remove(int slot) {
        if (slot >= 0 && static_cast<std::size_t>(slot) < m_slots.size())
            m_slots[static_cast<std::size_t>(slot)].state.store(0);
    }

    // Hands each filled-in name, NUL-terminated, to `use`.
    template <class Use> void forEach(Use use) const {
        for (const Slot& slot : m_slots) {
            if (slot.state.load() == 1)
                use(slot.path);
        }
    }

private:
    struct Slot {
        std::atomic<int> state{0};
        Char path[Capacity];
    };
    std::array<Slot, 8> m_slots;
};

} // namespace enc
