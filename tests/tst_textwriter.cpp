// The bytes of the UTF-8 save and the two ASCII exports, from the editor's text in document
// form (U+2029 between lines) and in the text buffer's form (CR LF between lines), and the
// document form of decoded text.
#include "shell/textio.h"
#include "text/textbuffer.h"

#include <QTest>
#include <string>

namespace {

// "¶" in the row texts stands for a line break of the document.
std::u16string doc(const QString& text) {
    QString s = text;
    s.replace(QChar(u'¶'), QChar(textio::kLineBreak));
    return s.toStdU16String();
}

// The same text in the buffer's form: each document break as CR LF.
std::u16string crlf(const std::u16string& docText) {
    std::u16string out;
    for (const char16_t u : docText) {
        if (u == textio::kLineBreak)
            out += u"\r\n";
        else
            out += u;
    }
    return out;
}

QByteArray bytesOf(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

std::string writtenInChunks(textio::Format format, textio::Breaks breaks, std::u16string_view t,
                            std::size_t cut) {
    std::string out;
    textio::TextWriter writer(format, breaks);
    writer.begin(out);
    writer.feed(t.substr(0, cut), out);
    writer.feed(t.substr(cut), out);
    writer.finish(out);
    return out;
}

const QByteArray kHtmlHead = "<html>\r\n<body>\r\n";
const QByteArray kHtmlFoot = "\r\n</body>\r\n</html>";
const QByteArray kCHead = "  wchar_t unicodestr[]={\r\n    ";
const QByteArray kCFoot = "0\r\n  };";

} // namespace

Q_DECLARE_METATYPE(textio::Format)

class TestTextWriter : public QObject {
    Q_OBJECT

private slots:
    void writes_data() {
        QTest::addColumn<textio::Format>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        using F = textio::Format;
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
        QTest::newRow("utf8 emoji") << F::Utf8 << emoji << QByteArray("\xF0\x9F\x98\x80");
        QTest::newRow("utf8 lone high surrogate")
            << F::Utf8 << QString(QChar(0xD83D)) + u"x"_qs << QByteArray("\xED\xA0\xBDx");
        QTest::newRow("utf8 high surrogate before break")
            << F::Utf8 << QString(QChar(0xD83D)) + u"¶"_qs + QChar(0xDE00)
            << QByteArray("\xED\xA0\xBD\r\n\xED\xB8\x80");

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
    }

    void writes() {
        QFETCH(textio::Format, format);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(bytesOf(textio::writeAll(format, doc(text))), bytes);
    }

    // Chunks may end anywhere: inside a pair, between two breaks, right after a break.
    void chunkEdgesChangeNothing_data() {
        QTest::addColumn<textio::Format>("format");
        QTest::newRow("utf8") << textio::Format::Utf8;
        QTest::newRow("html") << textio::Format::Html;
        QTest::newRow("c") << textio::Format::CArray;
    }
    void chunkEdgesChangeNothing() {
        QFETCH(textio::Format, format);
        // A lone high half right before a pair: the pair must still be joined when a chunk
        // ends between the two high halves.
        const QString loneHighThenPair = QString(QChar(0xD800)) + QString::fromUcs4(U"\U0001F600");
        const std::u16string text = doc(u"aЖ"_qs + QString::fromUcs4(U"\U0001F600") + u"¶¶b\tc"_qs +
                                        loneHighThenPair + u"¶"_qs);
        const std::string whole = textio::writeAll(format, text);
        for (std::size_t cut = 0; cut <= text.size(); ++cut)
            QCOMPARE(bytesOf(writtenInChunks(format, textio::Breaks::DocumentForm, text, cut)),
                     bytesOf(whole));
        // The same text with CR LF breaks, cut also between a CR and its LF.
        const std::u16string inCrLf = crlf(text) + u"\r";
        const std::string wholeCrLf = textio::writeAll(format, inCrLf, textio::Breaks::CrLf);
        for (std::size_t cut = 0; cut <= inCrLf.size(); ++cut)
            QCOMPARE(bytesOf(writtenInChunks(format, textio::Breaks::CrLf, inCrLf, cut)),
                     bytesOf(wholeCrLf));
    }

    // The buffer's form: CR LF is a line break; every other unit is written as a unit, so
    // U+2029, U+FDD0 and U+FDD1 come out as themselves.
    void crlfText_data() {
        QTest::addColumn<textio::Format>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        using F = textio::Format;
        QTest::newRow("utf8 CR LF") << F::Utf8 << u"a\r\nb"_qs << QByteArray("a\r\nb");
        QTest::newRow("utf8 final CR LF written once")
            << F::Utf8 << u"a\r\n"_qs << QByteArray("a\r\n");
        QTest::newRow("utf8 U+2029 U+FDD0 U+FDD1 are units")
            << F::Utf8 << u"\u2029\uFDD0\uFDD1"_qs
            << QByteArray("\xE2\x80\xA9\xEF\xB7\x90\xEF\xB7\x91");
        QTest::newRow("utf8 lone CR, lone LF") << F::Utf8 << u"a\rb\nc"_qs << QByteArray("a\rb\nc");
        QTest::newRow("utf8 CR CR LF at the end")
            << F::Utf8 << u"a\r\r\n"_qs << QByteArray("a\r\r\n");
        QTest::newRow("utf8 ends with a lone CR") << F::Utf8 << u"a\r"_qs << QByteArray("a\r");
        QTest::newRow("utf8 LF CR is no break") << F::Utf8 << u"\n\r"_qs << QByteArray("\n\r");
        QTest::newRow("html CR LF")
            << F::Html << u"a\r\nb"_qs << kHtmlHead + "&#97;\r\r\n&#98;" + kHtmlFoot;
        QTest::newRow("html U+2029 is a reference")
            << F::Html << u"a\u2029b"_qs << kHtmlHead + "&#97;&#8233;&#98;" + kHtmlFoot;
        QTest::newRow("html lone LF")
            << F::Html << u"a\nb"_qs << kHtmlHead + "&#97;\r\n&#98;" + kHtmlFoot;
        QTest::newRow("html final CR LF")
            << F::Html << u"a\r\n"_qs << kHtmlHead + "&#97;\r\n" + kHtmlFoot;
        QTest::newRow("c CR LF counts two")
            << F::CArray << u"12345678\r\n9"_qs
            << kCHead + "0x31,0x32,0x33,0x34,0x35,0x36,0x37,0x38,0xd,0xa,\r\n    0x39," + kCFoot;
        QTest::newRow("c U+FDD0 and a lone CR")
            << F::CArray << u"\uFDD0\r"_qs << kCHead + "0xfdd0,0xd," + kCFoot;
        QTest::newRow("c final CR LF")
            << F::CArray << u"AB\r\n"_qs << kCHead + "0x41,0x42,0xd,0xa," + kCFoot;
    }
    void crlfText() {
        QFETCH(textio::Format, format);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(bytesOf(textio::writeAll(format, text.toStdU16String(), textio::Breaks::CrLf)),
                 bytes);
    }

