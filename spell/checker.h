#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class Hunspell;

// Spell checking of Russian and English words with Hunspell, stress marks understood.
namespace spell {

// What a word is found to be.
enum class Verdict : std::uint8_t {
    Correct,
    Misspelled,      // its letters, marks taken out, are no word of the dictionaries
    MisplacedStress, // its letters are a word, but a mark stands where no stress can be
};

// The Russian (ru_RU) and English (en_US) Hunspell dictionaries. Loading takes about half a
// second, so it may run on a worker thread; the loaded object is then used from one thread at a
// time.
class Dictionaries {
public:
    // Loads ru_RU.aff/.dic and en_US.aff/.dic from the first folder of `folders` that holds
    // each pair (folder names in the local 8-bit encoding, without a trailing slash). A missing
    // pair leaves that language out; hasAny() is false when both are missing.
    static std::unique_ptr<Dictionaries> load(const std::vector<std::string>& folders);
    ~Dictionaries();

    bool hasAny() const { return m_russian || m_english; }
    // True when the word (no stress marks) is one of the dictionary's words. Words with
    // Cyrillic letters go to the Russian dictionary, others to the English one; a word whose
    // dictionary is missing is taken as correct.
    bool spell(std::u16string_view word);
    // The dictionary's suggestions for a word (no stress marks), best first.
    std::vector<std::u16string> suggest(std::u16string_view word);

private:
    struct Language;
    Dictionaries();
    Language* languageOf(std::u16string_view word);

    std::unique_ptr<Language> m_russian;
    std::unique_ptr<Language> m_english;
};

// The spell check of one editor: the shared dictionaries, the user's own words and the words
// ignored for this run, and a memory of the words already checked.
class Checker {
public:
    // `dictionaries` may be null: every word is then correct.
    explicit Checker(Dictionaries* dictionaries = nullptr);

    void setDictionaries(Dictionaries* dictionaries);
    bool hasDictionaries() const { return m_dictionaries && m_dictionaries->hasAny(); }

    // The verdict on a word as findWords gives it (UTF-16 units, stress marks included).
    Verdict check(std::u16string_view word);

    // Up to `max` replacements for a word that check() does not find correct: for a misplaced
    // stress the word without the misplaced marks; for a misspelled word the dictionary's
    // suggestions with the stress put back on the same vowel. Empty for a correct word.
    std::vector<std::u16string> suggest(std::u16string_view word, std::size_t max = 5);

    // Takes a word (stress marks taken out) as correct from now on, in any of the forms a
    // dictionary word takes: as written, with a capital first letter, in capitals. False for
    // an empty word or one holding a line break or a space.
    bool addOwnWord(std::u16string_view word);
    // The user's own words in the order they were added.
    const std::vector<std::u16string>& ownWords() const { return m_ownList; }

    // Takes the word as correct for this run: a misspelled one in every stress, one with a
    // misplaced mark only as written.
    void ignore(std::u16string_view word);

    // Counts changes of the verdicts (words added or ignored, dictionaries set).
    std::uint64_t generation() const { return m_generation; }

private:
    bool knownPlain(const std::u16string& plain);
    void forget();

    Dictionaries* m_dictionaries = nullptr;
    std::unordered_set<std::u16string> m_own;
    std::vector<std::u16string> m_ownList;
    std::unordered_set<std::u16string> m_ignoredPlain;
    std::unordered_set<std::u16string> m_ignoredWritten;
    std::unordered_map<std::u16string, Verdict> m_known;
    std::uint64_t m_generation = 0;
};

// The user's word list file: one word a line in UTF-8 (LF or CR LF). Empty lines, lines with a
// space and repeated words are skipped. Never fails.
std::vector<std::u16string> parseWordList(std::string_view text);
// The file's text for a list: each word followed by LF.
std::string formatWordList(const std::vector<std::u16string>& words);

} // namespace spell
