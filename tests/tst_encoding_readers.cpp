// SkipBom and the two line readers, on bytes in memory and on files.
#include "encoding/readers.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace enc;

namespace {

std::span<const std::uint8_t> span(const QByteArray& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

// Every line ReadByteLine gives until the stream is exhausted, as "text:result" entries.
QStringList byteLines(ByteStream& in) {
    QStringList lines;
    std::vector<std::uint8_t> line;
    for (int guard = 0; guard < 100; ++guard) {
        const std::ptrdiff_t r = ReadByteLine(in, line);
        lines << QString::fromLatin1(reinterpret_cast<const char*>(line.data()),
                                     qsizetype(line.size())) +
                     ":" + QString::number(r);
        if (in.atEndOrFailed())
            break;
    }
    return lines;
}

QStringList utf16Lines(ByteStream& in, int order) {
    QStringList lines;
    std::u16string line;
    for (int guard = 0; guard < 100; ++guard) {
        const std::ptrdiff_t r = ReadUtf16Line(in, line, order);
        lines << QString::fromStdU16String(line) + ":" + QString::number(r);
        if (in.atEndOrFailed())
            break;
    }
    return lines;
}

} // namespace

class TestEncodingReaders : public QObject {
    Q_OBJECT
private slots:
    void skipBom_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("order");
        QTest::addColumn<QByteArray>("rest");
        QTest::newRow("empty file") << QByteArray() << 1 << QByteArray();
        QTest::newRow("one byte kept") << QByteArray("A") << 1 << QByteArray("A");
        QTest::newRow("one byte FF kept") << QByteArray("\xFF") << 1 << QByteArray("\xFF");
        QTest::newRow("FF FE consumed, little-endian")
            << QByteArray("\xFF\xFE") << 0 << QByteArray();
        QTest::newRow("FE FF consumed, big-endian") << QByteArray("\xFE\xFF"
                                                                  "x")
                                                    << 1 << QByteArray("x");
        QTest::newRow("two plain bytes kept") << QByteArray("ab") << 1 << QByteArray("ab");
        QTest::newRow("EF BB alone kept") << QByteArray("\xEF\xBB") << 1 << QByteArray("\xEF\xBB");
        QTest::newRow("EF BB BF consumed") << QByteArray("\xEF\xBB\xBF") << 1 << QByteArray();
        QTest::newRow("EF BB BF then text")
            << QByteArray("\xEF\xBB\xBFok") << 1 << QByteArray("ok");
        QTest::newRow("EF BB 41 kept")
            << QByteArray("\xEF\xBB\x41") << 1 << QByteArray("\xEF\xBB\x41");
        QTest::newRow("three plain bytes kept") << QByteArray("abc") << 1 << QByteArray("abc");
    }
    void skipBom() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, order);
        QFETCH(QByteArray, rest);
        // In memory and from a file: the same result and the same bytes left.
        QTemporaryDir dir;
        const QString path = dir.filePath("f");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        for (int fromFile = 0; fromFile < 2; ++fromFile) {
            ByteStream in;
            if (fromFile)
                QVERIFY(in.open(path.toStdString()));
            else
                in.openMemory(span(bytes));
            QCOMPARE(SkipBom(in), order);
            QCOMPARE(in.eof(), bytes.isEmpty()); // only an empty file has met its end
            QByteArray left;
            for (int c = in.get(); c >= 0; c = in.get())
                left.append(char(c));
            QCOMPARE(left.toHex(' '), rest.toHex(' '));
        }
    }

    void byteLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR") << QByteArray("a\rb") << QStringList{"a:1", "b:1"};
        QTest::newRow("LF") << QByteArray("a\nb") << QStringList{"a:1", "b:1"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb") << QStringList{"a:1", "b:1"};
        QTest::newRow("NUL") << QByteArray("a\0b", 3) << QStringList{"a:1", "b:1"};
        QTest::newRow("1A in mid-line") << QByteArray("ab\x1A"
                                                      "cd")
                                        << QStringList{"ab:2", "cd:2"};
        QTest::newRow("CR 1A") << QByteArray("a\r\x1A"
                                             "b")
                               << QStringList{"a:1", "b:1"};
        QTest::newRow("CR CR: empty line")
            << QByteArray("a\r\rb") << QStringList{"a:1", ":0", "b:1"};
        QTest::newRow("LF CR: two ends") << QByteArray("a\n\rb") << QStringList{"a:1", ":0", "b:1"};
        QTest::newRow("CR NUL: two ends")
            << QByteArray("a\r\0b", 4) << QStringList{"a:1", ":0", "b:1"};
        QTest::newRow("1A alone") << QByteArray("\x1A"
                                                "b")
                                  << QStringList{":-1", "b:1"};
        QTest::newRow("trailing CR LF: empty end")
            << QByteArray("a\r\n") << QStringList{"a:1", ":-1"};
        QTest::newRow("trailing CR: end of file at once")
            << QByteArray("a\r") << QStringList{"a:1"};
        QTest::newRow("empty file") << QByteArray() << QStringList{":-1"};
        QTest::newRow("no line end") << QByteArray("abc") << QStringList{"abc:3"};
    }
    void byteLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        ByteStream in;
        in.openMemory(span(bytes));
        QCOMPARE(byteLines(in), lines);
    }

    void utf16Line_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("order");
        QTest::addColumn<QStringList>("lines");
        const QByteArray be("\x00\x41\x00\x0D\x00\x0A", 6);
        QTest::newRow("BE A CR LF") << be << 1 << QStringList{"A:1", ":-1"};
        QTest::newRow("same bytes LE: U+4100, CR pair still ends")
            << be << 0 << QStringList{QString(QChar(0x4100)) + ":1", ":-1"};
        QTest::newRow("LE lone CR ends the line")
            << QByteArray("a\0\r\0b\0", 6) << 0 << QStringList{"a:1", "b:-1"};
        QTest::newRow("LE LF") << QByteArray("a\0\n\0b\0", 6) << 0 << QStringList{"a:1", "b:-1"};
        QTest::newRow("LE NUL unit")
            << QByteArray("a\0\0\0b\0", 6) << 0 << QStringList{"a:1", "b:-1"};
        QTest::newRow("LE 1A pair")
            << QByteArray("a\0\x1A\0b\0", 6) << 0 << QStringList{"a:1", "b:-1"};
        QTest::newRow("1A pair first: -1")
            << QByteArray("\x1A\0b\0", 4) << 0 << QStringList{":-1", "b:-1"};
        QTest::newRow("BE pairs in LE order end lines")
            << QByteArray("a\0\0\r\0\nb\0", 8) << 0 << QStringList{"a:1", "b:-1"};
        QTest::newRow("CR then one byte") << QByteArray("a\0\r\0x", 5) << 0 << QStringList{"a:1"};
        QTest::newRow("CR at the end") << QByteArray("a\0\r\0", 4) << 0 << QStringList{"a:1"};
        QTest::newRow("odd last byte dropped") << QByteArray("a\0b", 3) << 0 << QStringList{"a:-1"};
        QTest::newRow("empty") << QByteArray() << 0 << QStringList{":-1"};
    }
    void utf16Line() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, order);
        QFETCH(QStringList, lines);
        ByteStream in;
        in.openMemory(span(bytes));
        QCOMPARE(utf16Lines(in, order), lines);
    }

    // Lines are never split, whatever their length; checked on files so that lines cross the
    // stream's buffer.
    void longLinesStayWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath("long");
        QByteArray bytes;
        const QByteArray first(70000, 'x');
        const QByteArray second(300001, 'y');
        bytes = first + "\r\n" + second + "\r" + "z";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        ByteStream in;
        QVERIFY(in.open(path.toStdString()));
        std::vector<std::uint8_t> line;
        QCOMPARE(ReadByteLine(in, line), std::ptrdiff_t(70000));
        QCOMPARE(ReadByteLine(in, line), std::ptrdiff_t(300001));
        QCOMPARE(int(line.back()), int('y'));
        QCOMPARE(ReadByteLine(in, line), std::ptrdiff_t(1));
        QVERIFY(in.atEndOrFailed());

        // UTF-16: 100000 units of Ж, little-endian, then a CR LF and one more unit.
        QByteArray u16;
        for (int i = 0; i < 100000; ++i)
            u16.append("\x16\x04", 2);
        u16.append("\r\0\n\0A\0", 6);
        QFile g(path);
        QVERIFY(g.open(QIODevice::WriteOnly | QIODevice::Truncate));
        g.write(u16);
        g.close();
        QVERIFY(in.open(path.toStdString()));
        std::u16string units;
        QCOMPARE(ReadUtf16Line(in, units, 0), std::ptrdiff_t(100000));
        QVERIFY(units == std::u16string(100000, u'\u0416'));
        QCOMPARE(ReadUtf16Line(in, units, 0), std::ptrdiff_t(-1));
        QVERIFY(units == u"A");
    }

    // A put-back pair survives a refill of the buffer: CR at the very end of one block.
    void ungetAcrossTheBuffer() {
        QTemporaryDir dir;
        const QString path = dir.filePath("edge");
        for (int offset = -3; offset <= 3; ++offset) {
            QByteArray bytes(128 * 1024 + offset, 'a');
            bytes[bytes.size() - 1] = '\r';
            bytes += "bc";
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
            f.close();
            ByteStream in;
            QVERIFY(in.open(path.toStdString()));
            std::vector<std::uint8_t> line;
            QCOMPARE(ReadByteLine(in, line), std::ptrdiff_t(128 * 1024 + offset - 1));
            QCOMPARE(ReadByteLine(in, line), std::ptrdiff_t(2));
            QCOMPARE(int(line[0]), int('b'));
        }
    }

    void missingFileDoesNotOpen() {
        ByteStream in;
        QVERIFY(!in.open("/nonexistent/folder/file.txt"));
        QVERIFY(!in.open("/"));
    }
};

QTEST_GUILESS_MAIN(TestEncodingReaders)
#include "tst_encoding_readers.moc"
