#include "encoding/tables.h"

#include <memory>

namespace enc {
namespace {

char16_t lookup(const CodePair* table, std::size_t entries, std::uint16_t key) {
    // Signed bounds so that hi can drop below lo when the key is smaller than every entry.
    std::ptrdiff_t lo = 0;
    std::ptrdiff_t hi = static_cast<std::ptrdiff_t>(entries) - 1;
    while (lo <= hi) {
        const std::ptrdiff_t mid = (lo + hi) / 2;
        const std::uint16_t found = table[mid].key;
        if (found == key)
            return table[mid].unit;
        if (found < key)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return kReplacementUnit;
}

std::unique_ptr<char16_t[]> buildDense(const CodePair* table, std::size_t entries) {
    auto dense = std::make_unique_for_overwrite<char16_t[]>(65536);
    for (std::size_t i = 0; i < 65536; ++i)
        dense[i] = kReplacementUnit;
    for (std::size_t i = 0; i < entries; ++i)
        dense[table[i].key] = table[i].unit;
    return dense;
}

// A 256-unit table of a Cyrillic code page: ASCII below 80, the table's units above, and the
// replacement unit where the code page has no character.
std::unique_ptr<char16_t[]> buildByteDense(const CodePair* table, std::size_t entries) {
    auto dense = std::make_unique_for_overwrite<char16_t[]>(256);
    for (std::size_t i = 0; i < 256; ++i)
        dense[i] = i < 0x80 ? char16_t(i) : kReplacementUnit;
    for (std::size_t i = 0; i < entries; ++i)
        dense[table[i].key & 0xFF] = table[i].unit;
    return dense;
}

} // namespace

char16_t LookupSjis(std::uint16_t key) {
    return lookup(SjisTable, kSjisTableSize, key);
}

char16_t LookupEuc(std::uint16_t key) {
    return lookup(EucTable, kEucTableSize, key);
}

const char16_t* DenseSjis() {
    static const std::unique_ptr<char16_t[]> dense = buildDense(SjisTable, kSjisTableSize);
    return dense.get();
}

const char16_t* DenseEuc() {
    static const std::unique_ptr<char16_t[]> dense = buildDense(EucTable, kEucTableSize);
    return dense.get();
}

const char16_t* DenseCp1251() {
    static const std::unique_ptr<char16_t[]> dense = buildByteDense(Cp1251Table, kCp1251TableSize);
    return dense.get();
}

const char16_t* DenseKoi8r() {
    static const std::unique_ptr<char16_t[]> dense = buildByteDense(Koi8rTable, kKoi8rTableSize);
    return dense.get();
}

const char16_t* DenseCp866() {
    static const std::unique_ptr<char16_t[]> dense = buildByteDense(Cp866Table, kCp866TableSize);
    return dense.get();
}

char16_t LookupCp1251(std::uint8_t byte) {
    return byte < 0x80 ? byte : lookup(Cp1251Table, kCp1251TableSize, byte);
}

char16_t LookupKoi8r(std::uint8_t byte) {
    return byte < 0x80 ? byte : lookup(Koi8rTable, kKoi8rTableSize, byte);
}

char16_t LookupCp866(std::uint8_t byte) {
    return byte < 0x80 ? byte : lookup(Cp866Table, kCp866TableSize, byte);
}

} // namespace enc
