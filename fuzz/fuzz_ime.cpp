// Drives both input engines with random texts, selections and key codes and checks after
// every key that the target stays consistent and that the engine kept to its contract.
//
// Input layout: byte 0 is the text length (mod 48), then one byte per text unit (an index
// into kUnits), then selection start, selection length and a settings byte (bit 0: the
// control keeps inserted text selected; bits 1-2: start values of the editor and entry
// decision flags). The rest are pairs of a selector byte and a key code. Selector bits:
// 0 romanized (else direct), 1 US keyboard, 2 entry collapse, 3 let the control handle a
// passed key, 4 move the selection using the next two bytes first.
#include "ime/inputengines.h"
#include "ime/stringtarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Letters of the cycles and digraphs, Latin letters, line breaks and lone surrogates.
constexpr char16_t kUnits[] = {
    u'a',      u'b',      u'h',      u'x',      u' ',      u'\r',     u'\n',
    0xD800,    0xDC00,    u'\u0431', u'\u044A', u'\u044C', u'\u0411', u'\u042A',
    u'\u042C', u'\u0437', u'\u0436', u'\u0417', u'\u0416', u'\u043A', u'\u0445',
    u'\u041A', u'\u0425', u'\u0441', u'\u0448', u'\u0449', u'\u0421', u'\u0428',
    u'\u0429', u'\u0435', u'\u0451', u'\u044D', u'\u0438', u'\u0439', u'\u044E',
    u'\u044F', u'\u04E9', u'\u04AF', u'\u04E8', u'\u04AE', u'\u2116',
};
constexpr std::size_t kUnitCount = sizeof(kUnits) / sizeof(kUnits[0]);

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    std::uint8_t next() { return atEnd() ? 0 : m_data[m_pos++]; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

void check(bool ok, const char* what, int key) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_ime: %s (key %d)\n", what, key);
        std::abort();
    }
}

void checkSelection(const ime::StringTarget& target, int key) {
    check(target.selStart() >= 0 && target.selLength() >= 0 &&
              target.selStart() + target.selLength() <= target.length(),
          "selection outside the text", key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);

    QString text;
    const int length = bytes.next() % 48;
    for (int i = 0; i < length; ++i)
        text.append(QChar(kUnits[bytes.next() % kUnitCount]));
    const qsizetype selStart = bytes.next() % (text.size() + 1);
    const qsizetype selLength = bytes.next() % (text.size() + 1);
    const std::uint8_t settings = bytes.next();

    ime::StringTarget target(text, (settings & 1) != 0
                                       ? ime::StringTarget::AfterInsert::SelectInserted
                                       : ime::StringTarget::AfterInsert::CaretBehind);
    target.setSelection(selStart, selLength);
    int decided[2] = {(settings >> 1) & 1, (settings >> 2) & 1};

    while (!bytes.atEnd()) {
        const std::uint8_t selector = bytes.next();
        if ((selector & 16) != 0) {
            const qsizetype start = bytes.next();
            target.setSelection(start, bytes.next());
            checkSelection(target, -1);
        }
        const int key = bytes.next();
        const bool entry = (selector & 4) != 0;
        const QString before = target.text();
        const int reads = target.selTextReads();

        int result;
        if ((selector & 1) != 0) {
            result = ime::RomanizedInputKey(target, key, decided[entry ? 1 : 0],
                                            entry ? ime::SelectionCollapse::ToStart
                                                  : ime::SelectionCollapse::ToEnd);
            check(decided[entry ? 1 : 0] == 0 || decided[entry ? 1 : 0] == 1,
                  "decision flag is neither 0 nor 1", key);
        } else {
            result = ime::DirectInputKey(
                target, key, (selector & 2) != 0 ? ime::PlacementUs : ime::PlacementJapanese);
        }

        checkSelection(target, key);
        check(target.selLength() == 0, "the engine left a selection", key);
        check(result == 0 || result == key, "the engine changed the key code", key);
        check(target.selTextReads() == reads, "the engine read the selected text", key);
        if (result != 0) {
            check(target.text() == before, "a passed key changed the text", key);
        } else if (target.text() != before) {
            // Exactly one letter was inserted or replaced, just before the caret.
            const QString& after = target.text();
            const qsizetype caret = target.selStart();
            check(caret > 0, "a letter but no caret behind it", key);
            QString without = after;
            without.remove(caret - 1, 1);
            const bool inserted = after.size() == before.size() + 1 && without == before;
            bool replaced = false;
            if (after.size() == before.size()) {
                QString restored = after;
                restored[caret - 1] = before.at(caret - 1);
                replaced = restored == before;
            }
            check(inserted || replaced, "the text changed other than before the caret", key);
        }

        if ((selector & 8) != 0) {
            target.controlKey(result);
            checkSelection(target, key);
        }
    }
    return 0;
}
