// Reading files into the text buffer: the lines of the line readers joined by CR LF, every unit
// kept, the same text as the whole-file reader gives (with its LF joins as CR LF), and the
// progress and results of a read from disk.
#include "encoding/textfile.h"
#include "text/textload.h"

#include <QTemporaryDir>
#include <QTest>
#include <fstream>

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
