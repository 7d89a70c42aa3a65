// The Shift_JIS and EUC-JP code tables against independent facts, and the dense lookups.
#include "encoding/tables.h"

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
