// The Shift_JIS, EUC-JP and Cyrillic code tables against independent facts, and the dense
// lookups; the Cyrillic decoders against Qt's own codecs.
#include "encoding/decoders.h"
#include "encoding/tables.h"

#include <QStringDecoder>
#include <QtTest>

using namespace enc;

namespace {

bool isSjisLeadWithEntries(int lead) {
    return (lead >= 0x81 && lead <= 0x84) || (lead >= 0x87 && lead <= 0x9F) ||
           (lead >= 0xE0 && lead <= 0xEA) || lead == 0xED || lead == 0xEE ||
           (lead >= 0xFA && lead <= 0xFC);
}

template <std::size_t N> bool strictlySorted(const CodePair (&table)[N]) {
    for (std::size_t i = 1; i < N; ++i) {
        if (table[i - 1].key >= table[i].key)
            return false;
    }
    return true;
}

// The three Cyrillic code pages in the order of the rows below.
struct CyrillicPage {
    const CodePair* table;
    std::size_t entries;
    char16_t (*lookup)(std::uint8_t);
    std::size_t (*decode)(std::span<const std::uint8_t>, char16_t*);
};
const CyrillicPage kCyrillic[] = {
    {Cp1251Table, kCp1251TableSize, LookupCp1251, Cp1251ToUtf16},
    {Koi8rTable, kKoi8rTableSize, LookupKoi8r, Koi8rToUtf16},
    {Cp866Table, kCp866TableSize, LookupCp866, Cp866ToUtf16},
};

void addCyrillicRows() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QByteArray>("codecName"); // as Qt's codecs know it
    QTest::addColumn<int>("entries");
    QTest::addColumn<QByteArray>("undefined");
    QTest::newRow("Windows-1251: 127 entries, 98 undefined")
        << 0 << QByteArray("windows-1251") << 127 << QByteArray("\x98");
    QTest::newRow("KOI8-R: 128 entries") << 1 << QByteArray("KOI8-R") << 128 << QByteArray();
    QTest::newRow("CP866: 128 entries") << 2 << QByteArray("IBM866") << 128 << QByteArray();
}

} // namespace

class TestEncodingTables : public QObject {
    Q_OBJECT
private slots:
    void sjisIsSortedWithoutDuplicates() {
        QCOMPARE(std::size(SjisTable), std::size_t(7915));
        QVERIFY(strictlySorted(SjisTable));
    }

    void sjisSingleBytes() {
        int singles = 0;
        for (const CodePair& p : SjisTable) {
            if (p.key > 0xFF)
                continue;
            ++singles;
            if (p.key < 0x80)
                QCOMPARE(int(p.unit), int(p.key));
            else if (p.key >= 0xA1 && p.key <= 0xDF)
                QCOMPARE(int(p.unit), 0xFF61 + (p.key - 0xA1));
            else
                QFAIL(qPrintable(QString("single byte %1 has an entry").arg(p.key, 0, 16)));
        }
        QCOMPARE(singles, 128 + 63);
        for (int b : {0x80, 0xA0, 0xFD, 0xFE, 0xFF})
            QCOMPARE(int(LookupSjis(std::uint16_t(b))), 0x25A1);
    }

    void sjisTwoByteCodesOnlyInTheirRows() {
        int doubles = 0;
        for (const CodePair& p : SjisTable) {
            if (p.key <= 0xFF)
                continue;
            ++doubles;
            const int lead = p.key >> 8;
            const int trail = p.key & 0xFF;
            QVERIFY2(isSjisLeadWithEntries(lead), qPrintable(QString::number(p.key, 16)));
            QVERIFY(trail >= 0x40 && trail <= 0xFC && trail != 0x7F);
        }
        QCOMPARE(doubles, 7915 - 191);
        // Lead bytes 85, 86, EB, EC, EF and the user area F0..F9 have nothing.
        for (int lead : {0x85, 0x86, 0xEB, 0xEC, 0xEF, 0xF0, 0xF5, 0xF9})
            for (int trail = 0x40; trail <= 0xFC; ++trail)
                QCOMPARE(int(LookupSjis(std::uint16_t(lead << 8 | trail))), 0x25A1);
    }