    // Without U+2029, U+FDD0, U+FDD1 or a CR or LF outside a break, both forms of a text give
    // the same bytes; and the buffer written through its spans gives them too.
    void crlfSameBytesAsDocumentForm_data() { chunkEdgesChangeNothing_data(); }
    void crlfSameBytesAsDocumentForm() {
        QFETCH(textio::Format, format);
        const char16_t pool[] = {u'a',
                                 u'Ж',
                                 0x2028,
                                 0x00A0,
                                 0,
                                 u'\t',
                                 0xD83D,
                                 0xDE00,
                                 0xFEFF,
                                 textio::kLineBreak,
                                 textio::kLineBreak,
                                 0x1A};
        std::uint32_t state = 99;
        for (int round = 0; round < 200; ++round) {
            std::u16string docText;
            const int n = round < 150 ? round % 40 : 20000 + round;
            for (int i = 0; i < n; ++i) {
                state = state * 1103515245u + 12345u;
                docText += pool[(state >> 16) % std::size(pool)];
            }
            const std::u16string t = crlf(docText);
            const std::string want = textio::writeAll(format, docText);
            QCOMPARE(bytesOf(textio::writeAll(format, t, textio::Breaks::CrLf)), bytesOf(want));
            text::TextBuffer buffer(3);
            buffer.assign(t.substr(0, t.size() / 2));
            buffer.insert(buffer.length(), std::u16string_view(t).substr(t.size() / 2));
            std::string got;
            QVERIFY(textio::writeBuffer(format, buffer, [&](std::string_view bytes) {
                got += bytes;
                return true;
            }));
            QCOMPARE(bytesOf(got), bytesOf(want));
        }
    }

    // A write that fails stops the walk: nothing more is written or asked for.
    void writeBufferStopsAtAFailedWrite() {
        text::TextBuffer buffer;
        buffer.assign(std::u16string(3 << 20, u'ж'));
        int calls = 0;
        QVERIFY(!textio::writeBuffer(textio::Format::Utf8, buffer, [&](std::string_view bytes) {
            ++calls;
            return bytes.empty();
        }));
        QCOMPARE(calls, 1);
    }

    // A piece that would end between CR and LF ends before the CR; the count starts again there.
    void cWrapRestartsWhereAPieceEndsBeforeABreak() {
        std::u16string text(19999, u'a');
        text += textio::kLineBreak;
        text += u"bbbbbbbbbb";
        const std::string out = textio::writeAll(textio::Format::CArray, text);
        QCOMPARE(textio::writeAll(textio::Format::CArray, crlf(text), textio::Breaks::CrLf), out);
        // The first piece holds 19999 units: its last line has nine values.
        const std::string tail = out.substr(out.size() - 200);
        QVERIFY2(tail.find("0x61,0x61,0x61,0x61,0x61,0x61,0x61,0x61,0x61,0xd,0xa,0x62,0x62,0x62,"
                           "0x62,0x62,0x62,0x62,0x62,\r\n    0x62,0x62,0\r\n  };") !=
                     std::string::npos,
                 tail.c_str());
    }

    void documentForm_data() {
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("units");
        QTest::newRow("CR LF is one break") << QStringList{u"a\r\nb"_qs} << u"a¶b"_qs;
        QTest::newRow("lone CR") << QStringList{u"a\rb"_qs} << u"a¶b"_qs;
        QTest::newRow("LF CR is two") << QStringList{u"a\n\rb"_qs} << u"a¶¶b"_qs;
        QTest::newRow("U+2029, FDD0, FDD1")
            << QStringList{u"a\u2029b\uFDD0c\uFDD1"_qs} << u"a¶b¶c¶"_qs;
        QTest::newRow("U+2028 and no-break space stay")
            << QStringList{u"\u2028\u00A0"_qs} << u"\u2028\u00A0"_qs;
        QTest::newRow("CR | LF across calls") << QStringList{u"a\r"_qs, u"\nb"_qs} << u"a¶b"_qs;
    }
    void documentForm() {
        QFETCH(QStringList, calls);
        QFETCH(QString, units);
        textio::DocumentForm form;
        std::u16string out;
        for (const QString& call : calls)
            form.append(call.toStdU16String(), out);
        QCOMPARE(QString::fromStdU16String(out), QString::fromStdU16String(doc(units)));
    }
};

QTEST_APPLESS_MAIN(TestTextWriter)
#include "tst_textwriter.moc"
