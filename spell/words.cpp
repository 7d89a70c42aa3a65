#include "spell/words.h"

namespace spell {

namespace {

bool isMark(char16_t unit) {
    return unit >= 0x0300 && unit <= 0x036F;
}

bool isLatinLetter(char16_t unit) {
    if ((unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z'))
        return true;
    // Latin-1 letters (× and ÷ are not) and Latin Extended-A and -B.
    return (unit >= 0x00C0 && unit <= 0x024F && unit != 0x00D7 && unit != 0x00F7);
}

bool isLetter(char16_t unit) {
    return isLatinLetter(unit) || isCyrillicLetter(unit);
}

bool isJoiner(char16_t unit) {
    return unit == u'\'' || unit == u'\u2019' || unit == u'-';
}

bool breaksWord(char16_t unit) {
    return (unit >= u'0' && unit <= u'9') || unit == u'_';
}

char16_t lower(char16_t unit) {
    if (unit >= u'\u0410' && unit <= u'\u042F')
        return static_cast<char16_t>(unit + 0x20);
    if (unit >= u'\u0400' && unit <= u'\u040F')
        return static_cast<char16_t>(unit + 0x50);
    return unit;
}

// The Russian vowels that can carry a stress mark (ё is always stressed and carries none).
bool takesStress(char16_t unit) {
    switch (lower(unit)) {
    case u'а':
    case u'е':
    case u'и':
    case u'о':
    case u'у':
    case u'ы':
    case u'э':
    case u'ю':
    case u'я':
        return true;
    default:
        return false;
    }
}

bool isVowel(char16_t unit) {
    return takesStress(unit) || lower(unit) == u'ё';
}

} // namespace

bool isCyrillicLetter(char16_t unit) {
    return unit >= 0x0400 && unit <= 0x04FF && !(unit >= 0x0482 && unit <= 0x0489);
}

std::vector<WordSpan> findWords(std::u16string_view units) {
    std::vector<WordSpan> words;
    const std::size_t n = units.size();
    std::size_t i = 0;
    while (i < n) {
        if (!isLetter(units[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        std::size_t end = i;
        while (end < n) {
            if (isLetter(units[end]) || (isMark(units[end]) && end > start)) {
                ++end;
            } else if (isJoiner(units[end]) && end + 1 < n && isLetter(units[end + 1])) {
                end += 2;
            } else {
                break;
            }
        }
        const bool touchesCode =
            (start > 0 && breaksWord(units[start - 1])) || (end < n && breaksWord(units[end]));
        if (touchesCode) {
            // The whole run of letters, digits and joiners is skipped.
            while (end < n && (isLetter(units[end]) || isMark(units[end]) ||
                               breaksWord(units[end]) || isJoiner(units[end])))
                ++end;
        } else {
            words.push_back({start, end - start});
        }
        i = end;
    }
    return words;
}

Stress readStress(std::u16string_view word) {
    Stress stress;
    stress.plain.reserve(word.size());
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char16_t unit = word[i];
        if (unit != kAcute && unit != kGrave) {
            stress.plain.push_back(unit);
            continue;
        }
        const bool afterVowel = i > 0 && takesStress(word[i - 1]);
        if (afterVowel && stress.stressedLetter < 0) {
            stress.stressedLetter = static_cast<int>(stress.plain.size()) - 1;
            stress.mark = unit;
        } else {
            stress.misplaced = true;
        }
    }
    return stress;
}

std::u16string withoutMisplacedMarks(const Stress& stress) {
    std::u16string word = stress.plain;
    if (stress.stressedLetter >= 0)
        word.insert(word.begin() + stress.stressedLetter + 1, stress.mark);
    return word;
}

std::u16string withStress(std::u16string_view suggestion, const Stress& original) {
    std::u16string word(suggestion);
    if (original.stressedLetter < 0)
        return word;
    const std::size_t letter = static_cast<std::size_t>(original.stressedLetter);
    const char16_t vowel = lower(original.plain[letter]);
    // Which vowel of the word it is, from the start and from the end.
    int fromStart = 0;
    int fromEnd = 0;
    for (std::size_t i = 0; i < original.plain.size(); ++i) {
        if (!isVowel(original.plain[i]))
            continue;
        if (i < letter)
            ++fromStart;
        else if (i > letter)
            ++fromEnd;
    }
    auto nthVowel = [&](int n, bool backwards) -> std::size_t {
        for (std::size_t k = 0; k < word.size(); ++k) {
            const std::size_t i = backwards ? word.size() - 1 - k : k;
            if (isVowel(word[i]) && n-- == 0)
                return i;
        }
        return std::u16string::npos;
    };
    std::size_t at = std::u16string::npos;
    if (letter < word.size() && lower(word[letter]) == vowel) {
        at = letter;
    } else if (const std::size_t i = nthVowel(fromStart, false);
               i != std::u16string::npos && lower(word[i]) == vowel) {
        at = i;
    } else if (const std::size_t j = nthVowel(fromEnd, true);
               j != std::u16string::npos && lower(word[j]) == vowel) {
        at = j;
    }
    if (at != std::u16string::npos)
        word.insert(word.begin() + static_cast<std::ptrdiff_t>(at) + 1, original.mark);
    return word;
}

} // namespace spell
