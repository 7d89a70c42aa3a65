// Reading files into the text buffer: the lines of the line readers joined by CR LF, every unit
// kept, the same text as the whole-file reader gives (with its LF joins as CR LF), and the
// progress and results of a read from disk.
#include "encoding/checksum.h"
#include "encoding/textfile.h"
#include "text/textload.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <fstream>
#include <unistd.h>

using text::Pos;

Q_DECLARE_METATYPE(enc::TextEncoding)

namespace {

std::span<const std::uint8_t> span(const QByteArray& b) {
    return {reinterpret_cast<const std::uint8_t*>(b.data()), std::size_t(b.size())};
}

// The text the open command builds today, with its line joins as CR LF.
std::u16string wholeFileText(const QByteArray& bytes, enc::TextEncoding encoding) {
    std::u16string lf;
    enc::ReadTextBytes(span(bytes), encoding, enc::BomNone, lf);
    std::u16string out;
    for (const char16_t u : lf) {
        if (u == u'\n')
            out += u"\r\n";
        else
            out += u;
    }
    return out;
}

std::u16string loaded(const QByteArray& bytes, enc::TextEncoding encoding, Pos chunk,
                      enc::FileResult* result = nullptr) {
    text::TextBuilder builder(chunk);
    const enc::FileResult r = text::LoadTextBytes(span(bytes), encoding, builder);
    if (result)
        *result = r;
    text::TextBuffer buffer(chunk);
    buffer.assign(std::move(builder));
    return buffer.text();
}

constexpr enc::TextEncoding kAllEncodings[] = {enc::EncSjis,  enc::EncUtf16, enc::EncUtf16LeNoBom,
                                               enc::EncUtf8,  enc::EncEuc,   enc::EncCp1251,
                                               enc::EncKoi8r, enc::EncCp866};

// Piece sizes that make a read take the text in one pass.
constexpr std::uint64_t kOnePass = ~std::uint64_t(0);

// Random bytes made of pieces rich in line ends (in one byte and in both UTF-16 orders), marks,
// multi-byte leads cut off and whole, and surrogates.
QByteArray randomBytes(std::uint32_t& state, int tokens) {
    static const QByteArray pool[] = {"a",
                                      "\n",
                                      "\r",
                                      "\r\n",
                                      QByteArray(1, '\0'),
                                      "\x1a",
                                      "\xE2\x80\xA9",
                                      "\xF0\x9F\x98",
                                      "\x82\xA0",
                                      "\x82",
                                      "\xA4",
                                      "\xC0\x8A",
                                      "\xEF\xBB\xBF",
                                      "\xFF\xFE",
                                      "\xFE\xFF",
                                      "\xD8\x3D",
                                      QByteArray("\xDE\0", 2),
                                      "\x0a\x0a",
                                      "\r\x1a\n",
                                      QByteArray("\n\0", 2),
                                      QByteArray("\0\n", 2),
                                      QByteArray("\r\0", 2),
                                      QByteArray("\0\r", 2),
                                      "\xD0\x96",
                                      "xyz"};
    QByteArray bytes;
    for (int i = 0; i < tokens; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += pool[(state >> 16) % std::size(pool)];
    }
    return bytes;
}

// A file of `lines` lines (CR LF, lone LF and the odd NUL line end) of Russian in `encoding`
// (UTF-8, Shift_JIS or UTF-16 little-endian with its mark).
QByteArray linesFile(enc::TextEncoding encoding, int lines) {
    QString text;
    for (int i = 0; i < lines; ++i) {
        text += u"Строка "_qs + QString::number(i) + (i % 3 ? u"\r\n"_qs : u"\n"_qs);
        if (i % 1000 == 7)
            text += QChar(0);
    }
    if (encoding == enc::EncUtf16) {
        QByteArray bytes("\xFF\xFE");
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return bytes;
    }
    if (encoding == enc::EncSjis)
        text.replace(u"Строка"_qs, u"\x3042\x30A2"_qs); // あア: 82 A0 83 41
    QByteArray bytes = text.toUtf8();
    if (encoding == enc::EncSjis)
        bytes.replace("\xE3\x81\x82\xE3\x82\xA2", "\x82\xA0\x83\x41");
    return bytes;
}

void writeFile(const std::string& path, const QByteArray& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

// A read of the file at `path` as the open command reads it (detection looks at its first bytes
// before), in pieces of `pieceBytes`: the text, the result, the checksum taken on the way and
// the progress told.
struct FileRead {
    std::u16string text;
    enc::FileResult result;
    std::uint64_t sum = 0;
    std::vector<std::uint64_t> told;
};

FileRead readFile(const std::string& path, enc::TextEncoding encoding, std::uint64_t pieceBytes) {
    const std::uint64_t before = text::testing::SetPieceBytes(pieceBytes);
    FileRead read;
    enc::ByteStream in;
    enc::Checksum sum;
    if (!in.open(path))
        return read;
    in.sumInto(&sum);
    in.peek(4096);
    text::TextBuilder builder;
    read.result =
        text::LoadTextStream(in, encoding, builder,
                             [&](std::uint64_t done, std::uint64_t) { read.told.push_back(done); });
    text::TextBuffer buffer;
    buffer.assign(std::move(builder));
    read.text = buffer.text();
    read.sum = sum.value();
    text::testing::SetPieceBytes(before);
    return read;
}

// The text as VisitText hands it on, from the file at `path` (or from `bytes` when given), in
// pieces of `pieceBytes`; `result` receives its result.
std::u16string visited(const std::string& path, const QByteArray* bytes, enc::TextEncoding encoding,
                       std::uint64_t pieceBytes, enc::FileResult& result) {
    const std::uint64_t before = text::testing::SetPieceBytes(pieceBytes);
    enc::ByteStream in;
    if (bytes)
        in.openMemory(span(*bytes));
    else
        in.open(path);
    in.peek(4096);
    std::u16string text;
    result = text::VisitText(in, encoding, [&](std::u16string_view part) {
        text += part;
        return true;
    });
    text::testing::SetPieceBytes(before);
    return text;
}

std::u16string readBytes(const QByteArray& bytes, enc::TextEncoding encoding,
                         std::uint64_t pieceBytes) {
    const std::uint64_t before = text::testing::SetPieceBytes(pieceBytes);
    const std::u16string text = loaded(bytes, encoding, text::kDefaultChunkUnits);
    text::testing::SetPieceBytes(before);
    return text;
}

// Positional reads of the byte at this offset of a file fail with EIO.
std::uint64_t g_failAt = 0;
std::ptrdiff_t failingReadAt(enc::NativeFile file, void* dst, std::size_t n, std::uint64_t at) {
    if (at <= g_failAt && g_failAt < at + n) {
        errno = EIO;
        return -1;
    }
    return ::pread(file, dst, n, off_t(at));
}

} // namespace

class TestTextLoad : public QObject {
    Q_OBJECT

private slots:
    void lines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<enc::TextEncoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        const auto u8 = enc::EncUtf8;
        QTest::newRow("utf8 a LF b") << QByteArray("a\nb") << u8 << u"a\r\nb"_qs << 2;
        QTest::newRow("utf8 final LF: no empty last line")
            << QByteArray("a\n") << u8 << u"a"_qs << 1;
        QTest::newRow("utf8 two final breaks: one empty line")
            << QByteArray("a\r\n\r\n") << u8 << u"a\r\n"_qs << 2;
        QTest::newRow("utf8 CR, CR LF, NUL and 1A end lines")
            << QByteArray("a\rb\r\nc\0d\x1a"
                          "e",
                          10)
            << u8 << u"a\r\nb\r\nc\r\nd\r\ne"_qs << 5;
        QTest::newRow("utf8 U+2029 U+FDD0 U+FDD1 U+2028 stay units")
            << QByteArray("a\xE2\x80\xA9"
                          "b\xEF\xB7\x90"
                          "c\xEF\xB7\x91\xE2\x80\xA8")
            << u8 << u"a\u2029b\uFDD0c\uFDD1\u2028"_qs << 1;
        QTest::newRow("utf8 overlong CR and LF inside a line are line breaks")
            << QByteArray("a\xC0\x8D"
                          "b\xC0\x8A"
                          "c\xC0\x8D\xC0\x8A")
            << u8 << u"a\r\nb\r\nc\r\n"_qs << 4;
        QTest::newRow("utf8 mark skipped") << QByteArray("\xEF\xBB\xBFЖ\n") << u8 << u"Ж"_qs << 1;
        QTest::newRow("utf8 empty file") << QByteArray() << u8 << u""_qs << 0;
        QTest::newRow("utf8 only a break") << QByteArray("\n") << u8 << u""_qs << 1;
        QTest::newRow("sjis kana and a break")
            << QByteArray("\x82\xA0\r\n\xB1") << enc::EncSjis << u"あ\r\nｱ"_qs << 2;
        QTest::newRow("euc kana") << QByteArray("\xA4\xA2\n") << enc::EncEuc << u"あ"_qs << 1;
        QTest::newRow("utf16 le mark, U+2029 kept") << QByteArray("\xFF\xFE"
                                                                  "a\0\x29\x20\r\0\n\0b\0",
                                                                  12)
                                                    << enc::EncUtf16 << u"a\u2029\r\nb"_qs << 2;
        QTest::newRow("utf16 be mark, U+FDD0 kept")
            << QByteArray("\xFE\xFF\xFD\xD0\0\n\0z", 8) << enc::EncUtf16 << u"\uFDD0\r\nz"_qs << 2;
        QTest::newRow("utf16 le without mark, lone CR ends a line")
            << QByteArray("x\0\r\0y\0", 6) << enc::EncUtf16LeNoBom << u"x\r\ny"_qs << 2;
        QTest::newRow("utf16 odd last byte dropped")
            << QByteArray("x\0y", 3) << enc::EncUtf16LeNoBom << u"x"_qs << 1;
    }
    void lines() {
        QFETCH(QByteArray, bytes);
        QFETCH(enc::TextEncoding, encoding);
        QFETCH(QString, text);
        QFETCH(int, lines);
        for (const Pos chunk : {Pos(2), text::kDefaultChunkUnits}) {
            enc::FileResult r;
            const QString got = QString::fromStdU16String(loaded(bytes, encoding, chunk, &r));
            QCOMPARE(got, text);
            if (!got.isEmpty())
                QCOMPARE(int(got.count(u"\r\n"_qs)) + 1, lines);
            QVERIFY(bool(r));
        }
        // The whole-file reader leaves a CR that a decoder makes inside a line (an overlong
        // form) as it is; the buffer holds no line end but CR LF.
        if (!bytes.contains('\xC0'))
            QCOMPARE(QString::fromStdU16String(wholeFileText(bytes, encoding)), text);
    }

