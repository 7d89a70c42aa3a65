// The find command's search: pieces of the text, line breaks, exact units, and the one-pass
// search over the text buffer's storage giving the same hits; the search that ignores stress
// marks.
#include "ime/stringtarget.h"
#include "search/textsearch.h"
#include "text/textbuffer.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Texts are written with \n between lines; the editor holds them with CR LF.
QString crlfView(const QString& lines) {
    QString out = lines;
    return out.replace(u"\n"_qs, u"\r\n"_qs);
}

// A text with its line break units shown, for a failure's message.
QString shown(QString text) {
    return text.replace(u"\r"_qs, u"\\r"_qs).replace(u"\n"_qs, u"\\n"_qs);
}

// The search in a buffer whose storage is cut into pieces of `leaf` units, so that occurrences
// cross from one span to the next.
qsizetype findInLeaves(const QString& text, qsizetype start, const QString& needle,
                       text::Pos leaf) {
    text::TextBuffer buffer(leaf);
    buffer.assign(text.toStdU16String());
    return search::findInBuffer(buffer, start, needle);
}

qsizetype findInString(const QString& text, qsizetype start, const QString& needle,
                       qsizetype chunk) {
    const search::ChunkReader read = [&text](qsizetype pos, qsizetype len) {
        return text.mid(pos, len);
    };
    return search::findForward(read, text.size(), start, needle, chunk);
}

// The search that ignores stress marks, done the plain way: the marks are taken out of the
// text and the needle, QString::indexOf finds the rest, and the hit is carried back to the
// text's positions and over the marks behind its last unit.
search::Hit findIgnoringMarksByCopy(const QString& text, qsizetype start, const QString& needle) {
    QString letters;
    QList<qsizetype> at; // where each unit of `letters` stands in the text
    for (qsizetype i = start; i < text.size(); ++i) {
        if (!search::isStressMark(text.at(i).unicode())) {
            letters += text.at(i);
            at.append(i);
        }
    }
    QString wanted = needle;
    wanted.remove(QChar(0x0301)).remove(QChar(0x0300));
    const qsizetype j = wanted.isEmpty() ? -1 : letters.indexOf(wanted);
    if (j < 0 || start < 0 || start > text.size())
        return {};
    qsizetype end = at[j + wanted.size() - 1] + 1;
    while (end < text.size() && search::isStressMark(text.at(end).unicode()))
        ++end;
    return {at[j], end - at[j]};
}

} // namespace

class TestTextSearch : public QObject {
    Q_OBJECT

private slots:
    void findsInPieces_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<int>("hit");

