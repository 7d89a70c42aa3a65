// The romanized composer on an in-memory target: every key, the toggle cycles, the h
// digraphs, the deciding space, Backspace, selections in the editor and the find entry, and
// the two independent decision flags.
#include "ime/inputengines.h"
#include "ime/stringtarget.h"

#include <QMap>
#include <QTest>

using ime::SelectionCollapse;
using ime::StringTarget;

namespace {

constexpr StringTarget::AfterInsert kBothControls[] = {StringTarget::AfterInsert::SelectInserted,
                                                       StringTarget::AfterInsert::CaretBehind};

// The transliteration as a reader of the keymap sees it.
QMap<int, QString> expectedSimpleKeys() {
    QMap<int, QString> map;
    const QByteArray keys = "ACDFGHLMNOPRUVXYacdfghlmnopruvxy";
    const QString letters = QString::fromUtf8("АЧДФГНЛМНОПРУВХЫачдфгнлмнопрувхы");
    for (qsizetype i = 0; i < keys.size(); ++i)
        map.insert(keys[i], letters.mid(i, 1));
    return map;
}

QMap<int, QString> expectedCycles() {
    return {
        {'B', QString::fromUtf8("БЪЬ")},  {'b', QString::fromUtf8("бъь")},
        {'E', QString::fromUtf8("ЕЁЭ")},  {'e', QString::fromUtf8("еёэ")},
        {'I', QString::fromUtf8("ИЙЮЯ")}, {'i', QString::fromUtf8("ийюя")},
        {'K', QString::fromUtf8("КХ")},   {'k', QString::fromUtf8("кх")},
        {'S', QString::fromUtf8("СШЩ")},  {'s', QString::fromUtf8("сшщ")},
        {'T', QString::fromUtf8("ТЦ")},   {'t', QString::fromUtf8("тц")},
        {'Z', QString::fromUtf8("ЗЖ")},   {'z', QString::fromUtf8("зж")},
        {'q', QString::fromUtf8("өүӨҮ")},
    };
}

// Types the keys one after another; a key the composer passes on is handled the way a plain
// control does. Returns the passed keys.
QByteArray type(StringTarget& target, QByteArrayView keys, int& decided,
                SelectionCollapse collapse) {
    QByteArray passed;
    for (char k : keys) {
        const int key = static_cast<unsigned char>(k);
        const int result = ime::RomanizedInputKey(target, key, decided, collapse);
        if (result != 0 && result != key)
            qFatal("the composer changed key %d into %d", key, result);
        if (result != 0)
            passed += k;
        target.controlKey(result);
    }
    return passed;
}

} // namespace

class TestRomanized : public QObject {
    Q_OBJECT

private slots:
    void everyKey_data();
    void everyKey();
    void cycles_data();
    void cycles();
    void sequences_data();
    void sequences();
    void independentFlags();
    void openLetters();
};

void TestRomanized::everyKey_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("decided");

    const QMap<int, QString> simple = expectedSimpleKeys();
    const QMap<int, QString> cycles = expectedCycles();
    for (int key = 0; key < 256; ++key) {
        QString letter = simple.value(key);
        if (cycles.contains(key))
            letter = cycles.value(key).front();
        const bool space = key == ' ';
        const QString outcome = !letter.isEmpty() ? letter
                                : space           ? QStringLiteral("decides")
                                                  : QStringLiteral("passes");
        const QString name =
            (key > 32 && key < 127 ? QString(QChar(key)) : QString::asprintf("0x%02X", key)) +
            QStringLiteral(" -> ") + outcome;
        QTest::newRow(name.toUtf8().constData())
            << key << (letter.isEmpty() && !space ? key : 0) << QStringLiteral("ab") + letter + u'|'
            << int(space);
    }
}

// Behind a Latin letter no key cycles or joins; only the space decides.
void TestRomanized::everyKey() {
    QFETCH(int, key);
    QFETCH(int, result);
    QFETCH(QString, after);
    QFETCH(int, decided);

    StringTarget target = StringTarget::fromMarkup(u"ab|");
    int flag = 0;
    QCOMPARE(ime::RomanizedInputKey(target, key, flag), result);
    QCOMPARE(target.markup(), after);
    QCOMPARE(flag, decided);
    QCOMPARE(target.selTextReads(), 0);
}

