#pragma once

#include "spell/checker.h"
#include "spell/linecache.h"
#include "text/textbuffer.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <optional>
#include <string>
#include <vector>

class MemoView;
class QTimer;

// Spell checking as you type in the editor: underlines under the words in sight that the
// dictionaries do not know (red) or whose stress mark stands where no stress can be (blue).
// Nothing is checked while a key is handled: an edit only drops the results of the lines it
// touched, and an idle timer checks the lines in sight once the typing or scrolling pauses.
// Without dictionaries nothing is underlined.
//
// Two files of its own live beside the settings files: spelledit.dat (one decimal line: 1
// when checking is on, 0 when off; on when the file is missing) and wordsedit.dat (the user's
// own words, one UTF-8 word a line).
class SpellMarks : public QObject {
    Q_OBJECT
public:
    static constexpr char kSwitchFileName[] = "spelledit.dat";
    static constexpr char kWordsFileName[] = "wordsedit.dat";
    // Pause after the last edit or scroll before the lines in sight are checked, in ms.
    static constexpr int kIdleMs = 300;
    static inline const QColor kMisspelledColor{255, 0, 0};
    static inline const QColor kStressColor{0, 0, 255};

    // Reads both files and starts loading the dictionaries if no editor has yet.
    SpellMarks(MemoView& view, QObject* parent);
    ~SpellMarks() override;

    bool isOn() const { return m_on; }
    // Switches checking on or off and writes spelledit.dat (whole or not at all).
    void setOn(bool on);

    // A word in the text that the check does not find correct (buffer positions).
    struct Word {
        text::Pos start = 0;
        text::Pos length = 0;
        std::u16string text;
        spell::Verdict verdict = spell::Verdict::Misspelled;
    };
    // The flagged word that holds pos or ends at it; nothing when checking is off, the
    // dictionaries are not loaded or the word there is correct.
    std::optional<Word> flaggedWordAt(text::Pos pos);
    // Up to five replacements, the stress kept on its vowel.
    std::vector<std::u16string> suggestions(const Word& word);
    // Puts `replacement` in place of the word as one undo step, the caret behind it; nothing
    // when the text there is no longer the word.
    void replace(const Word& word, const std::u16string& replacement);
    // Takes the word as correct from now on and writes the word list file; false when the file
    // could not be written (the word is still taken for this run).
    bool addToDictionary(const Word& word);
    // Takes the word as correct for this run.
    void ignore(const Word& word);

    // Checks the lines in sight that have no result yet and repaints; the idle timer runs it.
    // False while the dictionaries are still loading.
    bool checkLinesInSight();
    // Waits up to `ms` for the dictionaries; true when they are loaded and at least one was
    // found (tests).
    static bool waitForDictionaries(int ms);

private:
    // Takes the shared dictionaries once they are loaded; false while they are loading.
    bool takeDictionaries();
    void textChanged(const text::Change& change);
    void idle();
    // The lines from the one of `first` to the one of `last`, each with the part of it in sight
    // (units from the line's start) and its result when that covers the part.
    struct LineInSight {
        text::Pos line = 0;
        text::Pos start = 0; // the line's first unit in the buffer
        text::Pos from = 0;
        text::Pos to = 0;
        const spell::LineResult* result = nullptr;
    };
    template <class F> void forLinesInSight(text::Pos first, text::Pos last, F&& visit) const;
    void forgetResults();

    MemoView& m_view;
    QPointer<MemoView> m_viewAlive;
    QTimer* m_idle = nullptr;
    bool m_on = true;
    bool m_noDictionaries = false;
    spell::Checker m_checker;
    spell::LineCache m_lines;
};
