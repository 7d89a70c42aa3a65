// The document without windows: what open, save and edits do to its text, its file and its
// modified flag; reads that cannot nest; and the checksum a read takes.
#include "document/document.h"
#include "encoding/checksum.h"
#include "encoding/outputfile.h"

#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <random>

namespace {

std::string bytesOf(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool openInto(doc::Document& document, const std::string& path) {
    doc::OpenFile file;
    file.open(path);
    return bool(document.read(file));
}

bool saveTo(doc::Document& document, const std::string& path) {
    enc::OutputFile out;
    if (!out.open(path) || !document.write(enc::OutputFormat::Utf8, out.sink()) || !out.commit())
        return false;
    document.saved(path);
    return true;
}

// The bytes --convert writes for the file at `path` in `format`, the text decoded in pieces of
// `pieceBytes` (all of it in one pass for the largest size).
std::string converted(const std::string& path, enc::TextEncoding encoding, enc::OutputFormat format,
                      std::uint64_t pieceBytes) {
    const std::uint64_t before = text::testing::SetPieceBytes(pieceBytes);
    doc::OpenFile file;
    file.open(path);
    std::string bytes;
    enc::FileResult readFault;
    const enc::WriteResult written = doc::ConvertText(
        file, {encoding, enc::BomNone}, format,
        [&](std::string_view block) {
            bytes += block;
            return enc::FileResult{};
        },
        readFault);
    text::testing::SetPieceBytes(before);
    return written && readFault ? bytes : std::string("failed");
}

} // namespace

class TestDocument : public QObject {
    Q_OBJECT

private slots:
    // Each row is a script of steps on a document that starts with "one\r\ntwo" read from
    // a.txt; after it, the modified flag, whether the text differs from its file, and the file.
    void modifiedRules_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("differs");
        QTest::addColumn<QString>("file");

        QTest::newRow("just read") << "" << false << false << "a.txt";
        QTest::newRow("typed") << "type" << true << true << "a.txt";
        QTest::newRow("typed, undone back to the file") << "type undo" << false << false << "a.txt";
        QTest::newRow("typed, saved") << "type save" << false << false << "a.txt";
        QTest::newRow("typed, saved, undone past the save")
            << "type save undo" << true << true << "a.txt";
        QTest::newRow("typed, saved, undone, redone back to the save")
            << "type save undo redo" << false << false << "a.txt";
        QTest::newRow("typed, saved elsewhere") << "type saveas" << false << false << "b.txt";
        QTest::newRow("flag set without a change (a key that changed nothing)")
            << "flag" << true << false << "a.txt";
        QTest::newRow("typed, then another file read") << "type readb" << false << false << "b.txt";
        QTest::newRow("a missing file keeps the text and takes the name")
            << "type readmissing" << true << true << "missing.txt";
        QTest::newRow("a whole new text") << "assign" << true << false << "a.txt";
    }

    void modifiedRules() {
        QFETCH(QString, steps);
        QFETCH(bool, modified);
        QFETCH(bool, differs);
        QFETCH(QString, file);
        QTemporaryDir dir;
        const std::string a = bytesOf(dir.filePath("a.txt"));
        const std::string b = bytesOf(dir.filePath("b.txt"));
        put(a, "one\r\ntwo\r\n");
        put(b, "bee");
        doc::Document document;
        QVERIFY(openInto(document, a));
        QCOMPARE(document.buffer().text(), u"one\r\ntwo");
        for (const QString& step : steps.split(u' ', Qt::SkipEmptyParts)) {
            if (step == "type")
                document.buffer().insert(0, u"x");
            else if (step == "undo")
                document.buffer().undo();
            else if (step == "redo")
                document.buffer().redo();
            else if (step == "save")
                QVERIFY(saveTo(document, a));
            else if (step == "saveas")
                QVERIFY(saveTo(document, b));
            else if (step == "flag")
                document.setModified(true);
            else if (step == "readb")
                QVERIFY(openInto(document, b));
            else if (step == "readmissing")
                QVERIFY(!openInto(document, bytesOf(dir.filePath("missing.txt"))));
            else if (step == "assign")
                document.buffer().assign(u"new");
        }
        QCOMPARE(document.modified(), modified);
        QCOMPARE(document.differsFromFile(), differs);
        QCOMPARE(QString::fromStdString(document.file().name), dir.filePath(file));
        if (steps.endsWith("save"))
            QCOMPARE(get(a), "xone\r\ntwo");
    }

