#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kanji {

// One record of the Kanji-to-Hangul table: a CJK ideograph and its Sino-Korean readings as
// precomposed Hangul syllables. reading2 is 0 when the ideograph has one reading; count is
// informational only and never consulted by the lookup.
struct KanjiHangulRecord {
    std::uint16_t count;
    std::uint16_t kanji;
    std::uint16_t reading1;
    std::uint16_t reading2;
};

// The Hangul reading of one UTF-16 unit. Type 2 gives the second reading where the table has
// one and the first otherwise; any other type gives the first reading. A unit that is not in
// the table (kana, Latin, surrogate halves, ideographs the table lacks) comes back unchanged.
char16_t KanjiToHangul(char16_t unit, int type);

// Converts text unit by unit with KanjiToHangul: the result has the same length in UTF-16
// units as the input, and only the table's ideographs differ.
std::u16string ConvertKanjiToHangul(std::u16string_view text, int type);

} // namespace kanji
