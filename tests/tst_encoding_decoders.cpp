// The byte-line decoders and the UTF-8 writer, one row per input.
#include "encoding/decoders.h"
#include "encoding/utf8writer.h"

#include <QtTest>

using namespace enc;

namespace {

std::span<const std::uint8_t> span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

QString units(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

QString hexUnits(const QString& s) {
    QStringList parts;
    for (QChar c : s)
        parts << QString::number(c.unicode(), 16).toUpper().rightJustified(4, '0');
    return parts.join(' ');
}

// A string literal with its embedded zero units kept.
template <std::size_t N> QString S(const char16_t (&s)[N]) {
    return QString::fromUtf16(s, qsizetype(N - 1));
}

using Decode = void (*)(std::span<const std::uint8_t>, std::u16string&);

void addDecodeColumns() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
}

void checkDecode(Decode decode) {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    std::u16string out = u"stale";
    decode(span(bytes), out);
    QCOMPARE(hexUnits(units(out)), hexUnits(expected));
    // A line never decodes to more units than it has bytes.
    QVERIFY(out.size() <= static_cast<std::size_t>(bytes.size()));
}

} // namespace

class TestEncodingDecoders : public QObject {
    Q_OBJECT
private slots:
    void sjis_data() {
        addDecodeColumns();
        QTest::newRow("82 A0 -> あ") << QByteArray("\x82\xA0") << S(u"\u3042");
        QTest::newRow("84 5B -> Ъ") << QByteArray("\x84\x5B") << S(u"\u042A");
        QTest::newRow("84 4A -> Й") << QByteArray("\x84\x4A") << S(u"\u0419");
        QTest::newRow("B1 -> ｱ") << QByteArray("\xB1") << S(u"\uFF71");
        QTest::newRow("80 -> □") << QByteArray("\x80") << S(u"\u25A1");
        QTest::newRow("A0 -> □") << QByteArray("\xA0") << S(u"\u25A1");
        QTest::newRow("FD FE FF -> □□□") << QByteArray("\xFD\xFE\xFF") << S(u"\u25A1\u25A1\u25A1");
        QTest::newRow("5C 7E stay") << QByteArray("\x5C\x7E") << S(u"\\~");
        QTest::newRow("lead at line end") << QByteArray("a\x81") << S(u"a\u25A1");
        QTest::newRow("lead + 7F: both alone") << QByteArray("\x81\x7F") << S(u"\u25A1\u007F");
        QTest::newRow("lead + 30: both alone") << QByteArray("\x82\x30") << S(u"\u25A10");
        QTest::newRow("lead + FD: both alone") << QByteArray("\x82\xFD") << S(u"\u25A1\u25A1");
        QTest::newRow("unmapped pair 85 40") << QByteArray("\x85\x40") << S(u"\u25A1");
        QTest::newRow("user area F0 40") << QByteArray("\xF0\x40") << S(u"\u25A1");
        QTest::newRow("long ASCII run then kana")
            << QByteArray("abcdefghijklmnopqrstuvwxyz0123456789\x82\xA0")
            << S(u"abcdefghijklmnopqrstuvwxyz0123456789\u3042");
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void sjis() { checkDecode(&SjisToUtf16); }

    void euc_data() {
        addDecodeColumns();
        QTest::newRow("A4 A2 -> あ") << QByteArray("\xA4\xA2") << S(u"\u3042");
        QTest::newRow("A7 BC -> Ъ") << QByteArray("\xA7\xBC") << S(u"\u042A");
        QTest::newRow("8E B1 -> ｱ") << QByteArray("\x8E\xB1") << S(u"\uFF71");
        QTest::newRow("A1 B1 -> overline") << QByteArray("\xA1\xB1") << S(u"\u203E");
        QTest::newRow("A1 BD -> em dash") << QByteArray("\xA1\xBD") << S(u"\u2014");
        QTest::newRow("A1 EF -> yen") << QByteArray("\xA1\xEF") << S(u"\u00A5");
        QTest::newRow("A2 AF -> ＇") << QByteArray("\xA2\xAF") << S(u"\uFF07");
        QTest::newRow("B0 A0 -> □") << QByteArray("\xB0\xA0") << S(u"\u25A1");
        QTest::newRow("lone last byte dropped") << QByteArray("ab\xA4") << S(u"ab");
        QTest::newRow("high byte takes an ASCII partner")
            << QByteArray("\xA4\x41z") << S(u"\u25A1z");
        QTest::newRow("JIS X 0212 8F B0 A1: A1 pairs with the next byte")
            << QByteArray("\x8F\xB0\xA1\xA4\xA2") << S(u"\u25A1\uFF0C");
        QTest::newRow("JIS X 0212 at line end") << QByteArray("\x8F\xB0\xA1") << S(u"\u25A1");
    }
    void euc() { checkDecode(&EucToUtf16); }

    void utf8_data() {
        addDecodeColumns();
        QTest::newRow("D0 96 -> Ж") << QByteArray("\xD0\x96") << S(u"\u0416");
        QTest::newRow("E3 81 82 -> あ") << QByteArray("\xE3\x81\x82") << S(u"\u3042");
        QTest::newRow("F0 9F 98 80 -> surrogate pair")
            << QByteArray("\xF0\x9F\x98\x80") << S(u"\U0001F600");
        QTest::newRow("F4 8F BF BF -> U+10FFFF")
            << QByteArray("\xF4\x8F\xBF\xBF") << S(u"\U0010FFFF");
        QTest::newRow("F4 90 80 80 above U+10FFFF: three-byte rule")
            << QByteArray("\xF4\x90\x80\x80") << S(u"\u4400\u0000");
        QTest::newRow("F0 80 80 80 overlong: three-byte rule")
            << QByteArray("\xF0\x80\x80\x80") << S(u"\u0000\u0000");
        QTest::newRow("F0 9F 98 + A: three-byte rule") << QByteArray("\xF0\x9F\x98"
                                                                     "A")
                                                       << S(u"\u07D8A");
        QTest::newRow("F5 lead is no four-byte lead")
            << QByteArray("\xF5\x80\x80\x80") << S(u"\u5000\u0000");
        QTest::newRow("CR skipped") << QByteArray("a\rb") << S(u"ab");
        QTest::newRow("cut two-byte sequence") << QByteArray("a\xD0") << S(u"a\u0400");
        QTest::newRow("cut three-byte sequence") << QByteArray("\xE3\x81") << S(u"\u3040");
        QTest::newRow("continuation byte as a lead") << QByteArray("\x80\x80\x80") << S(u"\u0000");
        QTest::newRow("long ASCII with CR inside")
            << QByteArray("0123456789abcdef\r0123456789abcdefX")
            << S(u"0123456789abcdef0123456789abcdefX");
    }
    void utf8() { checkDecode(&Utf8ToUtf16); }

    void writer_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Ж") << S(u"\u0416") << QByteArray("\xD0\x96");
        QTest::newRow("あ") << S(u"\u3042") << QByteArray("\xE3\x81\x82");
        QTest::newRow("A") << QString("A") << QByteArray("A");
        QTest::newRow("U+07FF / U+0800")
            << S(u"\u07FF\u0800") << QByteArray("\xDF\xBF\xE0\xA0\x80");
        QTest::newRow("emoji pair -> four bytes")
            << S(u"\U0001F600") << QByteArray("\xF0\x9F\x98\x80");
        QTest::newRow("lone high surrogate keeps three bytes") << QString(QChar(0xD83D)) + "a"
                                                               << QByteArray("\xED\xA0\xBD"
                                                                             "a");
        QTest::newRow("lone low surrogate keeps three bytes")
            << QString(QChar(0xDE00)) << QByteArray("\xED\xB8\x80");
        QTest::newRow("low then high: both lone")
            << QString(QChar(0xDE00)) + QChar(0xD83D) << QByteArray("\xED\xB8\x80\xED\xA0\xBD");
        QTest::newRow("ASCII run with CR LF")
            << QString("0123456789\r\nabcdefgh") << QByteArray("0123456789\r\nabcdefgh");
    }
    void writer() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const std::u16string units = text.toStdU16String();
        std::vector<std::uint8_t> out(3 * units.size() + 1, 0xAA);
        const std::size_t n = Utf16ToUtf8(units, out.data());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(n)).toHex(' '),
                 bytes.toHex(' '));
        QCOMPARE(int(out[n]), 0);
        std::string appended = "x";
        AppendUtf8(units, appended);
        QCOMPARE(QByteArray::fromStdString(appended), "x" + bytes);
    }

    // Blocks of eight units are encoded at once while they are all below U+0800: random texts
    // mixing such units with longer ones and surrogates, at every alignment, give the bytes of a
    // plain unit-by-unit encoder, and the room asked for (3 bytes a unit and the NUL) suffices.
    void writerAgreesWithUnitByUnit_data() {
        QTest::addColumn<QString>("pool");
        QTest::newRow("Cyrillic, spaces, CR LF") << S(u"съешь \r\nЖ");
        QTest::newRow("edges 7F 80 7FF 800") << S(u"߿ࠀa");
        QTest::newRow("Cyrillic with a Kanji now and then") << S(u"жжжжжжжжж 漢");
        QTest::newRow("Cyrillic with surrogates, paired and lone")
            << S(u"жжжжa") + QChar(0xD83D) + QChar(0xDE00) + QChar(0xDBFF);
        QTest::newRow("all two-byte") << S(u"ЁЖѣ");
    }
    void writerAgreesWithUnitByUnit() {
        QFETCH(QString, pool);
        const std::u16string units = pool.toStdU16String();
        std::uint32_t state = 1;
        for (int round = 0; round < 2000; ++round) {
            std::u16string t;
            state = state * 1103515245u + 12345u;
            const int n = int((state >> 16) % 90);
            for (int i = 0; i < n; ++i) {
                state = state * 1103515245u + 12345u;
                t += units[(state >> 16) % units.size()];
            }
            std::string expected;
            for (std::size_t i = 0; i < t.size(); ++i) {
                std::uint32_t c = t[i];
                if (c >= 0xD800 && c < 0xDC00 && i + 1 < t.size() && t[i + 1] >= 0xDC00 &&
                    t[i + 1] < 0xE000)
                    c = 0x10000 + ((c - 0xD800) << 10) + (t[++i] - 0xDC00);
                if (c < 0x80) {
                    expected += char(c);
                } else if (c < 0x800) {
                    expected += char(0xC0 | (c >> 6));
                    expected += char(0x80 | (c & 0x3F));
                } else if (c < 0x10000) {
                    expected += char(0xE0 | (c >> 12));
                    expected += char(0x80 | ((c >> 6) & 0x3F));
                    expected += char(0x80 | (c & 0x3F));
                } else {
                    expected += char(0xF0 | (c >> 18));
                    expected += char(0x80 | ((c >> 12) & 0x3F));
                    expected += char(0x80 | ((c >> 6) & 0x3F));
                    expected += char(0x80 | (c & 0x3F));
                }
            }
            // Exactly the room promised, so that a store past it is caught by the sanitizers.
            std::vector<std::uint8_t> out(3 * t.size() + 1);
            const std::size_t written = Utf16ToUtf8(t, out.data());
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(written)),
                     QByteArray::fromStdString(expected));
            QCOMPARE(int(out[written]), 0);
        }
    }

    void utf8RoundTripKeepsEveryUnit() {
        // Every unit alone, and every surrogate pair spot-checked, survives encode + decode.
        std::u16string all;
        for (char32_t u = 1; u < 0x10000; ++u) {
            if (u != 0x0D && (u < 0xD800 || u > 0xDFFF))
                all.push_back(char16_t(u));
        }
        all += u"\U0001F600\U00010000\U0010FFFF";
        all.push_back(char16_t(0xD800)); // lone at the end
        std::string bytes;
        AppendUtf8(all, bytes);
        std::u16string back;
        Utf8ToUtf16(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                    back);
        QVERIFY(back == all);
    }
};

QTEST_GUILESS_MAIN(TestEncodingDecoders)
#include "tst_encoding_decoders.moc"