    // A read asked for while one runs (from the event loop its progress hands round) is
    // refused and changes nothing; the running read still reads the whole file.
    void readsNeverNest() {
        QTemporaryDir dir;
        const std::string big = bytesOf(dir.filePath("big.txt"));
        const std::string other = bytesOf(dir.filePath("other.txt"));
        std::string bytes;
        for (int i = 0; i < 300000; ++i)
            bytes += "line " + std::to_string(i) + "\n";
        put(big, bytes);
        put(other, "other");
        doc::Document document;
        int refused = 0;
        doc::OpenFile file;
        file.open(big);
        const auto progress = [&](std::uint64_t, std::uint64_t) {
            doc::OpenFile second;
            second.open(other);
            if (document.read(second).fault == enc::FileFault::Busy)
                ++refused;
        };
        QVERIFY(document.read(file, std::nullopt, progress));
        QVERIFY(refused > 1);
        QCOMPARE(document.buffer().length(), text::Pos(bytes.size() + 300000 - 2));
        QCOMPARE(document.file().name, big);
    }

    // --convert gives the same bytes in every format whether the text is decoded in one pass or
    // ahead in pieces: lines with overlong CR and LF, surrogate pairs and lone halves at line
    // ends, NUL and 1A line ends, in UTF-8, Shift_JIS and UTF-16.
    void convertInPieces_data() {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        QByteArray utf8, sjis, utf16("\xFF\xFE");
        for (int i = 0; i < 3000; ++i) {
            const QByteArray n = QByteArray::number(i);
            utf8 += "Строка " + n + (i % 5 == 0 ? "\xC0\x8D" : "") + "\xF0\x9F\x98\x80" +
                    (i % 7 == 0 ? QByteArray(1, '\0') : QByteArray("\x1a")) + "\r\n";
            sjis += "\x82\xA0" + n + (i % 3 ? "\r\n" : "\n");
            utf16 += QByteArray("\x3d\xd8", 2) + n.left(1) + QByteArray(1, '\0') +
                     QByteArray(i % 4 ? "\x00\xde\r\0\n\0" : "\n\0", i % 4 ? 6 : 2);
        }
        QTest::newRow("UTF-8 lines") << int(enc::EncUtf8) << utf8;
        QTest::newRow("Shift_JIS lines") << int(enc::EncSjis) << sjis;
        QTest::newRow("UTF-16 lines with lone and paired surrogates")
            << int(enc::EncUtf16) << utf16;
    }
    void convertInPieces() {
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const std::string path = bytesOf(dir.filePath("in.txt"));
        put(path, bytes.toStdString());
        for (const auto format :
             {enc::OutputFormat::Utf8, enc::OutputFormat::Html, enc::OutputFormat::CArray}) {
            const auto e = enc::TextEncoding(encoding);
            const std::string one = converted(path, e, format, ~std::uint64_t(0));
            QVERIFY(one.size() > std::size_t(bytes.size()) / 2);
            for (const std::uint64_t piece :
                 {std::uint64_t(1), std::uint64_t(777), std::uint64_t(9000)})
                QVERIFY2(
                    converted(path, e, format, piece) == one,
                    qPrintable(QString("pieces of %1, format %2").arg(piece).arg(int(format))));
        }
    }

    // The checksum of pieces that start at block boundaries, joined, is that of one pass, and
    // the read's checksum is the file's.
    void checksumOfPieces() {
        std::mt19937 random(7);
        std::vector<std::uint8_t> bytes(3 * enc::Checksum::kBlock + 12345);
        for (std::uint8_t& b : bytes)
            b = std::uint8_t(random());
        enc::Checksum whole;
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t n = std::min<std::size_t>(random() % 100000, bytes.size() - at);
            whole.update({bytes.data() + at, n});
            at += n;
        }
        const std::size_t cut = 2 * enc::Checksum::kBlock;
        enc::Checksum first, second;
        first.update({bytes.data(), cut});
        second.update({bytes.data() + cut, bytes.size() - cut});
        QVERIFY(first.append(second));
        QCOMPARE(first.value(), whole.value());
        enc::Checksum changed;
        bytes[cut + 5] ^= 1;
        changed.update(bytes);
        QVERIFY(changed.value() != whole.value());

        QTemporaryDir dir;
        const std::string path = bytesOf(dir.filePath("sum.bin"));
        bytes[cut + 5] ^= 1;
        put(path, std::string(bytes.begin(), bytes.end()));
        doc::Document document;
        QVERIFY(openInto(document, path));
        std::uint64_t onDisk = 0;
        QVERIFY(enc::ChecksumOfFile(path, onDisk));
        QCOMPARE(document.file().checksum.value_or(0), whole.value());
        QCOMPARE(onDisk, whole.value());
    }
};

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