void TestRomanized::cycles_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("cycle");

    const QMap<int, QString> cycles = expectedCycles();
    for (auto it = cycles.begin(); it != cycles.end(); ++it) {
        QString name = QString(QChar(it.key())) + QStringLiteral(" x%1 ->").arg(it->size() + 1);
        for (QChar letter : *it + it->front()) {
            name += u' ';
            name += letter;
        }
        QTest::newRow(name.toUtf8().constData()) << it.key() << *it;
    }
}

// Each press turns the letter before the caret into the next member, back to the first.
void TestRomanized::cycles() {
    QFETCH(int, key);
    QFETCH(QString, cycle);

    for (auto control : kBothControls) {
        StringTarget target = StringTarget::fromMarkup(u"x|y", control);
        int decided = 0;
        for (qsizetype press = 0; press <= cycle.size(); ++press) {
            QCOMPARE(ime::RomanizedInputKey(target, key, decided), 0);
            QCOMPARE(target.markup(),
                     QStringLiteral("x") + cycle.at(press % cycle.size()) + QStringLiteral("|y"));
        }
        QCOMPARE(decided, 0);
    }
}

void TestRomanized::sequences_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("entry"); // the find entry collapses a selection to its start
    QTest::addColumn<int>("decidedBefore");
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("decidedAfter");
    QTest::addColumn<QByteArray>("passed");

    auto row = [](const char* name, const char* before, QByteArray keys, const char* after,
                  int decidedBefore = 0, int decidedAfter = 0, QByteArray passed = {},
                  bool entry = false) {
        QTest::newRow(name) << QString::fromUtf8(before) << entry << decidedBefore << keys
                            << QString::fromUtf8(after) << decidedAfter << passed;
    };

    // Digraphs and toggles that give the same letters.
    row("z h -> ж", "|", "zh", "ж|");
    row("z z -> ж", "|", "zz", "ж|");
    row("z z z -> з", "|", "zzz", "з|");
    row("k h -> х", "|", "kh", "х|");
    row("k k -> х", "|", "kk", "х|");
    row("s h -> ш", "|", "sh", "ш|");
    row("s s -> ш", "|", "ss", "ш|");
    row("s s s -> щ", "|", "sss", "щ|");
    row("s h s -> щ", "|", "shs", "щ|");
    row("Z h -> Ж", "|", "Zh", "Ж|");
    row("K h -> Х", "|", "Kh", "Х|");
    row("S h -> Ш", "|", "Sh", "Ш|");
    row("Z H -> ЗН", "|", "ZH", "ЗН|");
    row("h h -> нн", "|", "hh", "нн|");
    row("b after Б -> Бб", "Б|", "b", "Бб|");
    row("b after an existing б -> ъ", "xб|y", "b", "xъ|y");

    // The deciding space.
    row("b b -> ъ", "|", "bb", "ъ|");
    row("b space b -> бб", "|", "b b", "бб|");
    row("s space h -> сн", "|", "s h", "сн|");
    row("a space a -> аа", "|", "a a", "аа|");
    row("a space space a -> а а", "|", "a  a", "а а|", 0, 0, " ");
    row("a space -> decided", "|", "a ", "а|", 0, 1);
    row("decided: b after б -> бб", "б|", "b", "бб|", 1, 0);
    row("decided: h after с -> сн", "с|", "h", "сн|", 1, 0);
    row("decided: a -> flag cleared", "x|", "a", "xа|", 1, 0);
    row("decided: space -> typed", "а|", " ", "а |", 1, 0, " ");
    row("1 then space -> swallowed", "а|", "1 ", "а1|", 1, 1, "1");
    row("a space . space -> а.", "|", "a . ", "а.|", 0, 1, ".");
    row("Return -> flag cleared", "а|", "\r", "а\r|", 1, 0, "\r");
    row("Q J j W w -> pass", "а|", "QJjWw", "аQJjWw|", 1, 0, "QJjWw");
    row("code E1 -> passes, flag cleared", "а|", "\xE1", "а\u00E1|", 1, 0, "\xE1");
    row("code E2 (b + 128) after б -> passes", "б|", "\xE2", "б\u00E2|", 0, 0, "\xE2");

    // Empty text and the start of a text.
    row("space in empty text -> typed", "|", " ", " |", 0, 0, " ");
    row("decided: b in empty text -> б", "|", "b", "б|", 1, 0);
    row("b at 0 -> б, the letter after is not read", "|бa", "b", "б|бa");
    row("h at 0 before с -> н", "|с", "h", "н|с");

    // Backspace.
    row("Backspace in empty text -> swallowed, flag cleared", "|", "\b", "|", 1, 0);
    row("Backspace -> deletes, flag kept", "аб|", "\b", "а|", 1, 1, "\b");
    row("Backspace after a space -> deletes, flag kept", "|", "ab \b", "а|", 0, 1, "\b");

    // Selections: the editor types after the selection, the entry before it.
    row("editor: a over abc -> after abc", "x[abc]y", "a", "xabcа|y");
    row("editor: b over аб -> cycles б", "[аб]", "b", "аъ|");
    row("editor: space over abc -> decided", "[abc]", " ", "abc|", 0, 1);
    row("editor: Backspace over abc -> deletes c", "x[abc]y", "\b", "xab|y", 0, 0, "\b");
    row("entry: a over abc -> before abc", "x[abc]y", "a", "xа|abcy", 0, 0, {}, true);
    row("entry: b over abc after б -> ъ", "б[abc]", "b", "ъ|abc", 0, 0, {}, true);
    row("entry: b over бabc at 0 -> б", "[бabc]", "b", "б|бabc", 0, 0, {}, true);
    row("entry: Backspace over abc -> deletes x", "x[abc]y", "\b", "|abcy", 0, 0, "\b", true);
}

