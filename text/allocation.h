#pragma once

#include <cstdint>

// Every allocation of the buffer's own memory (leaves, arenas, the undo history and the
// bookkeeping an edit needs) first calls noteAllocation(), so a test can make any one of them
// fail and check that the edit leaves the buffer as it was.
namespace text::detail {

// Makes the n-th noted allocation from now on throw std::bad_alloc (n >= 1); 0 lets all of them
// succeed again. Returns how many were noted since the last call.
std::int64_t failAllocation(std::int64_t n);

// Throws std::bad_alloc when this is the allocation chosen to fail.
void noteAllocation();

} // namespace text::detail
