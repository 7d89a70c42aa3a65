#pragma once

#include <cstddef>

// The memory of large texts, straight from the system: blocks mapped whole, their pages taken
// only when first touched and given back without unmapping. Plain C++ without Qt; memory_posix.cpp
// implements it with POSIX calls, memory_win32.cpp with the Win32 API.
namespace platform {

// The size of a page of memory.
std::size_t PageSize();
// Maps `bytes` of memory, rounded up to whole pages and given back in `bytes`. The memory reads
// as zero and takes its pages only when first touched; a large block asks for huge pages where
// the system grants them. Throws std::bad_alloc when the system has no room.
void* MapMemory(std::size_t& bytes);
// Gives the pages of a mapped block from `keep` bytes on back to the system, so the block is
// `keep` bytes long (a whole number of pages) from then on.
void ShrinkMemory(void* base, std::size_t bytes, std::size_t keep);
// Gives whole pages inside a mapped block back to the system; they stay mapped and usable, with
// their content gone.
void DiscardMemory(void* from, std::size_t bytes);
// Unmaps a block as MapMemory and ShrinkMemory left it.
void UnmapMemory(void* base, std::size_t bytes);

} // namespace platform
