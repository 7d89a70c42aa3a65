// The bytes of the UTF-8 save and the two ASCII exports, from the editor's text as the buffer
// holds it (CR LF between lines), fed whole, in chunks and as spans.
#include "encoding/textwriter.h"

#include <QTest>
#include <cerrno>
#include <string>

namespace {

// "¶" in the row texts stands for a line break, the two units CR LF.
std::u16string crlf(const QString& text) {
    QString s = text;
    s.replace(QChar(u'¶'), u"\r\n"_qs);
    return s.toStdU16String();
}

QByteArray bytesOf(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

std::string writtenInChunks(enc::OutputFormat format, std::u16string_view t, std::size_t cut) {
    std::string out;
    enc::TextWriter writer(format);
    writer.begin(out);
    writer.feed(t.substr(0, cut), out);
    writer.feed(t.substr(cut), out);
    writer.finish(out);
    return out;
}

// Random units of `pool`, `n` of them.
std::u16string randomText(std::u16string_view pool, int n, std::uint32_t& state) {
    std::u16string t;
    for (int i = 0; i < n; ++i) {
        state = state * 1103515245u + 12345u;
        t += pool[(state >> 16) % pool.size()];
    }
    return t;
}

const QByteArray kHtmlHead = "<html>\r\n<body>\r\n";
const QByteArray kHtmlFoot = "\r\n</body>\r\n</html>";
const QByteArray kCHead = "  wchar_t unicodestr[]={\r\n    ";
const QByteArray kCFoot = "0\r\n  };";

} // namespace

Q_DECLARE_METATYPE(enc::OutputFormat)
Q_DECLARE_METATYPE(enc::WriteFault)

class TestTextWriter : public QObject {
    Q_OBJECT

private slots:
    void writes_data() {
        QTest::addColumn<enc::OutputFormat>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        using F = enc::OutputFormat;
        const QString emoji = QString::fromUcs4(U"\U0001F600");

        QTest::newRow("utf8 empty") << F::Utf8 << u""_qs << QByteArray();
        QTest::newRow("utf8 A Ж あ")
            << F::Utf8 << u"AЖあ"_qs << QByteArray("A\xD0\x96\xE3\x81\x82");
        QTest::newRow("utf8 a¶b") << F::Utf8 << u"a¶b"_qs << QByteArray("a\r\nb");
        QTest::newRow("utf8 ends with break: one CR LF")
            << F::Utf8 << u"a¶"_qs << QByteArray("a\r\n");
        QTest::newRow("utf8 a¶¶") << F::Utf8 << u"a¶¶"_qs << QByteArray("a\r\n\r\n");
        QTest::newRow("utf8 only a break") << F::Utf8 << u"¶"_qs << QByteArray("\r\n");
        QTest::newRow("utf8 no-break space, U+2028")
            << F::Utf8 << u"\u00A0\u2028"_qs << QByteArray("\xC2\xA0\xE2\x80\xA8");
        QTest::newRow("utf8 U+2029 U+FDD0 U+FDD1 are units")
            << F::Utf8 << u"\u2029\uFDD0\uFDD1"_qs
            << QByteArray("\xE2\x80\xA9\xEF\xB7\x90\xEF\xB7\x91");
        QTest::newRow("utf8 lone CR, lone LF") << F::Utf8 << u"a\rb\nc"_qs << QByteArray("a\rb\nc");
        QTest::newRow("utf8 CR CR LF at the end")
            << F::Utf8 << u"a\r\r\n"_qs << QByteArray("a\r\r\n");
        QTest::newRow("utf8 ends with a lone CR") << F::Utf8 << u"a\r"_qs << QByteArray("a\r");
        QTest::newRow("utf8 LF CR is no break") << F::Utf8 << u"\n\r"_qs << QByteArray("\n\r");
        QTest::newRow("utf8 emoji") << F::Utf8 << emoji << QByteArray("\xF0\x9F\x98\x80");
        QTest::newRow("utf8 lone high surrogate")
            << F::Utf8 << QString(QChar(0xD83D)) + u"x"_qs << QByteArray("\xED\xA0\xBDx");
        QTest::newRow("utf8 high surrogate before break")
            << F::Utf8 << QString(QChar(0xD83D)) + u"¶"_qs + QChar(0xDE00)
            << QByteArray("\xED\xA0\xBD\r\n\xED\xB8\x80");
        QTest::newRow("utf8 lone high surrogate at the end")
            << F::Utf8 << u"a"_qs + QChar(0xD83D) << QByteArray("a\xED\xA0\xBD");

        QTest::newRow("html AB") << F::Html << u"AB"_qs << kHtmlHead + "&#65;&#66;" + kHtmlFoot;
        QTest::newRow("html empty") << F::Html << u""_qs << kHtmlHead + kHtmlFoot;
        QTest::newRow("html space Ж")
            << F::Html << u" Ж"_qs << kHtmlHead + "&#32;&#1046;" + kHtmlFoot;
        QTest::newRow("html tab") << F::Html << u"a\tb"_qs
                                  << kHtmlHead + "&#97;\t&#98;" + kHtmlFoot;
        QTest::newRow("html lone CR unit")
            << F::Html << u"a\rb"_qs << kHtmlHead + "&#97;\r&#98;" + kHtmlFoot;
        QTest::newRow("html LF unit")
            << F::Html << u"a\nb"_qs << kHtmlHead + "&#97;\r\n&#98;" + kHtmlFoot;
        QTest::newRow("html line break: CR then LF")
            << F::Html << u"a¶b"_qs << kHtmlHead + "&#97;\r\r\n&#98;" + kHtmlFoot;
        QTest::newRow("html ends with break")
            << F::Html << u"a¶"_qs << kHtmlHead + "&#97;\r\n" + kHtmlFoot;
        QTest::newRow("html U+2029 is a reference")
            << F::Html << u"a\u2029b"_qs << kHtmlHead + "&#97;&#8233;&#98;" + kHtmlFoot;
        QTest::newRow("html NUL writes nothing")
            << F::Html << u"a"_qs + QChar(0) + u"b"_qs << kHtmlHead + "&#97;&#98;" + kHtmlFoot;
        QTest::newRow("html emoji: one reference")
            << F::Html << emoji << kHtmlHead + "&#128512;" + kHtmlFoot;
        QTest::newRow("html lone surrogates") << F::Html << QString(QChar(0xDE00)) + QChar(0xD83D)
                                              << kHtmlHead + "&#56832;&#55357;" + kHtmlFoot;

        QTest::newRow("c AB") << F::CArray << u"AB"_qs << kCHead + "0x41,0x42," + kCFoot;
        QTest::newRow("c empty") << F::CArray << u""_qs << kCHead + kCFoot;
        QTest::newRow("c Ж") << F::CArray << u"Ж"_qs << kCHead + "0x416," + kCFoot;
        QTest::newRow("c emoji: two values")
            << F::CArray << emoji << kCHead + "0xd83d,0xde00," + kCFoot;
        QTest::newRow("c ten units: 0 alone")
            << F::CArray << u"0123456789"_qs
            << kCHead + "0x30,0x31,0x32,0x33,0x34,0x35,0x36,0x37,0x38,0x39,\r\n    " + kCFoot;
        QTest::newRow("c break counts two")
            << F::CArray << u"12345678¶9"_qs
            << kCHead + "0x31,0x32,0x33,0x34,0x35,0x36,0x37,0x38,0xd,0xa,\r\n    0x39," + kCFoot;
        QTest::newRow("c ends with break")
            << F::CArray << u"AB¶"_qs << kCHead + "0x41,0x42,0xd,0xa," + kCFoot;
        QTest::newRow("c U+FDD0 and a lone CR")
            << F::CArray << u"\uFDD0\r"_qs << kCHead + "0xfdd0,0xd," + kCFoot;
    }