    void sjisKnownPairs_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("unit");
        QTest::newRow("82A0 -> あ") << 0x82A0 << 0x3042;
        QTest::newRow("845B -> Ъ") << 0x845B << 0x042A;
        QTest::newRow("844A -> Й") << 0x844A << 0x0419;
        QTest::newRow("8160 -> ～ (cp932 choice)") << 0x8160 << 0xFF5E;
        QTest::newRow("815F -> ＼ (cp932 choice)") << 0x815F << 0xFF3C;
        QTest::newRow("817C -> － (cp932 choice)") << 0x817C << 0xFF0D;
        QTest::newRow("B1 -> ｱ") << 0xB1 << 0xFF71;
        QTest::newRow("5C stays") << 0x5C << 0x5C;
        QTest::newRow("7E stays") << 0x7E << 0x7E;
        QTest::newRow("8740 NEC row 13 ①") << 0x8740 << 0x2460;
        QTest::newRow("889F 亜") << 0x889F << 0x4E9C;
        QTest::newRow("FA40 IBM ⅰ") << 0xFA40 << 0x2170;
        QTest::newRow("ED40 NEC-selected IBM 纊") << 0xED40 << 0x7E8A;
        QTest::newRow("81A0 □ is a real entry") << 0x81A0 << 0x25A1;
        QTest::newRow("8140 ideographic space") << 0x8140 << 0x3000;
    }
    void sjisKnownPairs() {
        QFETCH(int, key);
        QFETCH(int, unit);
        QCOMPARE(int(LookupSjis(std::uint16_t(key))), unit);
    }

    void eucIsSortedWithoutDuplicates() {
        QCOMPARE(std::size(EucTable), std::size_t(6943));
        QVERIFY(strictlySorted(EucTable));
    }

    void eucHoldsJisX0208KatakanaAndTheExtra() {
        int jis = 0;
        int halfWidth = 0;
        for (const CodePair& p : EucTable) {
            const int first = p.key >> 8;
            const int second = p.key & 0xFF;
            if (first == 0x8E) {
                QVERIFY(second >= 0xA1 && second <= 0xDF);
                QCOMPARE(int(p.unit), 0xFF61 + second - 0xA1);
                ++halfWidth;
                continue;
            }
            QVERIFY2((first >= 0xA1 && first <= 0xA8) || (first >= 0xB0 && first <= 0xF4),
                     qPrintable(QString::number(p.key, 16)));
            QVERIFY(second >= 0xA1 && second <= 0xFE);
            if (p.key != 0xA2AF)
                ++jis;
        }
        QCOMPARE(halfWidth, 63);
        QCOMPARE(jis, 6879); // the characters of JIS X 0208
        // No JIS X 0212 and no NEC row 13.
        QCOMPARE(int(LookupEuc(0x8FB0)), 0x25A1);
        QCOMPARE(int(LookupEuc(0xADA1)), 0x25A1);
    }

    void eucKnownPairs_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("unit");
        QTest::newRow("A4A2 -> あ") << 0xA4A2 << 0x3042;
        QTest::newRow("A7BC -> Ъ") << 0xA7BC << 0x042A;
        QTest::newRow("A7A7 -> Ё") << 0xA7A7 << 0x0401;
        QTest::newRow("8EB1 -> ｱ") << 0x8EB1 << 0xFF71;
        QTest::newRow("A1B1 overline") << 0xA1B1 << 0x203E;
        QTest::newRow("A1BD em dash") << 0xA1BD << 0x2014;
        QTest::newRow("A1C0 fullwidth reverse solidus") << 0xA1C0 << 0xFF3C;
        QTest::newRow("A1C1 wave dash") << 0xA1C1 << 0x301C;
        QTest::newRow("A1C2 double vertical line") << 0xA1C2 << 0x2016;
        QTest::newRow("A1DD minus sign") << 0xA1DD << 0x2212;
        QTest::newRow("A1EF yen sign") << 0xA1EF << 0x00A5;
        QTest::newRow("A1F1 cent sign") << 0xA1F1 << 0x00A2;
        QTest::newRow("A1F2 pound sign") << 0xA1F2 << 0x00A3;
        QTest::newRow("A2CC not sign") << 0xA2CC << 0x00AC;
        QTest::newRow("A2AF extra apostrophe") << 0xA2AF << 0xFF07;
        QTest::newRow("B0A1 亜") << 0xB0A1 << 0x4E9C;
        QTest::newRow("F4A6 熙 (1990)") << 0xF4A6 << 0x7199;
        QTest::newRow("B0A0 not a code") << 0xB0A0 << 0x25A1;
    }
    void eucKnownPairs() {
        QFETCH(int, key);
        QFETCH(int, unit);
        QCOMPARE(int(LookupEuc(std::uint16_t(key))), unit);
    }

    void eucRowsAreConsecutive() {
        for (int i = 0; i < 83; ++i) // hiragana ぁ..ん
            QCOMPARE(int(LookupEuc(std::uint16_t(0xA4A1 + i))), 0x3041 + i);
        for (int i = 0; i < 6; ++i) // А..Е before Ё
            QCOMPARE(int(LookupEuc(std::uint16_t(0xA7A1 + i))), 0x0410 + i);
    }

    void lookupAtTheEdges() {
        QCOMPARE(int(LookupSjis(0)), 0);
        QCOMPARE(int(LookupSjis(0xFFFF)), 0x25A1);
        QCOMPARE(int(LookupEuc(0)), 0x25A1);
        QCOMPARE(int(LookupEuc(0xFFFF)), 0x25A1);
        QCOMPARE(int(LookupEuc(0x41)), 0x25A1); // bytes below 80 never reach the table
    }

    // Each Cyrillic table: its bytes 80..FF sorted, the exact count, the undefined bytes giving
    // U+25A1, and every letter of the Russian alphabet (А..я, Ё, ё) exactly once.
    void cyrillicTableFacts_data() { addCyrillicRows(); }
    void cyrillicTableFacts() {
        QFETCH(int, page);
        QFETCH(int, entries);
        QFETCH(QByteArray, undefined);
        const CyrillicPage& p = kCyrillic[page];
        QCOMPARE(int(p.entries), entries);
        QCOMPARE(int(p.entries), 128 - int(undefined.size()));
        for (std::size_t i = 0; i < p.entries; ++i) {
            QVERIFY(p.table[i].key >= 0x80 && p.table[i].key <= 0xFF);
            QVERIFY(i == 0 || p.table[i - 1].key < p.table[i].key);
        }
        for (char b : undefined)
            QCOMPARE(int(p.lookup(std::uint8_t(b))), 0x25A1);
        QMap<int, int> letters;
        for (std::size_t i = 0; i < p.entries; ++i) {
            const int u = p.table[i].unit;
            if ((u >= 0x0410 && u <= 0x044F) || u == 0x0401 || u == 0x0451)
                ++letters[u];
        }
        QCOMPARE(letters.size(), 66);
        for (int count : letters)
            QCOMPARE(count, 1);
        for (int b = 0; b < 0x80; ++b)
            QCOMPARE(int(p.lookup(std::uint8_t(b))), b);
    }

    // Every byte 80..FF through the decoder gives what Qt's codec (ICU) gives; the undefined
    // bytes, which the codec makes into something else, give U+25A1. (Below 80 ICU's CP866
    // trades the control codes 1A, 1C and 7F round; those bytes are ASCII, as the facts above
    // check.)
    void cyrillicDecodersAgreeWithQt_data() { addCyrillicRows(); }
    void cyrillicDecodersAgreeWithQt() {
        QFETCH(int, page);
        QFETCH(QByteArray, codecName);
        QFETCH(QByteArray, undefined);
        QStringDecoder codec(codecName.constData(), QStringConverter::Flag::Stateless);
        if (!codec.isValid())
            QSKIP("Qt was built without this codec");
        std::uint8_t all[256];
        for (int b = 0; b < 256; ++b)
            all[b] = std::uint8_t(b);
        char16_t units[257];
        QCOMPARE(kCyrillic[page].decode(std::span<const std::uint8_t>(all), units),
                 std::size_t(256));
        QCOMPARE(int(units[256]), 0);
        int same = 0;
        for (int b = 0x80; b < 256; ++b) {
            const char byte = char(b);
            const QString expected = codec.decode(QByteArrayView(&byte, 1));
            if (expected == QString(QChar(units[b])))
                ++same;
            else
                QVERIFY2(
                    undefined.contains(byte) && units[b] == 0x25A1,
                    qPrintable(QString("byte %1: %2 against %3")
                                   .arg(b, 2, 16)
                                   .arg(int(units[b]), 4, 16)
                                   .arg(expected.isEmpty() ? 0 : expected[0].unicode(), 4, 16)));
        }
        QCOMPARE(same, 128 - int(undefined.size()));
    }

    void cyrillicKnownPairs_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unit");
        QTest::newRow("Windows-1251 C0 -> А") << 0 << 0xC0 << 0x0410;
        QTest::newRow("Windows-1251 FF -> я") << 0 << 0xFF << 0x044F;
        QTest::newRow("Windows-1251 A8 -> Ё") << 0 << 0xA8 << 0x0401;
        QTest::newRow("Windows-1251 B9 -> №") << 0 << 0xB9 << 0x2116;
        QTest::newRow("Windows-1251 88 -> €") << 0 << 0x88 << 0x20AC;
        QTest::newRow("KOI8-R E1 -> А") << 1 << 0xE1 << 0x0410;
        QTest::newRow("KOI8-R C1 -> а") << 1 << 0xC1 << 0x0430;
        QTest::newRow("KOI8-R B3 -> Ё") << 1 << 0xB3 << 0x0401;
        QTest::newRow("KOI8-R 9A -> NBSP") << 1 << 0x9A << 0x00A0;
        QTest::newRow("CP866 80 -> А") << 2 << 0x80 << 0x0410;
        QTest::newRow("CP866 E0 -> р") << 2 << 0xE0 << 0x0440;
        QTest::newRow("CP866 F1 -> ё") << 2 << 0xF1 << 0x0451;
        QTest::newRow("CP866 FC -> №") << 2 << 0xFC << 0x2116;
        QTest::newRow("CP866 FE -> ■") << 2 << 0xFE << 0x25A0;
    }
    void cyrillicKnownPairs() {
        QFETCH(int, page);
        QFETCH(int, byte);
        QFETCH(int, unit);
        QCOMPARE(int(kCyrillic[page].lookup(std::uint8_t(byte))), unit);
    }

    void denseTablesEqualTheSearch() {
        const char16_t* sjis = DenseSjis();
        const char16_t* euc = DenseEuc();
        for (int key = 0; key < 65536; ++key) {
            if (sjis[key] != LookupSjis(std::uint16_t(key)) ||
                euc[key] != LookupEuc(std::uint16_t(key)))
                QFAIL(qPrintable(QString("dense table differs at %1").arg(key, 4, 16)));
        }
    }
};

QTEST_GUILESS_MAIN(TestEncodingTables)
#include "tst_encoding_tables.moc"
