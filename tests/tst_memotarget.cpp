// The editor seen as a text target: CR LF between lines, positions of the buffer itself.
#include "text/textbuffer.h"
#include "view/memoview.h"

#include <QTest>

class TestMemoTarget : public QObject {
    Q_OBJECT

private:
    // The editor text as the target must present it.
    static QString crlf(const QString& text) {
        QString out = text;
        out.replace(u"\n"_qs, u"\r\n"_qs);
        return out;
    }
    static bool insideBreak(const QString& view, qsizetype pos) {
        return pos > 0 && pos < view.size() && view.at(pos - 1) == u'\r' && view.at(pos) == u'\n';
    }

private slots:
    void positionsMatchTheCrLfView_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("one line") << u"abc"_qs;
        QTest::newRow("two lines") << u"ab\ncd"_qs;
        QTest::newRow("empty lines between") << u"ab\n\n\ncd"_qs;
        QTest::newRow("ends with a break") << u"ab\n"_qs;
        QTest::newRow("only breaks") << u"\n\n"_qs;
        QTest::newRow("cyrillic and surrogates") << u"привет\n😀x\nя"_qs;
    }
    void positionsMatchTheCrLfView() {
        QFETCH(QString, text);
        MemoView target;
        target.setPlainText(text);
        const QString view = crlf(text);
        QCOMPARE(target.length(), view.size());
        for (qsizetype p = 0; p <= view.size() + 1; ++p) {
            const char16_t expected = p > 0 && p <= view.size() ? view.at(p - 1).unicode() : 0;
            QCOMPARE(target.unitBefore(p), expected);
        }
        for (qsizetype start = 0; start <= view.size(); ++start) {
            if (insideBreak(view, start))
                continue;
            for (qsizetype len = 0; start + len <= view.size(); ++len) {
                if (insideBreak(view, start + len))
                    continue;
                target.setSelection(start, len);
                QCOMPARE(target.selStart(), start);
                QCOMPARE(target.selLength(), len);
                QCOMPARE(target.selText(), view.mid(start, len));
            }
        }
    }

    void positionBetweenCrAndLfIsTheEndOfItsLine() {
        MemoView target;
        target.setPlainText(u"ab\ncd"_qs);
        target.setSelStart(3); // between CR and LF
        QCOMPARE(target.selStart(), 2);
        target.setSelection(0, 3);
        QCOMPARE(target.selText(), u"ab"_qs);
        QCOMPARE(target.selLength(), 2);
    }

    void outOfRangeIsClamped() {
        MemoView target;
        target.setPlainText(u"ab\ncd"_qs);
        target.setSelStart(100);
        QCOMPARE(target.selStart(), 6);
        target.setSelection(4, 100);
        QCOMPARE(target.selText(), u"cd"_qs);
        target.setSelStart(-5);
        QCOMPARE(target.selStart(), 0);
        QCOMPARE(target.unitBefore(-1), char16_t(0));
    }

    void replacingLeavesTheInsertedTextSelected() {
        MemoView target;
        target.setPlainText(u"abcd"_qs);
        target.setSelection(1, 2);
        target.setSelText(u"x\ny"_qs);
        QCOMPARE(target.selStart(), 1);
        QCOMPARE(target.selLength(), 4);
        QCOMPARE(target.selText(), u"x\r\ny"_qs);
        QCOMPARE(target.buffer().lineCount(), 2);
        target.setSelection(0, target.length());
        QCOMPARE(target.selText(), u"ax\r\nyd"_qs);
        // CR LF in inserted text is one line break, not two.
        target.setSelStart(0);
        target.setSelText(u"1\r\n"_qs);
        QCOMPARE(target.buffer().lineCount(), 3);
    }

    void insertAtCaretLeavesNothingSelected() {
        MemoView target;
        target.setPlainText(u"ab"_qs);
        target.setSelStart(1);
        target.insertAtCaret(u"\u0301"_qs);
        QCOMPARE(target.selStart(), 2);
        QCOMPARE(target.selLength(), 0);
        target.setSelection(0, 3);
        QCOMPARE(target.selText(), u"a\u0301b"_qs);
    }

    void unitsTheDocumentWouldRewriteAreKept() {
        MemoView target;
        target.setSelText(u"a\u00A0b\u2028c"_qs);
        target.setSelection(0, target.length());
        QCOMPARE(target.selText(), u"a\u00A0b\u2028c"_qs);
        QCOMPARE(target.unitBefore(2), char16_t(0x00A0));
        QCOMPARE(target.unitBefore(4), char16_t(0x2028));
    }

    void documentSeparatorsInInsertedTextAreKept() {
        MemoView target;
        target.setSelText(u"a\u2029b\uFDD0c\uFDD1d"_qs);
        target.setSelection(0, target.length());
        const QString text = target.selText();
        QCOMPARE(text, u"a\u2029b\uFDD0c\uFDD1d"_qs);
        QCOMPARE(target.buffer().lineCount(), 1);
        for (qsizetype p = 0; p <= target.length(); ++p)
            QCOMPARE(target.unitBefore(p), p > 0 ? text.at(p - 1).unicode() : char16_t(0));
    }

    void manyLines() {
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += QString::number(i % 7 == 0 ? 0 : i) + u'\n';
        MemoView target;
        target.setPlainText(text);
        const QString view = crlf(text);
        QCOMPARE(target.length(), view.size());
        for (qsizetype p = 0; p <= view.size(); p += 37) {
            QCOMPARE(target.unitBefore(p), p > 0 ? view.at(p - 1).unicode() : char16_t(0));
            if (!insideBreak(view, p)) {
                target.setSelStart(p);
                QCOMPARE(target.selStart(), p);
                QCOMPARE(target.buffer().lineStart(target.buffer().lineOf(p)) <= p, true);
            }
        }
    }
};

QTEST_MAIN(TestMemoTarget)
#include "tst_memotarget.moc"