    void writes() {
        QFETCH(enc::OutputFormat, format);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(bytesOf(enc::WriteAll(format, crlf(text))), bytes);
    }

    // Chunks may end anywhere: inside a pair, between CR and LF, between two breaks, right
    // after a break.
    void chunkEdgesChangeNothing_data() {
        QTest::addColumn<enc::OutputFormat>("format");
        QTest::newRow("utf8") << enc::OutputFormat::Utf8;
        QTest::newRow("html") << enc::OutputFormat::Html;
        QTest::newRow("c") << enc::OutputFormat::CArray;
    }
    void chunkEdgesChangeNothing() {
        QFETCH(enc::OutputFormat, format);
        // A lone high half right before a pair: the pair must still be joined when a chunk
        // ends between the two high halves.
        const QString loneHighThenPair = QString(QChar(0xD800)) + QString::fromUcs4(U"\U0001F600");
        const std::u16string text = crlf(u"aЖ"_qs + QString::fromUcs4(U"\U0001F600") +
                                         u"¶¶b\tc\r"_qs + loneHighThenPair + u"¶\r"_qs);
        const std::string whole = enc::WriteAll(format, text);
        for (std::size_t cut = 0; cut <= text.size(); ++cut)
            QCOMPARE(bytesOf(writtenInChunks(format, text, cut)), bytesOf(whole));
    }

