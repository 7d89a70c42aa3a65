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

inline constexpr std::size_t kCp1251TableSize = 127;
inline constexpr std::size_t kKoi8rTableSize = 128;
inline constexpr std::size_t kCp866TableSize = 128;

// The Cyrillic code pages Windows-1251, KOI8-R and CP866: the bytes 80..FF each defines, sorted
// by key (generated, see cyrillictables.cpp). Bytes 00..7F are ASCII in all three.
extern const CodePair Cp1251Table[kCp1251TableSize];
extern const CodePair Koi8rTable[kKoi8rTableSize];
extern const CodePair Cp866Table[kCp866TableSize];

// Binary search of the sorted tables; a key that is not there gives kReplacementUnit.
char16_t LookupSjis(std::uint16_t key);
char16_t LookupEuc(std::uint16_t key);

// The unit of one byte in a Cyrillic code page: itself below 80, else the table's unit, or
// kReplacementUnit for a byte the code page leaves undefined (98 in Windows-1251).
char16_t LookupCp1251(std::uint8_t byte);
char16_t LookupKoi8r(std::uint8_t byte);
char16_t LookupCp866(std::uint8_t byte);

// Dense forms of the two tables, 65536 units each, indexed by key and built once on first use
// (thread-safe). Every entry equals LookupSjis / LookupEuc of its index.
const char16_t* DenseSjis();
const char16_t* DenseEuc();

// Dense forms of the Cyrillic tables, 256 units each, indexed by byte (all of them: 00..7F
// included); built once on first use (thread-safe).
const char16_t* DenseCp1251();
const char16_t* DenseKoi8r();
const char16_t* DenseCp866();

} // namespace enc
