// Retyping a text: the romanized composer and the direct layout run over Latin keys, and the
// direct layout read backwards, on both keyboards.
#include "ime/inputengines.h"
#include "ime/retype.h"

#include <QTest>

namespace {

enum class Retype { Romanized, Direct, Latin };

QString retype(Retype how, const QString& text, int placement) {
    switch (how) {
    case Retype::Romanized:
        return ime::retypeRomanized(text);
    case Retype::Direct:
        return ime::retypeDirect(text, placement);
    case Retype::Latin:
        return ime::retypeAsLatin(text, placement);
    }
    return {};
}

constexpr int kJapanese = ime::PlacementJapanese;
constexpr int kUs = ime::PlacementUs;

} // namespace

Q_DECLARE_METATYPE(Retype)

class TestRetype : public QObject {
    Q_OBJECT

private slots:
    void retypes_data() {
        QTest::addColumn<Retype>("how");
        QTest::addColumn<int>("placement");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        const auto roma = [](const char* text, const char* expected, const char* name = nullptr) {
            for (const int placement : {kJapanese, kUs})
                QTest::addRow("roma: %s (%s)", name ? name : text,
                              placement == kJapanese ? "Japanese" : "US")
                    << Retype::Romanized << placement << QString::fromUtf8(text)
                    << QString::fromUtf8(expected);
        };
        roma("privet", "привет");
        roma("privet mir", "привет мир");
        roma("Moskva, 2024!", "Москва, 2024!");
        roma("kasha", "каша");
        roma("zhuk", "жук");
        roma("ss", "ш");
        roma("sss", "щ");
        roma("shh", "шн");
        roma("iiii", "я");
        roma("qqqqq", "ө");
        roma("bb", "ъ");
        roma("b b", "б б");
        roma("Zh", "Ж");
        roma("ZH", "ЗН");
        roma("jw and Q stay", "jw анд Q стаы"); // j, w and the capital Q are not its keys
        roma("s\r\nh", "с\r\nн", "s CR LF h");
        // A Cyrillic letter stays as it is: the h after it starts a word of its own.
        roma("сh", "сн");
        roma("mu\u0301ka", "му\u0301ка");

        const auto direct = [](int placement, const char* text, const char* expected) {
            QTest::addRow("direct: %s (%s)", text, placement == kJapanese ? "Japanese" : "US")
                << Retype::Direct << placement << QString::fromUtf8(text)
                << QString::fromUtf8(expected);
        };
        for (const int placement : {kJapanese, kUs}) {
            direct(placement, "ghbdtn", "привет");
            direct(placement, "ghbdtn vbh", "привет мир");
            direct(placement, "Ghbdtn, vbh!", "Приветб мир!");
            direct(placement, "#1 ;", "№1 ж");
            direct(placement, "я 9", "я 9");
        }
        direct(kJapanese, "@[`{+:*", "хъХЪЖэЭ");
        direct(kUs, "[]{}:\"'", "хъХЪЖЭэ");
        direct(kJapanese, "]}\"'", "]}\"'");
        direct(kUs, "@`+*", "@`+*");

        const auto latin = [](int placement, const char* text, const char* expected) {
            QTest::addRow("latin: %s (%s)", text, placement == kJapanese ? "Japanese" : "US")
                << Retype::Latin << placement << QString::fromUtf8(text)
                << QString::fromUtf8(expected);
        };
        for (const int placement : {kJapanese, kUs}) {
            latin(placement, "руддщ", "hello");
            latin(placement, "Привет, мир!", "Ghbdtn, vbh!");
            latin(placement, "ёжб№", "/;,#");
            latin(placement, "abc 123 ө", "abc 123 ө");
        }
        latin(kJapanese, "хъХЪЖэЭ", "@[`{+:*");
        latin(kUs, "хъХЪЖЭэ", "[]{}:\"'");
    }
    void retypes() {
        QFETCH(Retype, how);
        QFETCH(int, placement);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(retype(how, text, placement), expected);
    }

    // Retyping as Latin undoes the direct layout on every key of each keyboard, and the direct
    // layout undoes it on every letter.
    void latinUndoesDirect() {
        for (const int placement : {kJapanese, kUs}) {
            int mapped = 0;
            for (int key = 0; key < 0x80; ++key) {
                const QString typed{QChar(char16_t(key))};
                const QString letter = ime::retypeDirect(typed, placement);
                mapped += letter != typed;
                QCOMPARE(ime::retypeAsLatin(letter, placement), typed);
            }
            QCOMPARE(mapped, 67);
            for (char16_t unit = 0x400; unit < 0x500; ++unit) {
                const QString letter(QChar{unit});
                QCOMPARE(ime::retypeDirect(ime::retypeAsLatin(letter, placement), placement),
                         letter);
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestRetype)
#include "tst_retype.moc"