    // The text handed over in spans of any length gives the bytes of the whole text, written in
    // blocks; long texts cross the writer's slices and blocks.
    void spansGiveTheBytesOfTheWholeText_data() { chunkEdgesChangeNothing_data(); }
    void spansGiveTheBytesOfTheWholeText() {
        QFETCH(enc::OutputFormat, format);
        const std::u16string pool = {u'a',   u'Ж',   0x2028, 0x00A0, 0,     u'\t',
                                     0xD83D, 0xDE00, 0xFEFF, u'\r',  u'\n', 0x1A};
        std::uint32_t state = 99;
        for (int round = 0; round < 120; ++round) {
            const int n = round < 100 ? round % 40 : 300000 + round;
            const std::u16string t = randomText(pool, n, state);
            const enc::TextSpans spans = [&](const enc::SpanVisitor& visit) {
                std::uint32_t cuts = state;
                for (std::size_t at = 0; at < t.size();) {
                    cuts = cuts * 1103515245u + 12345u;
                    const std::size_t size = 1 + (cuts >> 16) % (n < 100 ? 5 : 200000);
                    if (!visit(std::u16string_view(t).substr(at, size)))
                        return;
                    at += size;
                }
            };
            std::string got;
            int blocks = 0;
            const enc::WriteResult result = enc::WriteText(format, spans, [&](std::string_view b) {
                ++blocks;
                got += b;
                return enc::FileResult{};
            });
            QVERIFY(result);
            QCOMPARE(result.offset, got.size());
            QCOMPARE(bytesOf(got), bytesOf(enc::WriteAll(format, t)));
            if (got.size() > 3 * enc::kWriteBlockBytes)
                QVERIFY(blocks >= 3);
        }
    }

    // Long runs are encoded in halves on two threads: the bytes are those of one pass over the
    // whole text, whatever the block size, however the spans are cut, and with pairs and lone
    // halves of surrogates, CRs, LFs and breaks at the cuts between the halves, at the C array's
    // piece ends (a break across one shortens the piece) and at the end of the text.
    void halvesGiveTheBytesOfOnePass_data() {
        QTest::addColumn<enc::OutputFormat>("format");
        QTest::addColumn<int>("blockBytes");
        QTest::addColumn<QString>("pool");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("longestSpan");
        QTest::addColumn<QString>("ending");
        using F = enc::OutputFormat;
        const int mib = int(enc::kWriteBlockBytes);
        const QString pairs =
            u"aЖ"_qs + QChar(0xD83D) + QChar(0xDE00) + QChar(0xD83D) + QChar(0xDE00);
        const QString halves = u"a"_qs + QChar(0xD800) + QChar(0xDC00) + QChar(0xDBFF) + u"\r\n"_qs;
        const QString breaks = u"aЖ\r\n\r\n\r"_qs + QChar(0xD83D) + QChar(0xDE00) + QChar(0xDC00);
        QTest::newRow("utf8 pairs, blocks of 64, spans up to 300")
            << F::Utf8 << 64 << pairs << 20000 << 300 << u""_qs;
        QTest::newRow("utf8 lone halves, blocks of 65, spans up to 2000")
            << F::Utf8 << 65 << halves << 20000 << 2000 << u""_qs;
        QTest::newRow("utf8 lone halves, blocks of 1000, spans of one unit")
            << F::Utf8 << 1000 << halves << 5000 << 1 << u""_qs;
        QTest::newRow("utf8 pairs, 1 MiB blocks, one span of 3M units")
            << F::Utf8 << mib << pairs << 3000000 << 3000000 << u""_qs;
        QTest::newRow("utf8 lone halves, 1 MiB blocks, spans up to 1.5M")
            << F::Utf8 << mib << halves << 4000000 << 1500000 << u""_qs;
        for (const auto& [format, name] : {std::pair(F::Html, "html"), std::pair(F::CArray, "c")}) {
            const auto row = [&, name = name](const char* what) -> QTestData& {
                return QTest::newRow(qPrintable(QString::fromLatin1(name) + u' ' + what));
            };
            row("breaks, blocks of 64, spans up to 300, ends with CR LF")
                << format << 64 << breaks << 45000 << 300 << u"\r\n"_qs;
            row("lone halves, blocks of 65, spans up to 2000, ends with CR")
                << format << 65 << halves << 45000 << 2000 << u"\r"_qs;
            row("breaks, blocks of 1000, spans up to 150, ends with a high half")
                << format << 1000 << breaks << 45000 << 150 << QString(QChar(0xD83D));
            row("breaks, blocks of 1000, spans up to 20000, ends with CR LF CR LF")
                << format << 1000 << breaks << 120000 << 20000 << u"\r\n\r\n"_qs;
            row("pairs, 1 MiB blocks, one span of 1M units, ends with CR LF")
                << format << mib << pairs << 1000000 << 1000000 << u"\r\n"_qs;
            row("breaks, 1 MiB blocks, spans up to 400000")
                << format << mib << breaks << 1200000 << 400000 << u""_qs;
        }
    }
    void halvesGiveTheBytesOfOnePass() {
        QFETCH(enc::OutputFormat, format);
        QFETCH(int, blockBytes);
        QFETCH(QString, pool);
        QFETCH(int, units);
        QFETCH(int, longestSpan);
        QFETCH(QString, ending);
        std::uint32_t state = 7;
        for (int round = 0; round < 3; ++round) {
            std::u16string t = randomText(pool.toStdU16String(), units + round, state);
            // Something else at each piece end of the C array: a break across it (the piece
            // ends before the CR), a lone CR before it, an LF after it, an LF CR across it.
            std::size_t pieceEnd = enc::kPieceSize;
            for (int k = 0; pieceEnd + 1 < t.size(); ++k) {
                const char16_t across[4][2] = {
                    {u'\r', u'\n'}, {u'\r', u'a'}, {u'a', u'\n'}, {u'\n', u'\r'}};
                t[pieceEnd - 1] = across[(k + round) % 4][0];
                t[pieceEnd] = across[(k + round) % 4][1];
                pieceEnd += (k + round) % 4 == 0 ? enc::kPieceSize - 1 : enc::kPieceSize;
            }
            t += ending.toStdU16String();
            const enc::TextSpans spans = [&](const enc::SpanVisitor& visit) {
                std::uint32_t cuts = state;
                for (std::size_t at = 0; at < t.size();) {
                    cuts = cuts * 1103515245u + 12345u;
                    const std::size_t size = 1 + (cuts >> 8) % std::uint32_t(longestSpan);
                    if (!visit(std::u16string_view(t).substr(at, size)))
                        return;
                    at += size;
                }
            };
            std::string got;
            const enc::WriteResult result = enc::WriteText(
                format, spans,
                [&](std::string_view b) {
                    got += b;
                    return enc::FileResult{};
                },
                std::size_t(blockBytes));
            QVERIFY(result);
            QCOMPARE(result.offset, got.size());
            QCOMPARE(bytesOf(got), bytesOf(enc::WriteAll(format, t)));
        }
    }

