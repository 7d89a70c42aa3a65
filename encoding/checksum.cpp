#include "encoding/checksum.h"

#include "encoding/platform.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace enc {
namespace {

// The constants and rounds of a 64-bit multiply-rotate hash over four lanes of eight bytes.
constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ULL;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ULL;
constexpr std::uint64_t kFoldPrime = 0x100000001B3ULL;

std::uint64_t rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

std::uint64_t word(const std::uint8_t* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w; // the machine's byte order: the same file gives the same sum on one machine
}

std::uint64_t round(std::uint64_t acc, std::uint64_t input) {
    return rotl(acc + input * kPrime2, 31) * kPrime1;
}

std::uint64_t mergeRound(std::uint64_t acc, std::uint64_t lane) {
    return (acc ^ round(0, lane)) * kPrime1 + kPrime4;
}

std::uint64_t avalanche(std::uint64_t h) {
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

std::uint64_t power(std::uint64_t base, std::uint64_t exponent) {
    std::uint64_t result = 1;
    while (exponent > 0) {
        if (exponent & 1)
            result *= base;
        base *= base;
        exponent >>= 1;
    }
    return result;
}

} // namespace

Checksum::Checksum() {
    startBlock();
}

void Checksum::startBlock() {
    m_lanes[0] = kPrime1 + kPrime2;
    m_lanes[1] = kPrime2;
    m_lanes[2] = 0;
    m_lanes[3] = 0 - kPrime1;
    m_stashed = 0;
    m_inBlock = 0;
}

void Checksum::takeStripe(const std::uint8_t* stripe) {
    m_lanes[0] = round(m_lanes[0], word(stripe));
    m_lanes[1] = round(m_lanes[1], word(stripe + 8));
    m_lanes[2] = round(m_lanes[2], word(stripe + 16));
    m_lanes[3] = round(m_lanes[3], word(stripe + 24));
}

std::uint64_t Checksum::blockHash() const {
    std::uint64_t h =
        rotl(m_lanes[0], 1) + rotl(m_lanes[1], 7) + rotl(m_lanes[2], 12) + rotl(m_lanes[3], 18);
    for (const std::uint64_t lane : m_lanes)
        h = mergeRound(h, lane);
    h += m_inBlock;
    std::size_t i = 0;
    for (; i + 8 <= m_stashed; i += 8)
        h = rotl(h ^ round(0, word(m_stash + i)), 27) * kPrime1 + kPrime4;
    for (; i < m_stashed; ++i)
        h = rotl(h ^ (m_stash[i] * kPrime5), 11) * kPrime1;
    return avalanche(h);
}

void Checksum::update(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    m_size += n;
    while (n > 0) {
        // Bytes of this call that belong to the current block.
        const std::size_t room = std::size_t(kBlock - m_inBlock);
        std::size_t take = n < room ? n : room;
        m_inBlock += take;
        n -= take;
        if (m_stashed > 0) {
            const std::size_t fill = take < 32 - m_stashed ? take : 32 - m_stashed;
            std::memcpy(m_stash + m_stashed, p, fill);
            m_stashed += fill;
            p += fill;
            take -= fill;
            if (m_stashed < 32)
                continue; // take is 0 here
            takeStripe(m_stash);
            m_stashed = 0;
        }
        for (; take >= 32; take -= 32, p += 32)
            takeStripe(p);
        std::memcpy(m_stash, p, take);
        m_stashed = take;
        p += take;
        if (m_inBlock == kBlock) {
            m_fold = m_fold * kFoldPrime + blockHash();
            ++m_blocks;
            startBlock();
        }
    }
}

std::uint64_t Checksum::value() const {
    std::uint64_t fold = m_fold;
    if (m_inBlock > 0)
        fold = fold * kFoldPrime + blockHash();
    return avalanche(fold ^ (m_size * kPrime3));
}

bool Checksum::append(const Checksum& next) {
    if (m_inBlock != 0)
        return false;
    m_fold = m_fold * power(kFoldPrime, next.m_blocks) + next.m_fold;
    m_blocks += next.m_blocks;
    m_size += next.m_size;
    std::memcpy(m_lanes, next.m_lanes, sizeof m_lanes);
    std::memcpy(m_stash, next.m_stash, sizeof m_stash);
    m_stashed = next.m_stashed;
    m_inBlock = next.m_inBlock;
    return true;
}

FileResult ChecksumOfFile(const std::string& path, std::uint64_t& sum) {
    NativeFile file = kNoFile;
    FileResult result = OpenRegularFile(path, file);
    if (!result)
        return result;
    Checksum checksum;
    std::vector<std::uint8_t> block(std::size_t(1) << 20);
    for (;;) {
        const std::ptrdiff_t got = ReadSome(file, block.data(), block.size());
        if (got < 0) {
            result = FileResult::fromErrno(errno);
            break;
        }
        if (got == 0)
            break;
        checksum.update({block.data(), std::size_t(got)});
    }
    platform::Close(file);
    sum = checksum.value();
    return result;
}

} // namespace enc
