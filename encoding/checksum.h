#pragma once

#include "encoding/fileaccess.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace enc {

// A 64-bit checksum of a file's bytes, taken while they are read (no second pass), that tells
// whether a file still holds the bytes a text was read from.
//
// The bytes are hashed in blocks of kBlock bytes at fixed file offsets and the block hashes are
// folded in order, so readers that take a file in pieces starting at multiples of kBlock can
// each sum their own piece and join the sums with append(): the result equals one pass.
class Checksum {
public:
    static constexpr std::uint64_t kBlock = std::uint64_t(1) << 20;

    Checksum();
    // Takes the next bytes of the file.
    void update(std::span<const std::uint8_t> bytes);
    // The checksum of every byte taken so far.
    std::uint64_t value() const;
    // Bytes taken so far.
    std::uint64_t size() const { return m_size; }
    // Takes the bytes `next` has taken, as if they followed this one's. This one's size must be
    // a multiple of kBlock (false, and nothing changes, otherwise).
    bool append(const Checksum& next);

private:
    void startBlock();
    void takeStripe(const std::uint8_t* stripe);
    std::uint64_t blockHash() const;

    std::uint64_t m_lanes[4];
    std::uint8_t m_stash[32];
    std::size_t m_stashed = 0;
    std::uint64_t m_inBlock = 0;
    std::uint64_t m_fold = 0;
    std::uint64_t m_blocks = 0;
    std::uint64_t m_size = 0;
};

// The checksum of the file a path names, read once from its start to its end.
FileResult ChecksumOfFile(const std::string& path, std::uint64_t& sum);

} // namespace enc
