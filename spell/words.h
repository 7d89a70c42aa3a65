#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Words of a line of text and what the stress marks in them say. Plain C++ on UTF-16 units.
namespace spell {

inline constexpr char16_t kAcute = u'\u0301'; // the stress mark Ctrl+; types
inline constexpr char16_t kGrave = u'\u0300'; // a secondary stress

// A word found in a piece of text: its first unit and its length, in UTF-16 units.
struct WordSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const WordSpan&) const = default;
};

// The words of `units`: runs of Cyrillic (U+0400..U+04FF) and Latin letters, each letter with
// the combining marks (U+0300..U+036F) that follow it; an apostrophe (' or U+2019) or a hyphen
// between two letters belongs to the word. A run that touches a digit or an underscore is a
// code or a name, not a word, and is left out. Any units give some result.
std::vector<WordSpan> findWords(std::u16string_view units);

// True for the Cyrillic letters of U+0400..U+04FF.
bool isCyrillicLetter(char16_t unit);

// The stress marks of one word.
struct Stress {
    std::u16string plain;    // the word with every U+0301 and U+0300 taken out
    int stressedLetter = -1; // index in `plain` of the letter that carries the stress, or -1
    char16_t mark = 0;       // the stress mark that letter carries
    bool misplaced = false;  // a mark stands where no stress can be
    bool operator==(const Stress&) const = default;
};

// Reads the marks of a word as findWords gives it. A mark is a stress when it follows one of
// the Russian vowels а е и о у ы э ю я (either case) directly and no stress came before it in
// the word; a mark after any other unit (a consonant, ё, another mark) or a second stress makes
// the word `misplaced`. The first valid stress is kept in `stressedLetter` either way.
Stress readStress(std::u16string_view word);

// The word with the misplaced marks taken out and its valid stress, if any, kept.
std::u16string withoutMisplacedMarks(const Stress& stress);

// A suggestion for a stressed word with the stress put back on the same vowel: the letter at the
// same place when it is the same vowel, else the vowel with the same number counted from the
// start, else counted from the end, when it is that vowel. Without such a vowel, or when the
// word had no stress, the suggestion comes back as it is.
std::u16string withStress(std::u16string_view suggestion, const Stress& original);

} // namespace spell
