// Encoding detection: each probe's edges, each decision rule, the sample limit and the labels.
#include "encoding/detect.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace enc;

namespace {

std::span<const std::uint8_t> span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

QByteArray utf16(const QString& text, bool bigEndian) {
    QByteArray out;
    for (QChar c : text) {
        const char hi = char(c.unicode() >> 8);
        const char lo = char(c.unicode() & 0xFF);
        if (bigEndian)
            out.append(hi).append(lo);
        else
            out.append(lo).append(hi);
    }
    return out;
}

} // namespace

class TestEncodingDetect : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    std::string write(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QString::number(++m_count));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path.toStdString();
    }

private slots:
    void guess_data() {
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("result");
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("one byte") << QByteArray("\0", 1) << -1;
        QTest::newRow("00 41 -> big-endian at once") << QByteArray("\0A", 2) << 1;
        QTest::newRow("one 41 00 is not enough") << QByteArray("A\0", 2) << -1;
        QTest::newRow("two 41 00 -> little-endian") << QByteArray("A\0B\0", 4) << 0;
        QTest::newRow("1A 00 first -> no decision") << QByteArray("\x1A\0A\0B\0", 6) << -1;
        QTest::newRow("1A 00 after one -> little") << QByteArray("A\0\x1A\0", 4) << 0;
        QTest::newRow("00 00 and xx yy go on") << QByteArray("\0\0ab\0A", 6) << 1;
        QTest::newRow("odd offsets are not pairs") << QByteArray("a\0\0", 3) << -1;
        QTest::newRow("last odd byte ignored") << QByteArray("ab\0", 3) << -1;
        QTest::newRow("Cyrillic LE without ASCII") << QByteArray("\x16\x04\x17\x04", 4) << -1;
    }
    void guess() {
        QFETCH(QByteArray, sample);
        QFETCH(int, result);
        QCOMPARE(int(GuessUtf16ByteOrderSample(span(sample))), result);
    }

    void checkUtf8_data() {
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("result");
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("ASCII") << QByteArray("hello\r\n") << 0;
        QTest::newRow("Ж") << QByteArray("\xD0\x96!") << 0;
        QTest::newRow("C2 with no continuation") << QByteArray("\xC2"
                                                               "A")
                                                 << -1;
        QTest::newRow("last byte not examined") << QByteArray("a\xC2") << 0;
        QTest::newRow("lone last byte 80") << QByteArray("\x80") << 0;
        QTest::newRow("C0 taken as a three-byte lead") << QByteArray("\xC0\x80\x80") << 0;
        QTest::newRow("C1 bad third byte") << QByteArray("\xC1\x80"
                                                         "A")
                                           << -1;
        QTest::newRow("82 A0 0D: bad") << QByteArray("\x82\xA0\r\n") << -1;
        QTest::newRow("E3 81 cut by the end") << QByteArray("\xE3\x81") << 0;
        QTest::newRow("F0 9F 98 80") << QByteArray("\xF0\x9F\x98\x80") << 0;
        QTest::newRow("F0 cut by the end") << QByteArray("\xF0\x9F\x98") << 0;
        QTest::newRow("FE four bytes") << QByteArray("\xFE\x80\x80\x80") << 0;
        QTest::newRow("F0 bad fourth") << QByteArray("\xF0\x9F\x98"
                                                     "A")
                                       << -1;
        QTest::newRow("FF passes alone") << QByteArray("\xFF"
                                                       "a")
                                         << 0;
    }
    void checkUtf8() {
        QFETCH(QByteArray, sample);
        QFETCH(int, result);
        QCOMPARE(int(CheckUtf8Sample(span(sample))), result);
    }

    void checkSjis_data() {
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("result");
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("あ CR LF") << QByteArray("\x82\xA0\r\n") << 0;
        QTest::newRow("lead + 7F") << QByteArray("\x82\x7F") << -1;
        QTest::newRow("lead + 3F") << QByteArray("\x82\x3F") << -1;
        QTest::newRow("lead + FD") << QByteArray("\xFC\xFD") << -1;
        QTest::newRow("half-width katakana") << QByteArray("\xB1\xB2") << 0;
        QTest::newRow("80 invalid") << QByteArray("\x80"
                                                  "a")
                                    << -1;
        QTest::newRow("A0 invalid") << QByteArray("\xA0"
                                                  "a")
                                    << -1;
        QTest::newRow("FD invalid") << QByteArray("\xFD"
                                                  "a")
                                    << -1;
        QTest::newRow("lone last lead not examined") << QByteArray("a\x82") << 0;
        QTest::newRow("lone last 80 not examined") << QByteArray("\x80") << 0;
    }
    void checkSjis() {
        QFETCH(QByteArray, sample);
        QFETCH(int, result);
        QCOMPARE(int(CheckSjisSample(span(sample))), result);
    }

    void checkEuc_data() {
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<int>("result");
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("あ") << QByteArray("\xA4\xA2\n") << 0;
        QTest::newRow("A4 41") << QByteArray("\xA4\x41") << -1;
        QTest::newRow("8E B1") << QByteArray("\x8E\xB1") << 0;
        QTest::newRow("8E E0") << QByteArray("\x8E\xE0") << -1;
        QTest::newRow("8F B0 A1") << QByteArray("\x8F\xB0\xA1") << 0;
        QTest::newRow("8F B0 cut by the end") << QByteArray("\x8F\xB0") << 0;
        QTest::newRow("8F 41") << QByteArray("\x8F\x41") << -1;
        QTest::newRow("8F B0 41") << QByteArray("\x8F\xB0\x41") << -1;
        QTest::newRow("82 A0: no EUC first byte") << QByteArray("\x82\xA0") << -1;
        QTest::newRow("FF invalid") << QByteArray("\xFF\xA1") << -1;
    }
    void checkEuc() {
        QFETCH(QByteArray, sample);
        QFETCH(int, result);
        QCOMPARE(int(CheckEucSample(span(sample))), result);
    }

    void rules_data() {
        QTest::addColumn<int>("bom");
        QTest::addColumn<int>("guess");
        QTest::addColumn<int>("u");
        QTest::addColumn<int>("s");
        QTest::addColumn<int>("e");
        QTest::addColumn<int>("encoding");
        QTest::newRow("guess little") << -1 << 0 << 0 << 0 << 0 << int(EncUtf16LeNoBom);
        QTest::newRow("guess big") << -1 << 1 << 0 << 0 << 0 << int(EncUtf16);
        QTest::newRow("1: SJIS and EUC, not UTF-8 -> SJIS")
            << -1 << -1 << -1 << 0 << 0 << int(EncSjis);
        QTest::newRow("2: only UTF-8") << -1 << -1 << 0 << -1 << -1 << int(EncUtf8);
        QTest::newRow("3: only SJIS") << -1 << -1 << -1 << 0 << -1 << int(EncSjis);
        QTest::newRow("4: only EUC") << -1 << -1 << -1 << -1 << 0 << int(EncEuc);
        QTest::newRow("all three valid stay UTF-8") << -1 << -1 << 0 << 0 << 0 << int(EncUtf8);
        QTest::newRow("none valid stays UTF-8") << -1 << -1 << -1 << -1 << -1 << int(EncUtf8);
        QTest::newRow("UTF-8 and SJIS stay UTF-8") << -1 << -1 << 0 << 0 << -1 << int(EncUtf8);
        QTest::newRow("UTF-8 and EUC stay UTF-8") << -1 << -1 << 0 << -1 << 0 << int(EncUtf8);
        QTest::newRow("cannot open") << -2 << -2 << -2 << -2 << -2 << int(EncUtf8);
        QTest::newRow("LE mark decides over the checks")
            << 0 << -1 << -1 << 0 << -1 << int(EncUtf16);
        QTest::newRow("BE mark decides over the guess") << 1 << 0 << 0 << 0 << 0 << int(EncUtf16);
        QTest::newRow("UTF-8 mark decides over the checks")
            << 2 << -1 << -1 << 0 << 0 << int(EncUtf8);
    }
    void rules() {
        QFETCH(int, bom);
        QFETCH(int, guess);
        QFETCH(int, u);
        QFETCH(int, s);
        QFETCH(int, e);
        QFETCH(int, encoding);
        const Detection d = DecideEncoding(BomKind(bom), ByteOrderGuess(guess), SampleCheck(u),
                                           SampleCheck(s), SampleCheck(e));
        QCOMPARE(int(d.encoding), encoding);
        QCOMPARE(int(d.bom), bom);
    }

    void files_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<int>("bom");
        QTest::addColumn<QString>("label");
        QTest::newRow("empty file") << QByteArray() << int(EncUtf8) << -1 << "UTF-8 nonBOM";
        QTest::newRow("one byte") << QByteArray("\xFF") << int(EncUtf8) << -1 << "UTF-8 nonBOM";
        QTest::newRow("ASCII") << QByteArray("plain text\r\n") << int(EncUtf8) << -1
                               << "UTF-8 nonBOM";
        QTest::newRow("UTF-8 mark")
            << QByteArray("\xEF\xBB\xBF\xD0\x96") << int(EncUtf8) << 2 << "UTF-8 BOM";
        QTest::newRow("UTF-8 mark, SJIS-looking body stays UTF-8")
            << QByteArray("\xEF\xBB\xBF\x82\xA0\r\n") << int(EncUtf8) << 2 << "UTF-8 BOM";
        QTest::newRow("EF BB without BF: no mark") << QByteArray("\xEF\xBB"
                                                                 "A")
                                                   << int(EncSjis) << -1 << "SJIS";
        QTest::newRow("BE mark, line break")
            << QByteArray("\xFE\xFF", 2) + utf16("\u0416\r\n", true) << int(EncUtf16) << 1
            << "UTF16 BOM BE";
        QTest::newRow("BE mark, 一 ends in 00")
            << QByteArray("\xFE\xFF", 2) + utf16(QString::fromUtf16(u"\u4E00\u4E00\r\n"), true)
            << int(EncUtf16) << 1 << "UTF16 BOM BE";
        QTest::newRow("LE mark with CR LF") << QByteArray("\xFF\xFE", 2) + utf16("a\r\n", false)
                                            << int(EncUtf16) << 0 << "UTF16 BOM LE";
        QTest::newRow("LE mark, Cyrillic only")
            << QByteArray("\xFF\xFE", 2) + utf16(QString::fromUtf16(u"ЖЗИ"), false) << int(EncUtf16)
            << 0 << "UTF16 BOM LE";
        QTest::newRow("LE mark, SJIS-valid body")
            << QByteArray("\xFF\xFE\x42\x30", 4) << int(EncUtf16) << 0 << "UTF16 BOM LE";
        QTest::newRow("no mark, BE ASCII")
            << utf16("ab\r\n", true) << int(EncUtf16) << -1 << "UTF16 nonBOM BE";
        QTest::newRow("no mark, LE ASCII")
            << utf16("ab\r\n", false) << int(EncUtf16LeNoBom) << -1 << "UTF16 nonBOM LE";
        QTest::newRow("SJIS あ CR LF")
            << QByteArray("\x82\xA0\r\n") << int(EncSjis) << -1 << "SJIS";
        QTest::newRow("valid SJIS and EUC -> SJIS")
            << QByteArray("\xB1\xC4\xB1\xC4") << int(EncSjis) << -1 << "SJIS";
        QTest::newRow("EUC") << QByteArray("\xA4\xA2\xFE\xFE\xA4\xA2") << int(EncEuc) << -1
                             << "EUC";
        QTest::newRow("UTF-8 Japanese")
            << QByteArray("\xE3\x81\x82\xE3\x81\x84") << int(EncUtf8) << -1 << "UTF-8 nonBOM";
        QTest::newRow("invalid in all three")
            << QByteArray("\x80\x80\x41") << int(EncUtf8) << -1 << "UTF-8 nonBOM";
    }
    void files() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(int, bom);
        QFETCH(QString, label);
        const std::string path = write(bytes);
        const Detection fromFile = DetectEncoding(path);
        QCOMPARE(int(fromFile.encoding), encoding);
        QCOMPARE(int(fromFile.bom), bom);
        QCOMPARE(QString(EncodingLabel(fromFile.encoding, fromFile.bom)), label);
        QVERIFY(DetectEncodingBytes(span(bytes)) == fromFile);
    }

    void cannotOpen() {
        const std::string missing = m_dir.filePath("missing").toStdString();
        QCOMPARE(DetectBom(missing), BomOpenFailed);
        QCOMPARE(GuessUtf16ByteOrder(missing), ByteOrderGuess::OpenFailed);
        QCOMPARE(CheckUtf8(missing), SampleCheck::OpenFailed);
        QCOMPARE(CheckSjis(missing), SampleCheck::OpenFailed);
        QCOMPARE(CheckEuc(missing), SampleCheck::OpenFailed);
        const Detection d = DetectEncoding(missing);
        QCOMPARE(int(d.encoding), int(EncUtf8));
        QCOMPARE(int(d.bom), int(BomOpenFailed));
        QCOMPARE(QString(EncodingLabel(d.encoding, d.bom)), QString("UTF-8 nonBOM"));
        QCOMPARE(DetectEncoding("").bom, BomOpenFailed);
    }

    // Only the first 60010 bytes after the mark count.
    void sampleLimit() {
        const QByteArray ascii(int(SampleSize), 'a');
        const QByteArray sjis("\x82\xA0\r"); // not UTF-8 only when its CR is seen
        // Shift_JIS after the sample is not seen.
        QCOMPARE(int(DetectEncoding(write(ascii + sjis)).encoding), int(EncUtf8));
        // Ending exactly at the limit it is.
        QCOMPARE(int(DetectEncoding(write(ascii.left(ascii.size() - 3) + sjis)).encoding),
                 int(EncSjis));
        // The sample is counted after a mark: the EF BB BF bytes do not use it up.
        const std::string marked =
            write(QByteArray("\xEF\xBB\xBF") + ascii.left(ascii.size() - 3) + sjis);
        QCOMPARE(CheckSjis(marked), SampleCheck::WellFormed);
        QCOMPARE(CheckUtf8(marked), SampleCheck::Malformed);
        // A UTF-8 sequence cut by the limit stays well formed.
        const std::string cut = write(ascii.left(ascii.size() - 2) + "\xE3\x81\x82\x80");
        QCOMPARE(CheckUtf8(cut), SampleCheck::WellFormed);
        QCOMPARE(CheckEuc(cut), SampleCheck::Malformed);
        // A big-endian pair beyond the sample does not decide.
        QCOMPARE(GuessUtf16ByteOrder(write(ascii + QByteArray("\0A", 2))),
                 ByteOrderGuess::Undecided);
        QCOMPARE(GuessUtf16ByteOrder(write(ascii.left(ascii.size() - 2) + QByteArray("\0A", 2))),
                 ByteOrderGuess::BigEndian);
    }

    void sampleOfSkipsTheMark() {
        QCOMPARE(SampleOf(span(QByteArray("\xFF\xFE"
                                          "ab")))
                     .size(),
                 std::size_t(2));
        QCOMPARE(SampleOf(span(QByteArray("\xEF\xBB"
                                          "ab")))
                     .size(),
                 std::size_t(4));
        QCOMPARE(SampleOf(span(QByteArray(70000, 'x'))).size(), SampleSize);
    }

    void labels() {
        QCOMPARE(QString(EncodingLabel(EncSjis, BomUtf8)), QString("SJIS"));
        QCOMPARE(QString(EncodingLabel(EncUtf16, BomUtf8)), QString("UTF16 nonBOM BE"));
        QCOMPARE(QString(EncodingLabel(EncUtf16LeNoBom, BomUtf16Le)), QString("UTF16 nonBOM LE"));
        QCOMPARE(QString(EncodingLabel(EncUtf8, BomUtf16Le)), QString("UTF-8 nonBOM"));
        QCOMPARE(QString(EncodingLabel(EncEuc, BomNone)), QString("EUC"));
    }
};

QTEST_GUILESS_MAIN(TestEncodingDetect)
#include "tst_encoding_detect.moc"