    // Random bytes, rich in line ends, marks and multi-byte leads, read as every encoding.
    void sameTextAsTheWholeFileReader() {
        const char pool[] = "a\r\n\0\x1a\xE2\x80\xA9\xEF\xB7\x90\xFF\xFE\x82\xA0\xA4\xF0\x9F";
        std::uint32_t state = 2024;
        for (int round = 0; round < 400; ++round) {
            QByteArray bytes;
            const int n = round % 60;
            for (int i = 0; i < n; ++i) {
                state = state * 1103515245u + 12345u;
                bytes += pool[(state >> 16) % (sizeof pool - 1)];
            }
            for (const auto encoding :
                 {enc::EncSjis, enc::EncUtf16, enc::EncUtf16LeNoBom, enc::EncUtf8, enc::EncEuc,
                  enc::EncCp1251, enc::EncKoi8r, enc::EncCp866}) {
                const Pos chunk = 2 + round % 5;
                QVERIFY2(loaded(bytes, encoding, chunk) == wholeFileText(bytes, encoding),
                         qPrintable(bytes.toHex() + " as " + QString::number(encoding)));
            }
        }
    }

    void fromDisk() {
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/big.txt").toStdString();
        std::string bytes;
        for (int i = 0; i < 60000; ++i)
            bytes += "Москва - столица России, строка " + std::to_string(i) + "\r\n";
        std::ofstream(path, std::ios::binary) << bytes;

        std::vector<std::uint64_t> told;
        text::TextBuilder builder;
        const enc::FileResult r = text::LoadTextFile(
            path, enc::EncUtf8, builder, nullptr, [&](std::uint64_t done, std::uint64_t total) {
                QCOMPARE(total, std::uint64_t(bytes.size()));
                told.push_back(done);
            });
        QVERIFY(bool(r));
        QVERIFY(told.size() >= 3);
        QVERIFY(std::is_sorted(told.begin(), told.end()));
        QCOMPARE(told.back(), std::uint64_t(bytes.size()));
        text::TextBuffer buffer;
        buffer.assign(std::move(builder));
        QCOMPARE(buffer.lineCount(), Pos(60000));
        const QByteArray all(bytes.data(), qsizetype(bytes.size()));
        QVERIFY(buffer.text() == wholeFileText(all, enc::EncUtf8));
    }

