// The direct layout on an in-memory target: every key of both keyboards, the selection and
// Backspace.
#include "ime/inputengines.h"
#include "ime/stringtarget.h"

#include <QMap>
#include <QTest>

using ime::StringTarget;

namespace {

constexpr StringTarget::AfterInsert kBothControls[] = {StringTarget::AfterInsert::SelectInserted,
                                                       StringTarget::AfterInsert::CaretBehind};

// The layout as a typist reads it off the two keyboards, key row against letter row.
QMap<int, QString> expectedLayout(int placement) {
    QMap<int, QString> map;
    auto add = [&map](QByteArrayView keys, const char* letters) {
        const QString cyrillic = QString::fromUtf8(letters);
        QCOMPARE_EQ(cyrillic.size(), keys.size());
        for (qsizetype i = 0; i < keys.size(); ++i)
            map.insert(static_cast<unsigned char>(keys[i]), cyrillic.mid(i, 1));
    };
    add("QWERTYUIOPASDFGHJKLZXCVBNM<>?#", "ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬБЮЁ№");
    add("qwertyuiopasdfghjklzxcvbnm,./;", "йцукенгшщзфывапролдячсмитьбюёж");
    if (placement == ime::PlacementJapanese)
        add("`@{[+:*", "ХхЪъЖэЭ");
    else
        add("{[}]:\"'", "ХхЪъЖЭэ");
    return map;
}

QString keyName(int key) {
    if (key > 32 && key < 127)
        return QString(QChar(key));
    return key < 0 ? QString::number(key) : QString::asprintf("0x%02X", key);
}

} // namespace

class TestDirectInput : public QObject {
    Q_OBJECT

private slots:
    void everyKey_data();
    void everyKey();
    void editing_data();
    void editing();
};

void TestDirectInput::everyKey_data() {
    QTest::addColumn<int>("placement");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("letter"); // empty: the key passes through

    for (int placement : {ime::PlacementJapanese, ime::PlacementUs}) {
        const QMap<int, QString> layout = expectedLayout(placement);
        const char* board = placement == ime::PlacementJapanese ? "Japanese" : "US";
        QList<int> keys;
        for (int key = 0; key < 256; ++key) {
            if (key != 8)
                keys.append(key);
        }
        keys << 'a' + 256 << 'a' + 128 << -1 << -31;
        for (int key : keys) {
            const QString letter = layout.value(key);
            const QString name = QStringLiteral("%1 on %2 -> %3")
                                     .arg(keyName(key), QLatin1String(board),
                                          letter.isEmpty() ? QStringLiteral("passes") : letter);
            QTest::newRow(name.toUtf8().constData()) << placement << key << letter;
        }
    }
}

void TestDirectInput::everyKey() {
    QFETCH(int, placement);
    QFETCH(int, key);
    QFETCH(QString, letter);

    for (auto control : kBothControls) {
        StringTarget target = StringTarget::fromMarkup(u"ab|", control);
        const int result = ime::DirectInputKey(target, key, placement);
        if (letter.isEmpty()) {
            QCOMPARE(result, key);
            QCOMPARE(target.markup(), QStringLiteral("ab|"));
        } else {
            QCOMPARE(result, 0);
            QCOMPARE(target.markup(), QStringLiteral("ab") + letter + u'|');
        }
        QCOMPARE(target.selTextReads(), 0);
    }
}

void TestDirectInput::editing_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("after"); // once the control has handled a key passed to it

    QTest::newRow("a in empty text -> ф") << "|" << int('a') << 0 << "ф|";
    QTest::newRow("a inside a text -> ф at the caret") << "ab|cd" << int('a') << 0 << "abф|cd";
    QTest::newRow("a with abc selected -> ф after abc") << "x[abc]y" << int('a') << 0 << "xabcф|y";
    QTest::newRow("1 with abc selected -> typed after abc")
        << "[abc]" << int('1') << int('1') << "abc1|";
    QTest::newRow("Backspace in empty text -> swallowed") << "|" << 8 << 0 << "|";
    QTest::newRow("Backspace -> deletes before the caret") << "ab|c" << 8 << 8 << "a|c";
    QTest::newRow("Backspace with abc selected -> deletes c") << "x[abc]y" << 8 << 8 << "xab|y";
    QTest::newRow("Backspace at 0 in a text -> nothing to delete") << "|abc" << 8 << 8 << "|abc";
}

void TestDirectInput::editing() {
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(int, result);
    QFETCH(QString, after);

    for (int placement : {ime::PlacementJapanese, ime::PlacementUs}) {
        for (auto control : kBothControls) {
            StringTarget target = StringTarget::fromMarkup(before, control);
            QCOMPARE(ime::DirectInputKey(target, key, placement), result);
            target.controlKey(result);
            QCOMPARE(target.markup(), after);
            QCOMPARE(target.selTextReads(), 0);
        }
    }
}

QTEST_GUILESS_MAIN(TestDirectInput)
#include "tst_directinput.moc"