    // A write that fails stops the walk: nothing more is written or asked for, and the result
    // says what failed and after how many bytes.
    void writeTextStopsAtAFailedWrite_data() {
        QTest::addColumn<enc::OutputFormat>("format");
        QTest::addColumn<int>("error");
        QTest::addColumn<enc::WriteFault>("fault");
        using F = enc::OutputFormat;
        QTest::newRow("EIO: write") << F::Utf8 << EIO << enc::WriteFault::Write;
        QTest::newRow("ENOSPC: no space") << F::Utf8 << ENOSPC << enc::WriteFault::NoSpace;
#if defined(EDQUOT)
        QTest::newRow("EDQUOT: no space") << F::Utf8 << EDQUOT << enc::WriteFault::NoSpace;
#endif
        QTest::newRow("EFBIG (ulimit -f): no space")
            << F::Utf8 << EFBIG << enc::WriteFault::NoSpace;
        QTest::newRow("html, EIO: write") << F::Html << EIO << enc::WriteFault::Write;
        QTest::newRow("c array, ENOSPC: no space")
            << F::CArray << ENOSPC << enc::WriteFault::NoSpace;
    }
    void writeTextStopsAtAFailedWrite() {
        QFETCH(enc::OutputFormat, format);
        QFETCH(int, error);
        QFETCH(enc::WriteFault, fault);
        const std::u16string text(3 << 20, u'ж');
        int calls = 0;
        std::uint64_t taken = 0;
        const enc::WriteResult result = enc::WriteText(
            format, [&](const enc::SpanVisitor& visit) { visit(text); },
            [&](std::string_view bytes) {
                if (++calls == 1) {
                    taken += bytes.size();
                    return enc::FileResult{};
                }
                return enc::FileResult::fromErrno(error);
            });
        QCOMPARE(result.fault, fault);
        QCOMPARE(result.cause.error, error);
        QCOMPARE(result.offset, taken);
        QCOMPARE(calls, 2);
    }

    // A piece that would end between CR and LF ends before the CR; the count starts again there.
    void cWrapRestartsWhereAPieceEndsBeforeABreak() {
        std::u16string text(19999, u'a');
        text += u"\r\nbbbbbbbbbb";
        const std::string out = enc::WriteAll(enc::OutputFormat::CArray, text);
        // The first piece holds 19999 units: its last line has nine values.
        const std::string tail = out.substr(out.size() - 200);
        QVERIFY2(tail.find("0x61,0x61,0x61,0x61,0x61,0x61,0x61,0x61,0x61,0xd,0xa,0x62,0x62,0x62,"
                           "0x62,0x62,0x62,0x62,0x62,\r\n    0x62,0x62,0\r\n  };") !=
                     std::string::npos,
                 tail.c_str());
    }
};

QTEST_APPLESS_MAIN(TestTextWriter)
#include "tst_encoding_textwriter.moc"