    // Read in pieces on several threads and joined, a text is the one a single pass gives, from
    // memory and from disk (with the checksum taken on the way): the files the encoding fuzzer
    // starts from, random bytes, and files of many lines cut into pieces that cross the
    // checksum's blocks.
    void piecesReadAsOnePass_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<int>>("pieces");
        QTest::addColumn<QList<int>>("encodings");
        QList<int> all;
        for (const auto encoding : kAllEncodings)
            all.push_back(encoding);
        const QList<int> tiny{1, 3, 64};
        const QDir corpus(TOVILO_ENCODING_CORPUS);
        for (const QString& name : corpus.entryList(QDir::Files, QDir::Name)) {
            QFile file(corpus.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QTest::addRow("fuzz corpus %s", qPrintable(name)) << file.readAll() << tiny << all;
        }
        std::uint32_t state = 25;
        for (int round = 0; round < 30; ++round) {
            const QByteArray bytes = randomBytes(state, round * 7 % 200);
            QTest::addRow("random bytes %d, %d bytes", round, int(bytes.size()))
                << bytes << tiny << all;
        }
        const QList<int> large{200 * 1000, 700 * 1000, 3 << 20};
        QTest::newRow("5 MB of UTF-8 lines")
            << linesFile(enc::EncUtf8, 250000) << large << QList<int>{enc::EncUtf8};
        QTest::newRow("4 MB of Shift_JIS lines")
            << linesFile(enc::EncSjis, 300000) << large << QList<int>{enc::EncSjis};
        QTest::newRow("7 MB of UTF-16 lines, mark FF FE")
            << linesFile(enc::EncUtf16, 250000) << large << QList<int>{enc::EncUtf16};
    }
    void piecesReadAsOnePass() {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<int>, pieces);
        QFETCH(QList<int>, encodings);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/file.txt").toStdString();
        writeFile(path, bytes);
        std::uint64_t sum = 0;
        QVERIFY(bool(enc::ChecksumOfFile(path, sum)));
        for (const int e : encodings) {
            const auto encoding = enc::TextEncoding(e);
            const FileRead one = readFile(path, encoding, kOnePass);
            QVERIFY(bool(one.result));
            QCOMPARE(one.sum, sum);
            if (bytes.size() < 100000)
                QVERIFY(readBytes(bytes, encoding, kOnePass) == one.text);
            for (const int piece : pieces) {
                const QString what = QString("in pieces of %1 as %2").arg(piece).arg(e);
                const FileRead read = readFile(path, encoding, std::uint64_t(piece));
                QVERIFY2(bool(read.result), qPrintable(what));
                QVERIFY2(read.text == one.text, qPrintable(what));
                QVERIFY2(read.sum == sum, qPrintable(what));
                QVERIFY2(std::is_sorted(read.told.begin(), read.told.end()), qPrintable(what));
                QCOMPARE(read.told.back(), std::uint64_t(bytes.size()));
                enc::FileResult visit;
                QVERIFY2(visited(path, nullptr, encoding, std::uint64_t(piece), visit) == one.text,
                         qPrintable("visited " + what));
                QVERIFY2(bool(visit), qPrintable(what));
                if (bytes.size() < 100000) {
                    QVERIFY2(readBytes(bytes, encoding, std::uint64_t(piece)) == one.text,
                             qPrintable(what));
                    QVERIFY2(visited(path, &bytes, encoding, std::uint64_t(piece), visit) ==
                                 one.text,
                             qPrintable("visited from memory " + what));
                }
            }
        }
    }

    // A read error in any piece fails the whole read, as it fails a read in one pass: the
    // error, and no text.
    void readErrorInAPiece_data() {
        QTest::addColumn<int>("failAt");
        QTest::newRow("in the first piece") << 1000;
        QTest::newRow("in the second piece, where the first one sums to its block's end")
            << 1300000;
        QTest::newRow("in a middle piece") << 2500000;
        QTest::newRow("in the last piece") << 4900000;
    }
    void readErrorInAPiece() {
        QFETCH(int, failAt);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/file.txt").toStdString();
        writeFile(path, linesFile(enc::EncUtf8, 250000));
        g_failAt = std::uint64_t(failAt);
        enc::testing::SetReadAtCall(failingReadAt);
        const FileRead read = readFile(path, enc::EncUtf8, 1200 * 1000);
        enc::FileResult visit;
        const std::u16string part = visited(path, nullptr, enc::EncUtf8, 1200 * 1000, visit);
        enc::testing::SetReadAtCall(nullptr);
        QCOMPARE(read.result.fault, enc::FileFault::System);
        QCOMPARE(read.result.error, EIO);
        QVERIFY(read.text.empty());
        // Handed on in order up to the piece that failed.
        QCOMPARE(visit.fault, enc::FileFault::System);
        QCOMPARE(visit.error, EIO);
        const std::u16string whole = readFile(path, enc::EncUtf8, kOnePass).text;
        QVERIFY(part.size() < whole.size() && whole.compare(0, part.size(), part) == 0);
    }

    void cannotOpen() {
        QTemporaryDir dir;
        text::TextBuilder builder;
        for (const QString& path : {dir.path() + "/missing.txt", dir.path()}) {
            builder.append(u"old");
            const enc::FileResult r = text::LoadTextFile(path.toStdString(), enc::EncUtf8, builder);
            QVERIFY(!r);
            QCOMPARE(builder.length(), Pos(0));
        }
    }
};

QTEST_GUILESS_MAIN(TestTextLoad)
#include "tst_textload.moc"