void TestRomanized::sequences() {
    QFETCH(QString, before);
    QFETCH(bool, entry);
    QFETCH(int, decidedBefore);
    QFETCH(QByteArray, keys);
    QFETCH(QString, after);
    QFETCH(int, decidedAfter);
    QFETCH(QByteArray, passed);

    const SelectionCollapse collapse =
        entry ? SelectionCollapse::ToStart : SelectionCollapse::ToEnd;
    for (auto control : kBothControls) {
        StringTarget target = StringTarget::fromMarkup(before, control);
        int decided = decidedBefore;
        QCOMPARE(type(target, keys, decided, collapse), passed);
        QCOMPARE(target.markup(), after);
        QCOMPARE(decided, decidedAfter);
        QCOMPARE(target.selTextReads(), 0);
    }
}

// The editor and the find entry each keep their own decision.
void TestRomanized::independentFlags() {
    StringTarget editor = StringTarget::fromMarkup(u"|");
    StringTarget entry =
        StringTarget::fromMarkup(QString::fromUtf8("б|"), StringTarget::AfterInsert::CaretBehind);
    int romaDecided = 0;
    int editRomaDecided = 0;

    type(editor, "b ", romaDecided, SelectionCollapse::ToEnd);
    type(entry, "b", editRomaDecided, SelectionCollapse::ToStart);
    QCOMPARE(entry.markup(), QString::fromUtf8("ъ|"));
    QCOMPARE(romaDecided, 1);

    type(entry, " ", editRomaDecided, SelectionCollapse::ToStart);
    QCOMPARE(editRomaDecided, 1);
    type(editor, "b", romaDecided, SelectionCollapse::ToEnd);
    QCOMPARE(editor.markup(), QString::fromUtf8("бб|"));
    QCOMPARE(editRomaDecided, 1);
}

// A unit counts as open exactly when some key, pressed with the flag clear, makes the composer
// replace it in place: the editor underlines no letter that cannot change, and every one that
// can.
void TestRomanized::openLetters() {
    int open = 0;
    for (char16_t unit = 0x20; unit < 0x0530; ++unit) {
        bool changes = false;
        for (int key = 0; key < 128 && !changes; ++key) {
            StringTarget target{QString(QChar(unit))};
            target.setSelStart(1);
            int decided = 0;
            changes = ime::RomanizedInputKey(target, key, decided) == 0 &&
                      target.text().size() == 1 && target.text().at(0) != QChar(unit);
        }
        QVERIFY2(ime::RomanizedLetterIsOpen(unit) == changes, qPrintable(QString(QChar(unit))));
        open += changes;
    }
    QCOMPARE(open, 42); // the members of the 15 cycles; the h digraphs' letters are among them
}

QTEST_GUILESS_MAIN(TestRomanized)
#include "tst_romanized.moc"
