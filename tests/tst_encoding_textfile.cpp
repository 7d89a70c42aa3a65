// Whole-file reading and line streaming as the open command builds its text, checked against
// the line loop over ReadByteLine / ReadUtf16Line and the decoders.
#include "encoding/decoders.h"
#include "encoding/readers.h"
#include "encoding/textfile.h"
#include "encoding/utf8writer.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace enc;

namespace {

std::span<const std::uint8_t> span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

// The open command's line loop, written with the line readers and decoders one line a call.
std::u16string openLoop(const QByteArray& bytes, TextEncoding encoding) {
    ByteStream in;
    in.openMemory(span(bytes));
    const int order = SkipsByteOrderMark(encoding) ? SkipBom(in) : kBigEndian;
    std::u16string text;
    std::vector<std::uint8_t> byteLine;
    std::u16string line;
    for (int k = 0;; ++k) {
        switch (encoding) {
        case EncUtf16:
            ReadUtf16Line(in, line, order);
            break;
        case EncUtf16LeNoBom:
            ReadUtf16Line(in, line, kLittleEndian);
            break;
        case EncSjis:
            ReadByteLine(in, byteLine);
            SjisToUtf16(byteLine, line);
            break;
        case EncEuc:
            ReadByteLine(in, byteLine);
            EucToUtf16(byteLine, line);
            break;
        case EncUtf8:
            ReadByteLine(in, byteLine);
            Utf8ToUtf16(byteLine, line);
            break;
        case EncCp1251:
            ReadByteLine(in, byteLine);
            Cp1251ToUtf16(byteLine, line);
            break;
        case EncKoi8r:
            ReadByteLine(in, byteLine);
            Koi8rToUtf16(byteLine, line);
            break;
        case EncCp866:
            ReadByteLine(in, byteLine);
            Cp866ToUtf16(byteLine, line);
            break;
        }
        if (in.atEndOrFailed() && line.empty())
            break;
        if (k > 0)
            text += u'\n';
        text += line;
        if (in.atEndOrFailed())
            break;
    }
    return text;
}

std::u16string streamed(const QByteArray& bytes, TextEncoding encoding) {
    TextLineReader reader;
    reader.openMemory(span(bytes), encoding, BomNone);
    std::u16string text;
    std::u16string_view line;
    for (int k = 0; reader.next(line); ++k) {
        if (k > 0)
            text += u'\n';
        text += line;
    }
    return text;
}

QString show(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

const TextEncoding kAll[] = {EncSjis, EncUtf16,  EncUtf16LeNoBom, EncUtf8,
                             EncEuc,  EncCp1251, EncKoi8r,        EncCp866};

} // namespace

class TestEncodingTextFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    std::string write(const QByteArray& bytes) {
        const QString path = m_dir.filePath("f");
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return path.toStdString();
    }

private slots:
    void wholeText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");
        QTest::newRow("a CR LF b CR LF: no empty last line")
            << QByteArray("a\r\nb\r\n") << int(EncUtf8) << "a\nb";
        QTest::newRow("a CR LF CR LF: one empty line")
            << QByteArray("a\r\n\r\n") << int(EncUtf8) << "a\n";
        QTest::newRow("empty file") << QByteArray() << int(EncUtf8) << "";
        QTest::newRow("trailing lone CR") << QByteArray("a\n\r") << int(EncUtf8) << "a";
        QTest::newRow("1A and NUL end lines") << QByteArray("a\x1A"
                                                            "b\0c",
                                                            5)
                                              << int(EncSjis) << "a\nb\nc";
        QTest::newRow("UTF-8 mark skipped") << QByteArray("\xEF\xBB\xBF\xD0\x96\r\n")
                                            << int(EncUtf8) << QString::fromUtf16(u"\u0416");
        QTest::newRow("SJIS") << QByteArray("\x82\xA0\r\n\x84\x5B") << int(EncSjis)
                              << QString::fromUtf16(u"\u3042\n\u042A");
        QTest::newRow("EUC lone last byte: nothing added")
            << QByteArray("\xA4\xA2\r\n\xA4") << int(EncEuc) << QString::fromUtf16(u"\u3042");
        QTest::newRow("UTF-16 LE mark") << QByteArray("\xFF\xFE"
                                                      "a\0\r\0\n\0b\0",
                                                      10)
                                        << int(EncUtf16) << "a\nb";
        QTest::newRow("UTF-16 BE mark, 一 ends in 00")
            << QByteArray("\xFE\xFF\x4E\x00\x00\x0D\x00\x0A", 8) << int(EncUtf16)
            << QString::fromUtf16(u"\u4E00");
        QTest::newRow("UTF-16 without mark is big-endian")
            << QByteArray("\0a\0\n\0b", 6) << int(EncUtf16) << "a\nb";
        QTest::newRow("LE without mark")
            << QByteArray("a\0\n\0b\0", 6) << int(EncUtf16LeNoBom) << "a\nb";
        QTest::newRow("LE mark read as LE without mark") << QByteArray("\xFF\xFE"
                                                                       "a\0",
                                                                       4)
                                                         << int(EncUtf16LeNoBom) << "a";
        // The Cyrillic code pages: Привет and мир on two lines, the line ends of the 8-bit
        // readers, and no byte-order mark.
        QTest::newRow("Windows-1251 Привет CR LF мир CR LF")
            << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2\r\n\xEC\xE8\xF0\r\n") << int(EncCp1251)
            << QString::fromUtf16(u"Привет\nмир");
        QTest::newRow("KOI8-R Привет LF мир NUL Ёё 1A")
            << QByteArray("\xF0\xD2\xC9\xD7\xC5\xD4\n\xCD\xC9\xD2\0\xB3\xA3\x1A", 14)
            << int(EncKoi8r) << QString::fromUtf16(u"Привет\nмир\nЁё");
        QTest::newRow("CP866 Привет CR мир: a lone CR ends the line")
            << QByteArray("\x8F\xE0\xA8\xA2\xA5\xE2\r\xAC\xA8\xE0") << int(EncCp866)
            << QString::fromUtf16(u"Привет\nмир");
        QTest::newRow("Windows-1251 98 B8 B9 -> □ ё №")
            << QByteArray("\x98\xB8\xB9") << int(EncCp1251) << QString::fromUtf16(u"\u25A1ё№");
        QTest::newRow("Windows-1251 FF FE at the start is яю, no mark")
            << QByteArray("\xFF\xFE\r\n") << int(EncCp1251) << QString::fromUtf16(u"яю");
        QTest::newRow("KOI8-R EF BB BF at the start is text, no mark")
            << QByteArray("\xEF\xBB\xBF") << int(EncKoi8r) << QString::fromUtf16(u"О╩©");
        QTest::newRow("CP866 FF F0 F1 -> NBSP Ё ё")
            << QByteArray("\xFF\xF0\xF1") << int(EncCp866) << QString::fromUtf16(u"\u00A0Ёё");
    }
    void wholeText() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QString, text);
        const auto enc = TextEncoding(encoding);
        std::u16string out = u"old";
        QVERIFY(ReadTextFile(write(bytes), enc, BomNone, out));
        QCOMPARE(show(out), text);
        QCOMPARE(show(openLoop(bytes, enc)), text);
        QCOMPARE(show(streamed(bytes, enc)), text);
    }

    void cannotOpen() {
        std::u16string out = u"old";
        QVERIFY(ReadTextFile(m_dir.filePath("missing").toStdString(), EncUtf8, BomOpenFailed, out)
                    .missing());
        QVERIFY(out.empty());
        TextLineReader reader;
        QVERIFY(!reader.open(m_dir.filePath("missing").toStdString(), EncUtf8, BomNone));
        std::u16string_view line;
        QVERIFY(!reader.next(line));
    }

    // Lines of any length stay whole: nothing splits them at 70000 bytes or units.
    void noLineIsSplit() {
        const QByteArray longLine(200000, 'x');
        std::u16string out;
        QVERIFY(ReadTextFile(write(longLine + "\r\n" + longLine), EncUtf8, BomNone, out));
        QCOMPARE(out.size(), std::size_t(400001));
        QCOMPARE(out.find(u'\n'), std::size_t(200000));
        QByteArray le;
        for (int i = 0; i < 70001; ++i)
            le.append("\x16\x04", 2);
        QVERIFY(ReadTextFile(write(le), EncUtf16LeNoBom, BomNone, out));
        QVERIFY(out == std::u16string(70001, u'\u0416'));
    }

    // Opening and saving gives back the same bytes, emoji included.
    void openAndSaveRoundTrip() {
        const QByteArray bytes("\xF0\x9F\x98\x80 \xD0\x96\xE3\x81\x82\r\n\xF0\x9F\x8D\xA3\r\nend");
        std::u16string text;
        QVERIFY(ReadTextFile(write(bytes), EncUtf8, BomNone, text));
        QCOMPARE(show(text), QString::fromUtf16(u"\U0001F600 \u0416\u3042\n\U0001F363\nend"));
        // Saving writes the editor's CR LF line breaks.
        std::u16string crlf;
        for (char16_t u : text)
            crlf += u == u'\n' ? std::u16string(u"\r\n") : std::u16string(1, u);
        std::string saved;
        AppendUtf8(crlf, saved);
        QCOMPARE(QByteArray::fromStdString(saved), bytes);
    }

    // The fast readers agree with the one-line-a-call loop on random files, also when lines
    // cross the stream's buffer.
    void agreesWithTheLineLoop() {
        QRandomGenerator rng(12345);
        const char pieces[] = {'\r',   '\n',   '\0',   '\x1A', 'a',    '\x82', '\xA0', '\xA4',
                               '\xE3', '\x81', '\x8E', '\xF0', '\x9F', '\0',   '\r',   '\n'};
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes;
            const int size = round < 280 ? rng.bounded(40) : 128 * 1024 + rng.bounded(64) - 32;
            for (int i = 0; i < size; ++i)
                bytes.append(round < 280 || rng.bounded(50) == 0
                                 ? pieces[rng.bounded(int(sizeof pieces))]
                                 : 'z');
            if (rng.bounded(4) == 0)
                bytes.prepend(rng.bounded(2) ? "\xFF\xFE" : "\xFE\xFF");
            const std::string path = write(bytes);
            for (TextEncoding e : kAll) {
                const std::u16string expected = openLoop(bytes, e);
                std::u16string fromFile;
                QVERIFY(ReadTextFile(path, e, BomNone, fromFile));
                if (fromFile != expected || streamed(bytes, e) != expected) {
                    qWarning() << "encoding" << int(e) << "bytes" << bytes.toHex(' ');
                    QFAIL("fast reader differs");
                }
                std::u16string inMemory;
                ReadTextBytes(span(bytes), e, BomNone, inMemory);
                QVERIFY(inMemory == expected);
            }
        }
    }

    void streamingReusesItsReader() {
        TextLineReader reader;
        QVERIFY(reader.open(write("one\r\ntwo"), EncUtf8, BomNone));
        std::u16string_view line;
        QVERIFY(reader.next(line));
        QVERIFY(line == u"one");
        QVERIFY(reader.next(line));
        QVERIFY(line == u"two");
        QVERIFY(!reader.next(line));
        QVERIFY(reader.open(write(QByteArray("\xFF\xFE"
                                             "x\0",
                                             4)),
                            EncUtf16, BomUtf16Le));
        QVERIFY(reader.next(line));
        QVERIFY(line == u"x");
        QVERIFY(!reader.next(line));
    }
};

QTEST_GUILESS_MAIN(TestEncodingTextFile)
#include "tst_encoding_textfile.moc"
