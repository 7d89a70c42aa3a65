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

} // namespace enc
