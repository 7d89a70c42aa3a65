#pragma once

#include <cstddef>
#include <cstdint>

namespace enc {

// The unit every code that a table does not hold decodes to (WHITE SQUARE).
inline constexpr char16_t kReplacementUnit = u'\u25A1';

// One table row: a one-byte code (00..FF) or a two-byte code (first byte * 256 + second byte),
// and the UTF-16 unit it stands for.
struct CodePair {
    std::uint16_t key;
    char16_t unit;
};

inline constexpr std::size_t kSjisTableSize = 7915;
inline constexpr std::size_t kEucTableSize = 6943;

// Code page 932, sorted by key (generated, see codetables.cpp).
extern const CodePair SjisTable[kSjisTableSize];
// JIS X 0208 in EUC-JP form plus the half-width katakana, sorted by key.
extern const CodePair EucTable[kEucTableSize];

// Binary search of the sorted tables; a key that is not there gives kReplacementUnit.
char16_t LookupSjis(std::uint16_t key);
char16_t LookupEuc(std::uint16_t key);

// Dense forms of the two tables, 65536 units each, indexed by key and built once on first use
// (thread-safe). Every entry equals LookupSjis / LookupEuc of its index.
const char16_t* DenseSjis();
const char16_t* DenseEuc();

} // namespace enc