        const int big = int(search::kChunkUnits);
        QTest::newRow("abc from 0 -> 0") << u"abc"_qs << 0 << u"abc"_qs << big << 0;
        QTest::newRow("xxabc from the hit -> the hit") << u"xxabc"_qs << 2 << u"abc"_qs << big << 2;
        QTest::newRow("abcxx from 1: only before the caret")
            << u"abcxx"_qs << 1 << u"abc"_qs << big << -1;
        QTest::newRow("а in А: case is exact") << u"А"_qs << 0 << u"а"_qs << big << -1;
        QTest::newRow("а in Аа -> 1") << u"Аа"_qs << 0 << u"а"_qs << big << 1;
        QTest::newRow("e in é (e + U+0301) -> 0, no folding")
            << u"e\u0301"_qs << 0 << u"e"_qs << big << 0;
        QTest::newRow("é in e: no composing") << u"e"_qs << 0 << u"\u00e9"_qs << big << -1;
        QTest::newRow("ab|cd second line -> 4") << u"ab\ncd"_qs << 0 << u"cd"_qs << big << 4;
        QTest::newRow("bc across a line break") << u"ab\ncd"_qs << 0 << u"bc"_qs << big << -1;
        QTest::newRow("empty needle") << u"abc"_qs << 0 << QString() << big << -1;
        QTest::newRow("start at the end") << u"abc"_qs << 3 << u"c"_qs << big << -1;
        QTest::newRow("start past the end") << u"abc"_qs << 9 << u"c"_qs << big << -1;
        QTest::newRow("hit ends the text") << u"xyzabc"_qs << 0 << u"abc"_qs << big << 3;
        QTest::newRow("empty text") << QString() << 0 << u"a"_qs << big << -1;
        QTest::newRow("needle longer than the text") << u"ab"_qs << 0 << u"abc"_qs << big << -1;
        // Pieces of 4 units.
        QTest::newRow("def across a piece boundary in one line")
            << u"abcdefgh"_qs << 0 << u"def"_qs << 4 << 3;
        QTest::newRow("gh in the last, short piece") << u"abcdefgh"_qs << 0 << u"gh"_qs << 4 << 6;
        QTest::newRow("needle longer than a piece")
            << u"abcdefgh"_qs << 1 << u"bcdefg"_qs << 4 << 1;
        QTest::newRow("piece ending between CR and LF")
            << u"abc\ndef"_qs << 0 << u"def"_qs << 4 << 5;
        QTest::newRow("line after a piece's last break")
            << u"ab\ncdef"_qs << 0 << u"cdef"_qs << 5 << 4;
        QTest::newRow("occurrence after many pieces")
            << u"a\nb\nc\nd\ne\nfind"_qs << 0 << u"find"_qs << 4 << 15;
        QTest::newRow("start inside a line") << u"find\nfind"_qs << 1 << u"find"_qs << 4 << 6;
        // A needle holding a line break is found only where it lies inside one piece, before
        // that piece's last line break.
        QTest::newRow("b CR LF c inside a piece")
            << u"ab\ncd\nef"_qs << 0 << u"b\r\nc"_qs << big << 1;
        QTest::newRow("b CR LF c at the piece's last break")
            << u"ab\ncd"_qs << 0 << u"b\r\nc"_qs << big << -1;
    }
    void findsInPieces() {
        QFETCH(QString, lines);
        QFETCH(int, start);
        QFETCH(QString, needle);
        QFETCH(int, chunk);
        QFETCH(int, hit);
        const QString text = crlfView(lines);
        QCOMPARE(findInString(text, start, needle, chunk), qsizetype(hit));

        // Through a text target's selection the hit is the same.
        ime::StringTarget target(text);
        QCOMPARE(search::findInTarget(target, start, needle, chunk), qsizetype(hit));

        // The buffer gives the same hit (it reads pieces of the command's own size).
        if (!search::spansLines(needle) || chunk == search::kChunkUnits)
            QCOMPARE(findInLeaves(text, start, needle, 3), qsizetype(hit));
    }

    // Texts of real size: the pieces are 70000 units.
    void findsBeyondTheFirstPiece() {
        QString lines;
        while (lines.size() < 200000)
            lines += QString(99, u'x') + u'\n';
        lines += u"цель"_qs;
        const QString text = crlfView(lines);
        QCOMPARE(findInString(text, 0, u"цель"_qs, search::kChunkUnits), text.size() - 4);
        QCOMPARE(findInString(text, 5, u"цель"_qs, search::kChunkUnits), text.size() - 4);
    }

    void findsAcrossABoundaryInsideALongLine_data() {
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("needle");
        const int edge = int(search::kChunkUnits);
        QTest::newRow("one unit before the boundary") << edge - 1 << u"ab"_qs;
        QTest::newRow("starting at the boundary") << edge << u"ab"_qs;
        QTest::newRow("crossing it by three") << edge - 3 << u"привет"_qs;
        QTest::newRow("crossing the second boundary") << 2 * edge - 2 << u"привет"_qs;
        QTest::newRow("ending the text") << 3 * edge - 6 << u"привет"_qs;
    }
    void findsAcrossABoundaryInsideALongLine() {
        QFETCH(int, at);
        QFETCH(QString, needle);
        QString text(3 * search::kChunkUnits, u'x');
        text.replace(at, needle.size(), needle);
        text.prepend(u"x\r\n"_qs); // a first short line shifts nothing: the search starts after it
        const qsizetype expected = at + 3;
        QCOMPARE(findInString(text, 3, needle, search::kChunkUnits), expected);
        ime::StringTarget target(text);
        QCOMPARE(search::findInTarget(target, 3, needle), expected);
        QCOMPARE(findInString(text, expected + 1, needle, search::kChunkUnits), qsizetype(-1));
    }

    // The search over the buffer's spans, on one thread or on two, and the piece-by-piece
    // search agree on every text, start and needle (line breaks and lone CRs included), whatever
    // the piece size and the size of the buffer's spans.
    void bufferAgreesWithPieces() {
        QRandomGenerator random(7);
        const QString alphabet = u"abА\n\r"_qs;
        for (int round = 0; round < 6000; ++round) {
            // Every 50th text has lines of thousands of units and pieces longer than them.
            const bool longLines = round % 50 == 0;
            QString lines;
            const int size = random.bounded(longLines ? 20000 : 80);
            for (int i = 0; i < size; ++i) {
                const bool breaks = !longLines || random.bounded(1000) == 0;
                lines += alphabet.at(random.bounded(breaks ? alphabet.size() : 3));
            }
            QString needle;
            const int needleSize = 1 + random.bounded(4);
            for (int i = 0; i < needleSize; ++i)
                needle += alphabet.at(random.bounded(round % 2 ? 3 : alphabet.size()));
            const QString text = crlfView(lines);
            const qsizetype start = random.bounded(text.size() + 1);
            const qsizetype chunk = longLines   ? 500 + random.bounded(5000)
                                    : round % 3 ? 1 + random.bounded(12)
                                                : qsizetype(search::kChunkUnits);
            const qsizetype parallel = random.bounded(text.size() + 2);
            const qsizetype pieces = findInString(text, start, needle, chunk);
            // Leaves of a few units cut the text into short spans; long ones leave it whole.
            text::TextBuffer buffer(round % 4 ? 2 + random.bounded(6) : text::kDefaultChunkUnits);
            buffer.assign(text.toStdU16String());
            const qsizetype onePass = search::findInBuffer(buffer, start, needle, chunk, parallel);
            if (pieces != onePass)
                QFAIL(qPrintable(u"text %1 start %2 needle %3 pieces %4 split %5: %6 != %7"_qs.arg(
                    shown(text), QString::number(start), shown(needle), QString::number(chunk),
                    QString::number(parallel), QString::number(pieces), QString::number(onePass))));
        }
    }

    // "ignore stress marks" on and off, in buffers cut into spans of every small size.
    void findsIgnoringStressMarks_data() {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("on");       // the hit with the marks ignored, -1 for none
        QTest::addColumn<int>("onLength"); // its length, marks included
        QTest::addColumn<int>("off");      // the hit of the plain search

        QTest::newRow("замок finds за́мок") << u"за\u0301мок"_qs << 0 << u"замок"_qs << 0 << 6 << -1;
        QTest::newRow("за́мок finds замок") << u"замок"_qs << 0 << u"за\u0301мок"_qs << 0 << 5 << -1;
        QTest::newRow("за́мок finds за́мок")
            << u"за\u0301мок"_qs << 0 << u"за\u0301мок"_qs << 0 << 6 << 0;
        QTest::newRow("за́мок finds замо́к")
            << u"x замо\u0301к"_qs << 0 << u"за\u0301мок"_qs << 2 << 6 << -1;
        QTest::newRow("мука in мука́: the mark behind the last letter is taken")
            << u"мука\u0301 и"_qs << 0 << u"мука"_qs << 0 << 5 << 0;
        QTest::newRow("что in что̀ (grave) at the end of the text")
            << u"и что\u0300"_qs << 0 << u"что"_qs << 2 << 4 << 2;
        QTest::newRow("дом in до́̀м: two marks in a row")
            << u"до\u0301\u0300м"_qs << 0 << u"дом"_qs << 0 << 5 << -1;
        QTest::newRow("б in а́б: the mark before the hit is not taken")
            << u"а\u0301б"_qs << 0 << u"б"_qs << 2 << 1 << 2;
        QTest::newRow("start between a letter and its mark")
            << u"а\u0301б"_qs << 1 << u"б"_qs << 2 << 1 << 2;
        QTest::newRow("ааб in аа́аб: a partial match goes on one letter later")
            << u"аа\u0301аб"_qs << 0 << u"ааб"_qs << 1 << 4 << -1;
        QTest::newRow("abab in ababábab from 1")
            << u"ababa\u0301bab"_qs << 1 << u"abab"_qs << 2 << 5 << -1;
        QTest::newRow("за́мок from 1: only the second")
            << u"за\u0301мок за\u0301мок"_qs << 1 << u"замок"_qs << 7 << 6 << -1;
        QTest::newRow("замок in За́мок: case is exact")
            << u"За\u0301мок"_qs << 0 << u"замок"_qs << -1 << 0 << -1;
        QTest::newRow("only marks in the needle: nothing to find")
            << u"а\u0301"_qs << 0 << u"\u0301"_qs << -1 << 0 << 1;
        QTest::newRow("empty needle") << u"а"_qs << 0 << QString() << -1 << 0 << -1;
        QTest::newRow("start at the end") << u"а\u0301"_qs << 2 << u"а"_qs << -1 << 0 << -1;
        QTest::newRow("start past the end") << u"а"_qs << 5 << u"а"_qs << -1 << 0 << -1;
        QTest::newRow("bc across a line break") << u"ab\ncd"_qs << 0 << u"bc"_qs << -1 << 0 << -1;
        QTest::newRow("b CR LF c after b́: a needle holding the line break")
            << u"ab\u0301\ncd\nx"_qs << 0 << u"b\r\nc"_qs << 1 << 5 << -1;
        QTest::newRow("third line") << u"a\nb\nво\u0301т"_qs << 0 << u"вот"_qs << 6 << 4 << -1;
    }
    void findsIgnoringStressMarks() {
        QFETCH(QString, lines);
        QFETCH(int, start);
        QFETCH(QString, needle);
        QFETCH(int, on);
        QFETCH(int, onLength);
        QFETCH(int, off);
        const QString text = crlfView(lines);
        for (const text::Pos leaf : {2, 3, 4, 5, 7, int(text::kDefaultChunkUnits)}) {
            text::TextBuffer buffer(leaf);
            buffer.assign(text.toStdU16String());
            // On one thread, and on two from the first unit on.
            for (const qsizetype parallel : {search::kParallelUnits, qsizetype(0)}) {
                const search::Hit hit =
                    search::findInBufferIgnoringMarks(buffer, start, needle, parallel);
                QCOMPARE(hit.position, qsizetype(on));
                QCOMPARE(hit.length, qsizetype(onLength));
                QCOMPARE(search::findInBuffer(buffer, start, needle, search::kChunkUnits, parallel),
                         qsizetype(off));
            }
        }
    }

    // The one-pass search that ignores the marks, on one thread or on two, agrees with taking
    // the marks out of a copy, on every text, start and needle, whatever the size of the
    // buffer's spans.
    void ignoringMarksAgreesWithACopyWithoutMarks() {
        QRandomGenerator random(11);
        const QString alphabet = u"абa\u0301\u0300\n"_qs;
        for (int round = 0; round < 6000; ++round) {
            QString lines;
            const int size = random.bounded(80);
            for (int i = 0; i < size; ++i)
                lines += alphabet.at(random.bounded(alphabet.size()));
            QString needle;
            const int needleSize = 1 + random.bounded(4);
            for (int i = 0; i < needleSize; ++i)
                needle += alphabet.at(random.bounded(alphabet.size() - 1));
            const QString text = crlfView(lines);
            const qsizetype start = random.bounded(text.size() + 1);
            const search::Hit expected = findIgnoringMarksByCopy(text, start, needle);
            text::TextBuffer buffer(round % 4 ? 2 + random.bounded(6) : text::kDefaultChunkUnits);
            buffer.assign(text.toStdU16String());
            const qsizetype parallel = random.bounded(text.size() + 2);
            const search::Hit hit =
                search::findInBufferIgnoringMarks(buffer, start, needle, parallel);
            if (hit.position != expected.position || hit.length != expected.length)
                QFAIL(
                    qPrintable(u"text %1 start %2 needle %3 split %4: %5+%6, expected %7+%8"_qs.arg(
                        text.toHtmlEscaped(), QString::number(start), needle,
                        QString::number(parallel), QString::number(hit.position),
                        QString::number(hit.length), QString::number(expected.position),
                        QString::number(expected.length))));
        }
    }

    // U+2029 is a unit of its line like any other, so it can be found.
    void findsALineSeparatorUnit() {
        const QString text = u"ab"_qs + QChar::ParagraphSeparator + u"cd\r\nef\r\ng"_qs;
        QCOMPARE(findInLeaves(text, 0, QString(QChar::ParagraphSeparator), 2), 2);
        QCOMPARE(findInLeaves(text, 0, u"cd"_qs, 2), 3);
        QCOMPARE(findInLeaves(text, 0, u"d\r\ne"_qs, 2), 4);
    }
};

QTEST_APPLESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
