// The editor's own view on the text buffer, driven through real key, mouse and input-method
// events on a shown MemoView.
#include "text/allocation.h"
#include "view/memoview.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Text with the caret written as '|' and, when something is selected, the anchor as '^'; a line
// feed stands for the CR LF the buffer holds.
struct Marked {
    QString text;
    qsizetype caret = 0;
    qsizetype anchor = -1;
};

Marked parseMarked(const QString& marked) {
    Marked out;
    qsizetype pos = 0;
    for (const QChar c : marked) {
        if (c == u'|') {
            out.caret = pos;
        } else if (c == u'^') {
            out.anchor = pos;
        } else {
            out.text += c;
            pos += c == u'\n' ? 2 : 1;
        }
    }
    if (out.anchor < 0)
        out.anchor = out.caret;
    return out;
}

QString marked(const MemoView& view) {
    const std::u16string units = view.buffer().text();
    QString out;
    const auto caret = static_cast<std::size_t>(view.caretPosition());
    const auto anchor = static_cast<std::size_t>(view.anchorPosition());
    for (std::size_t i = 0; i <= units.size(); ++i) {
        if (i == anchor && anchor != caret)
            out += u'^';
        if (i == caret)
            out += u'|';
        if (i == units.size())
            break;
        if (units[i] == u'\r' && i + 1 < units.size() && units[i + 1] == u'\n') {
            out += u'\n';
            ++i;
        } else {
            out += QChar(units[i]);
        }
    }
    return out;
}

// The buffer's units with CR and LF spelled out, so a comparison shows every unit.
QString spelled(const MemoView& view) {
    QString out;
    for (const char16_t u : view.buffer().text()) {
        if (u == u'\r')
            out += u"\\r"_s;
        else if (u == u'\n')
            out += u"\\n"_s;
        else
            out += QChar(u);
    }
    return out;
}

// Each item is a key chord ("Shift+Right") or, after a leading quote, text typed key by key.
void press(QWidget* widget, const QStringList& keys) {
    for (const QString& item : keys) {
        if (item.startsWith(u'"')) {
            QTest::keyClicks(widget, item.mid(1));
            continue;
        }
        const QKeyCombination chord = QKeySequence::fromString(item)[0];
        QTest::keyClick(widget, chord.key(), chord.keyboardModifiers());
    }
}

} // namespace

class TestMemoView : public QObject {
    Q_OBJECT

    std::unique_ptr<MemoView> m_view;

    // A fresh view, shown and focused, in a font every machine of the tests has.
    MemoView& view(const QString& markedText = QString()) {
        m_view = std::make_unique<MemoView>();
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(19);
        m_view->setFont(font);
        m_view->resize(400, 300);
        m_view->show();
        m_view->activateWindow();
        m_view->setFocus();
        if (!QTest::qWaitForWindowExposed(m_view.get()))
            qWarning("view not exposed");
        const Marked m = parseMarked(markedText);
        m_view->setPlainText(m.text);
        m_view->setCaret(m.caret, m.anchor);
        return *m_view;
    }

    // The viewport point where the caret stands at pos, halfway down its row.
    QPoint pointAt(MemoView& v, qsizetype pos) {
        const QRect at = v.positionRect(pos);
        return QPoint(at.left(), at.center().y());
    }

private slots:
    void cleanup() { m_view.reset(); }

    void navigation_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("after");
        QTest::newRow("Right over CR LF")
            << u"ab|\ncd"_s << QStringList{u"Right"_s} << u"ab\n|cd"_s;
        QTest::newRow("Left over CR LF") << u"ab\n|cd"_s << QStringList{u"Left"_s} << u"ab|\ncd"_s;
        QTest::newRow("Right over a surrogate pair")
            << u"a|\U0001F600b"_s << QStringList{u"Right"_s} << u"a\U0001F600|b"_s;
        QTest::newRow("Right over а and its accent")
            << u"|а\u0301б"_s << QStringList{u"Right"_s} << u"а\u0301|б"_s;
        QTest::newRow("Left over а and its accent")
            << u"а\u0301|б"_s << QStringList{u"Left"_s} << u"|а\u0301б"_s;
        QTest::newRow("Shift+Right twice selects two")
            << u"|abc"_s << QStringList{u"Shift+Right"_s, u"Shift+Right"_s} << u"^ab|c"_s;
        QTest::newRow("Shift+Right over CR LF selects the break")
            << u"a|\nb"_s << QStringList{u"Shift+Right"_s} << u"a^\n|b"_s;
        QTest::newRow("Left collapses a selection to its start")
            << u"a^bc|d"_s << QStringList{u"Left"_s} << u"a|bcd"_s;
        QTest::newRow("Right collapses a selection to its end")
            << u"a|bc^d"_s << QStringList{u"Right"_s} << u"abc|d"_s;
        QTest::newRow("Ctrl+Right to the next word")
            << u"|one two"_s << QStringList{u"Ctrl+Right"_s} << u"one |two"_s;
        QTest::newRow("Ctrl+Left to the word's start")
            << u"one two|"_s << QStringList{u"Ctrl+Left"_s} << u"one |two"_s;
        QTest::newRow("Ctrl+Right at a line end to the next line")
            << u"one|\ntwo"_s << QStringList{u"Ctrl+Right"_s} << u"one\n|two"_s;
        QTest::newRow("Ctrl+Shift+Left selects a word")
            << u"one two|"_s << QStringList{u"Ctrl+Shift+Left"_s} << u"one |two^"_s;
        QTest::newRow("Home") << u"ab|c\nd"_s << QStringList{u"Home"_s} << u"|abc\nd"_s;
        QTest::newRow("End stops before CR LF")
            << u"a|bc\nd"_s << QStringList{u"End"_s} << u"abc|\nd"_s;
        QTest::newRow("Shift+End selects to the line end")
            << u"a|bc\nd"_s << QStringList{u"Shift+End"_s} << u"a^bc|\nd"_s;
        QTest::newRow("Down keeps the column")
            << u"ab|c\nabc"_s << QStringList{u"Down"_s} << u"abc\nab|c"_s;
        QTest::newRow("Down to a shorter line ends it")
            << u"abc|d\nab"_s << QStringList{u"Down"_s} << u"abcd\nab|"_s;
        QTest::newRow("Down twice past a short line keeps the column")
            << u"abc|d\nx\nabcd"_s << QStringList{u"Down"_s, u"Down"_s} << u"abcd\nx\nabc|d"_s;
        QTest::newRow("Up on the first line stays")
            << u"a|bc"_s << QStringList{u"Up"_s} << u"a|bc"_s;
        QTest::newRow("Shift+Up on the first line selects to its start")
            << u"ab|c"_s << QStringList{u"Shift+Up"_s} << u"|ab^c"_s;
        QTest::newRow("Shift+Down on the last line selects to its end")
            << u"a|bc"_s << QStringList{u"Shift+Down"_s} << u"a^bc|"_s;
        QTest::newRow("Ctrl+End") << u"a|b\ncd"_s << QStringList{u"Ctrl+End"_s} << u"ab\ncd|"_s;
        QTest::newRow("Ctrl+Shift+Home selects to the start")
            << u"ab\nc|d"_s << QStringList{u"Ctrl+Shift+Home"_s} << u"|ab\nc^d"_s;
        QTest::newRow("PgDown on the last line goes to the end")
            << u"a|bc"_s << QStringList{u"PgDown"_s} << u"abc|"_s;
        QTest::newRow("PgUp on the first line goes to the start")
            << u"ab|c"_s << QStringList{u"PgUp"_s} << u"|abc"_s;
        QTest::newRow("Ctrl+A selects everything")
            << u"a|b\nc"_s << QStringList{u"Ctrl+A"_s} << u"^ab\nc|"_s;
    }
    void navigation() {
        QFETCH(QString, before);
        QFETCH(QStringList, keys);
        QFETCH(QString, after);
        MemoView& v = view(before);
        press(&v, keys);
        QCOMPARE(marked(v), after);
    }

    void pagesMoveByTheRowsInSight() {
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << u"line %1"_s.arg(i);
        MemoView& v = view(lines.join(u'\n'));
        const int rowsInSight = v.viewport()->height() / v.cursorRect().height();
        QTest::keyClick(&v, Qt::Key_PageDown);
        QCOMPARE(v.caretLine(), rowsInSight);
        QVERIFY(v.verticalScrollBar()->value() > 0);
        QVERIFY(v.viewport()->rect().contains(v.cursorRect()));
        QTest::keyClick(&v, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(v.caretLine(), 199);
        QVERIFY(v.viewport()->rect().contains(v.cursorRect()));
        QCOMPARE(v.verticalScrollBar()->value(), v.verticalScrollBar()->maximum());
        QTest::keyClick(&v, Qt::Key_PageUp);
        QCOMPARE(v.caretLine(), 199 - rowsInSight);
    }

    // Typing at the end of the text keeps the scroll range of a fresh view of the same text,
    // also where the last line grows by a piece (still one row) and shrinks again.
    void typingAtTheEndKeepsTheScrollRange() {
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << u"line %1"_s.arg(i);
        lines << QString(int(MemoView::kSegmentUnits) - 1, u'x');
        MemoView& v = view(lines.join(u'\n'));
        QTest::keyClick(&v, Qt::Key_End, Qt::ControlModifier);
        const int before = v.verticalScrollBar()->maximum();
        const auto freshMaximum = [&] {
            MemoView fresh;
            fresh.setFont(v.font());
            fresh.resize(v.size());
            fresh.show();
            fresh.setPlainText(v.toPlainText());
            return fresh.verticalScrollBar()->maximum();
        };
        QTest::keyClicks(&v, u"yy"_s);
        QCOMPARE(v.verticalScrollBar()->maximum(), freshMaximum());
        QCOMPARE(v.verticalScrollBar()->maximum(), before);
        QTest::keyClick(&v, Qt::Key_Backspace);
        QTest::keyClick(&v, Qt::Key_Backspace);
        QCOMPARE(v.verticalScrollBar()->maximum(), before);
    }

    void editingKeys_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("after");
        QTest::newRow("Backspace over CR LF")
            << u"ab\n|cd"_s << QStringList{u"Backspace"_s} << u"ab|cd"_s;
        QTest::newRow("Backspace over a surrogate pair")
            << u"a\U0001F600|b"_s << QStringList{u"Backspace"_s} << u"a|b"_s;
        QTest::newRow("Backspace takes the accent off its letter")
            << u"а\u0301|"_s << QStringList{u"Backspace"_s} << u"а|"_s;
        QTest::newRow("Backspace at the start does nothing")
            << u"|ab"_s << QStringList{u"Backspace"_s} << u"|ab"_s;
        QTest::newRow("Backspace removes the selection")
            << u"a^b\nc|d"_s << QStringList{u"Backspace"_s} << u"a|d"_s;
        QTest::newRow("Delete over CR LF")
            << u"ab|\ncd"_s << QStringList{u"Delete"_s} << u"ab|cd"_s;
        QTest::newRow("Delete takes а with its accent")
            << u"|а\u0301б"_s << QStringList{u"Delete"_s} << u"|б"_s;
        QTest::newRow("Delete over a surrogate pair")
            << u"a|\U0001F600b"_s << QStringList{u"Delete"_s} << u"a|b"_s;
        QTest::newRow("Ctrl+Backspace removes the word before")
            << u"one two|"_s << QStringList{u"Ctrl+Backspace"_s} << u"one |"_s;
        QTest::newRow("typing inserts at the caret")
            << u"a|d"_s << QStringList{u"\"bc"_s} << u"abc|d"_s;
        QTest::newRow("typing replaces the selection")
            << u"a^bc|d"_s << QStringList{u"\"x"_s} << u"ax|d"_s;
        QTest::newRow("typing, Down, End, typing lands at the lower line's end")
            << u"|abc\ndef\nghi"_s << QStringList{u"\"x"_s, u"Down"_s, u"End"_s, u"\"y"_s}
            << u"xabc\ndefy|\nghi"_s;
        QTest::newRow("Return, Down, Home, Delete works on the moved line")
            << u"a|bc\ndef\nghi"_s << QStringList{u"Return"_s, u"Down"_s, u"Home"_s, u"Delete"_s}
            << u"a\nbc\n|ef\nghi"_s;
        QTest::newRow("Tab inserts a tab") << u"a|b"_s << QStringList{u"Tab"_s} << u"a\t|b"_s;
        QTest::newRow("Return inserts CR LF") << u"a|b"_s << QStringList{u"Return"_s} << u"a\n|b"_s;
        QTest::newRow("abc typed, Ctrl+Z removes all three")
            << u"x|"_s << QStringList{u"\"abc"_s, u"Ctrl+Z"_s} << u"x|"_s;
        QTest::newRow("Ctrl+Z then Ctrl+Shift+Z puts it back")
            << u"|"_s << QStringList{u"\"ab"_s, u"Ctrl+Z"_s, u"Ctrl+Shift+Z"_s} << u"ab|"_s;
        QTest::newRow("Backspace run undone at once")
            << u"abcd|"_s << QStringList{u"Backspace"_s, u"Backspace"_s, u"Ctrl+Z"_s} << u"abcd|"_s;
        QTest::newRow("Delete run undone at once, the caret where it was")
            << u"a|bcd"_s << QStringList{u"Delete"_s, u"Delete"_s, u"Ctrl+Z"_s} << u"a|bcd"_s;
        QTest::newRow("Left between typed letters splits the run")
            << u"|"_s << QStringList{u"\"ab"_s, u"Left"_s, u"\"c"_s, u"Ctrl+Z"_s} << u"a|b"_s;
        QTest::newRow("typing, Backspace, typing are three steps")
            << u"|"_s << QStringList{u"\"ab"_s, u"Backspace"_s, u"\"c"_s, u"Ctrl+Z"_s, u"Ctrl+Z"_s}
            << u"ab|"_s;
        QTest::newRow("Return is a step of its own")
            << u"|"_s << QStringList{u"\"ab"_s, u"Return"_s, u"\"c"_s, u"Ctrl+Z"_s, u"Ctrl+Z"_s}
            << u"ab|"_s;
        QTest::newRow("Tab and Shift letters stay in the run")
            << u"x|"_s << QStringList{u"\"a\tBc"_s, u"Ctrl+Z"_s} << u"x|"_s;
        QTest::newRow("undo restores the selection that typing replaced")
            << u"a^bc|d"_s << QStringList{u"\"xy"_s, u"Ctrl+Z"_s} << u"a^bc|d"_s;
        QTest::newRow("undo restores a backward selection that Backspace removed")
            << u"a|b\nc^d"_s << QStringList{u"Backspace"_s, u"Ctrl+Z"_s} << u"a|b\nc^d"_s;
        QTest::newRow("a run after an undo is a new step")
            << u"|"_s << QStringList{u"\"ab"_s, u"Ctrl+Z"_s, u"\"cd"_s, u"Ctrl+Z"_s} << u"|"_s;
    }
    void editingKeys() {
        QFETCH(QString, before);
        QFETCH(QStringList, keys);
        QFETCH(QString, after);
        MemoView& v = view(before);
        press(&v, keys);
        QCOMPARE(marked(v), after);
    }

    // The last key of each row with the n-th allocation of the text failing, for every n: the
    // key either does all it does with memory enough, or nothing but end the run of typing (and
    // the view says so through onOutOfMemory); either way the keys after it (a letter, two
    // undos, a redo) do what they do after the same keys with memory enough.
    void keyWithoutMemory_data() { editingKeys_data(); }
    void keyWithoutMemory() {
        QFETCH(QString, before);
        QFETCH(QStringList, keys);
        // Typed text ends with one letter alone: that is the key that fails.
        if (keys.last().startsWith(u'"') && keys.last().size() > 2) {
            const QString typed = keys.takeLast();
            keys << typed.chopped(1) << u"\""_s + typed.back();
        }
        MemoView& v = view();
        int refusals = 0;
        v.onOutOfMemory = [&](std::int64_t) { ++refusals; };
        const QStringList then{u"\"z"_s, u"Ctrl+Z"_s, u"Ctrl+Z"_s, u"Ctrl+Y"_s};
        const auto start = [&](const QStringList& pressed) {
            const Marked m = parseMarked(before);
            v.setPlainText(m.text);
            v.setCaret(m.caret, m.anchor);
            press(&v, pressed);
        };
        const auto afterwards = [&] {
            QStringList seen{marked(v)};
            for (const QString& key : then) {
                press(&v, {key});
                seen << marked(v);
            }
            return seen;
        };
        const QStringList first = keys.mid(0, keys.size() - 1);
        start(first);
        // A command key ends the run of typing before it acts, also when it is refused.
        if (!keys.last().startsWith(u'"'))
            v.endTypingRun();
        const QStringList refused = afterwards();
        start(keys);
        const QStringList done = afterwards();
        for (std::int64_t n = 1;; ++n) {
            start(first);
            refusals = 0;
            text::detail::failAllocation(n);
            press(&v, {keys.last()});
            const bool failed = text::detail::failAllocation(0) >= n;
            QCOMPARE(refusals, failed ? 1 : 0);
            QCOMPARE(afterwards(), failed ? refused : done);
            if (!failed)
                break;
        }
    }

    void hooksAndReadOnly() {
        MemoView& v = view(u"ab|"_s);
        QSignalSpy moved(&v, &MemoView::caretMoved);
        int released = 0;
        v.onKeyPress = [](QKeyEvent* event) { return event->key() == Qt::Key_Return; };
        v.onKeyRelease = [&released](QKeyEvent*) { ++released; };
        QTest::keyClick(&v, Qt::Key_Return);
        QCOMPARE(marked(v), u"ab|"_s); // the hook took Return: the view inserts nothing
        QCOMPARE(released, 1);
        QCOMPARE(moved.count(), 0);
        QTest::keyClick(&v, Qt::Key_C);
        QCOMPARE(marked(v), u"abc|"_s);
        QCOMPARE(moved.count(), 1);
        v.setReadOnly(true);
        QTest::keyClicks(&v, u"xy"_s);
        QTest::keyClick(&v, Qt::Key_Backspace);
        QTest::keyClick(&v, Qt::Key_Left);
        QCOMPARE(marked(v), u"ab|c"_s); // typing refused, navigation still works
        v.paste();
        QCOMPARE(marked(v), u"ab|c"_s);
        QVERIFY(!v.inputMethodQuery(Qt::ImEnabled).toBool());
        // The shell shows its own menu.
        v.setContextMenuPolicy(Qt::CustomContextMenu);
        QSignalSpy menu(&v, &QWidget::customContextMenuRequested);
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                                  v.viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(v.viewport(), &request);
        QCOMPARE(menu.count(), 1);
    }

    void textTarget_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("units");
        QTest::addColumn<qsizetype>("selStart");
        QTest::addColumn<qsizetype>("selLength");
        QTest::newRow("line feed becomes CR LF, the insertion selected")
            << u"x|"_s << u"setSelText"_s << u"a\nb"_s << u"xa\\r\\nb"_s << qsizetype(1)
            << qsizetype(4);
        QTest::newRow("lone CR becomes CR LF") << u"|"_s << u"setSelText"_s << u"a\rb"_s
                                               << u"a\\r\\nb"_s << qsizetype(0) << qsizetype(4);
        QTest::newRow("CR LF stays one break")
            << u"|"_s << u"setSelText"_s << u"a\r\nb\n\r"_s << u"a\\r\\nb\\r\\n\\r\\n"_s
            << qsizetype(0) << qsizetype(8);
        QTest::newRow("U+2029, U+FDD0, NUL and a lone surrogate kept")
            << u"|"_s << u"setSelText"_s << QString::fromUtf16(u"\u2029\uFDD0\0\xD800", 4)
            << QString::fromUtf16(u"\u2029\uFDD0\0\xD800", 4) << qsizetype(0) << qsizetype(4);
        QTest::newRow("replacing the selection selects the insertion")
            << u"a^bc|d"_s << u"setSelText"_s << u"XYZW"_s << u"aXYZWd"_s << qsizetype(1)
            << qsizetype(4);
        QTest::newRow("setSelText of nothing removes the selection")
            << u"a^bc|d"_s << u"setSelText"_s << QString() << u"ad"_s << qsizetype(1)
            << qsizetype(0);
        QTest::newRow("setSelStart between CR and LF is the line's end")
            << u"|ab\ncd"_s << u"setSelStart"_s << u"3"_s << u"ab\\r\\ncd"_s << qsizetype(2)
            << qsizetype(0);
        QTest::newRow("setSelStart past the end clamps")
            << u"|ab"_s << u"setSelStart"_s << u"99"_s << u"ab"_s << qsizetype(2) << qsizetype(0);
        QTest::newRow("setSelLength ending between CR and LF stops at the line's end")
            << u"a|b\ncd"_s << u"setSelLength"_s << u"2"_s << u"ab\\r\\ncd"_s << qsizetype(1)
            << qsizetype(1);
        QTest::newRow("setSelLength over the break selects CR LF")
            << u"a|b\ncd"_s << u"setSelLength"_s << u"3"_s << u"ab\\r\\ncd"_s << qsizetype(1)
            << qsizetype(3);
        QTest::newRow("setSelLength past the end clamps")
            << u"a|b"_s << u"setSelLength"_s << u"99"_s << u"ab"_s << qsizetype(1) << qsizetype(1);
        QTest::newRow("insertAtCaret leaves the caret behind, nothing selected")
            << u"a^b|c"_s << u"insertAtCaret"_s << u"\u0301\n"_s << u"ab\u0301\\r\\nc"_s
            << qsizetype(5) << qsizetype(0);
    }
    void textTarget() {
        QFETCH(QString, before);
        QFETCH(QString, op);
        QFETCH(QString, argument);
        QFETCH(QString, units);
        QFETCH(qsizetype, selStart);
        QFETCH(qsizetype, selLength);
        MemoView& v = view(before);
        ime::TextTarget& target = v;
        if (op == u"setSelText")
            target.setSelText(argument);
        else if (op == u"setSelStart")
            target.setSelStart(argument.toLongLong());
        else if (op == u"setSelLength")
            target.setSelLength(argument.toLongLong());
        else
            v.insertAtCaret(argument);
        QCOMPARE(spelled(v), units);
        QCOMPARE(target.selStart(), selStart);
        QCOMPARE(target.selLength(), selLength);
        QCOMPARE(target.length(), qsizetype(v.buffer().length()));
        QCOMPARE(target.selText(), v.textRange(selStart, selLength));
        QCOMPARE(target.unitBefore(target.length()),
                 target.length() ? v.buffer().at(target.length() - 1) : 0);
        QCOMPARE(target.unitBefore(0), char16_t(0));
    }

    void editGroups() {
        MemoView& v = view(u"|"_s);
        QSignalSpy moved(&v, &MemoView::caretMoved);
        QSignalSpy modified(&v, &MemoView::modificationChanged);
        QSignalSpy changed(&v, &MemoView::textChanged);
        {
            const MemoView::EditGroup group(v);
            v.setSelText(u"ab"_s);
            v.setSelStart(v.selStart() + v.selLength());
            v.insertAtCaret(u"\n"_s);
            v.setSelText(u"c"_s);
        }
        QCOMPARE(marked(v), u"ab\n^c|"_s);
        QCOMPARE(moved.count(), 1); // one hand-over for the whole group
        QCOMPARE(changed.count(), 3);
        QCOMPARE(modified.count(), 1);
        QVERIFY(v.isModified());
        v.setSelStart(v.length());
        QTest::keyClick(&v, Qt::Key_X);
        v.undo();
        QCOMPARE(marked(v), u"ab\nc|"_s);
        v.undo(); // the whole group at once
        QCOMPARE(marked(v), u"|"_s);
        QVERIFY(!v.isModified());
        QCOMPARE(modified.count(), 2);
        v.redo();
        QCOMPARE(v.toPlainText(), u"ab\nc"_s);
        QCOMPARE(v.caretPosition(), 5);
        v.setSavePoint();
        QVERIFY(!v.isModified());
        v.setPlainText(u"new\rtext"_s);
        QCOMPARE(spelled(v), u"new\\r\\ntext"_s);
        QCOMPARE(marked(v), u"|new\ntext"_s);
        QVERIFY(!v.isUndoAvailable());
        QVERIFY(!v.isModified());
    }

    void mouse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("after");
        // Positions are buffer units; a line feed of the text is two.
        QTest::newRow("click places the caret")
            << u"one two\nthree"_s << u"click"_s << 5 << 5 << u"one t|wo\nthree"_s;
        QTest::newRow("click on the second line")
            << u"one two\nthree"_s << u"click"_s << 11 << 11 << u"one two\nth|ree"_s;
        QTest::newRow("drag selects")
            << u"one two\nthree"_s << u"drag"_s << 1 << 11 << u"o^ne two\nth|ree"_s;
        QTest::newRow("drag backwards selects")
            << u"one two\nthree"_s << u"drag"_s << 11 << 1 << u"o|ne two\nth^ree"_s;
        QTest::newRow("double click selects a word")
            << u"one two\nthree"_s << u"double"_s << 5 << 5 << u"one ^two|\nthree"_s;
        QTest::newRow("triple click selects the line with its break")
            << u"one two\nthree"_s << u"triple"_s << 1 << 1 << u"^one two\n|three"_s;
        QTest::newRow("Shift+click extends from the caret")
            << u"one two\nthree"_s << u"shift"_s << 2 << 11 << u"on^e two\nth|ree"_s;
        QTest::newRow("click inside the selection puts the caret there")
            << u"one ^two|\nthree"_s << u"click"_s << 5 << 5 << u"one t|wo\nthree"_s;
        QTest::newRow("dragging the selection moves it")
            << u"one ^two|\nthree"_s << u"move"_s << 5 << 10 << u"one \nttwo|hree"_s;
        QTest::newRow("dragging the selection back moves it")
            << u"one two\nth^re|e"_s << u"move"_s << 12 << 1 << u"ore|ne two\nthe"_s;
        QTest::newRow("dragging with Ctrl copies it")
            << u"one ^two|\nthree"_s << u"copy"_s << 5 << 14 << u"one two\nthreetwo|"_s;
        QTest::newRow("a drop inside the dragged text does nothing")
            << u"one ^two|\nthree"_s << u"move"_s << 5 << 6 << u"one ^two|\nthree"_s;
        QTest::newRow("a line break moves with the text")
            << u"a^b\nc|d"_s << u"move"_s << 4 << 6 << u"adb\nc|"_s;
        QTest::newRow("read-only: no drop into itself")
            << u"one ^two|\nthree"_s << u"readOnlyMove"_s << 5 << 10 << u"one ^two|\nthree"_s;
    }
    void mouse() {
        QFETCH(QString, text);
        QFETCH(QString, action);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, after);
        MemoView& v = view(text);
        int clicks = 0;
        v.onClick = [&clicks] { ++clicks; };
        QWidget* port = v.viewport();
        const QPoint start = pointAt(v, from);
        const QPoint end = pointAt(v, to);
        if (action == u"click") {
            QTest::mouseClick(port, Qt::LeftButton, {}, start);
        } else if (action == u"drag") {
            QTest::mousePress(port, Qt::LeftButton, {}, start);
            QTest::mouseMove(port, end);
            QTest::mouseRelease(port, Qt::LeftButton, {}, end);
        } else if (action == u"double") {
            QTest::mouseDClick(port, Qt::LeftButton, {}, start);
            QTest::mouseRelease(port, Qt::LeftButton, {}, start);
        } else if (action == u"triple") {
            QTest::mouseDClick(port, Qt::LeftButton, {}, start);
            QTest::mouseClick(port, Qt::LeftButton, {}, start);
        } else if (action == u"shift") {
            QTest::mouseClick(port, Qt::LeftButton, {}, start);
            QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, end);
        } else {
            // A drag of the selection, dropped at `end` on the view itself; it ends the drag.
            v.setReadOnly(action == u"readOnlyMove");
            const bool copy = action == u"copy";
            Qt::DropActions offered;
            v.runDrag = [&](QDrag& drag, Qt::DropActions actions) {
                offered = actions;
                const Qt::KeyboardModifiers mods = copy ? Qt::ControlModifier : Qt::NoModifier;
                QDragEnterEvent enter(end, actions, drag.mimeData(), Qt::LeftButton, mods);
                QApplication::sendEvent(port, &enter);
                QDropEvent drop(end, actions, drag.mimeData(), Qt::LeftButton, mods);
                drop.setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
                QApplication::sendEvent(port, &drop);
                ++clicks;
                return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
            };
            QTest::mousePress(port, Qt::LeftButton, {}, start);
            QTest::mouseMove(port, start + QPoint(QApplication::startDragDistance() + 1, 0));
            QTest::mouseRelease(port, Qt::LeftButton, {}, end);
            QCOMPARE(offered, v.isReadOnly() ? Qt::DropActions(Qt::CopyAction)
                                             : Qt::CopyAction | Qt::MoveAction);
            QCOMPARE(marked(v), after);
            // One step for undo, which brings the selection back.
            v.undo();
            QCOMPARE(marked(v), text);
            return;
        }
        QCOMPARE(marked(v), after);
        QVERIFY(clicks >= 1);
    }

    void dragBelowTheViewScrollsAndSelects() {
        QStringList lines;
        for (int i = 0; i < 100; ++i)
            lines << u"line %1"_s.arg(i);
        MemoView& v = view(lines.join(u'\n'));
        QWidget* port = v.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, pointAt(v, 0));
        QTest::mouseMove(port, QPoint(20, port->height() + 30));
        QTRY_VERIFY(v.verticalScrollBar()->value() > 3);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(20, port->height() + 30));
        QCOMPARE(v.anchorPosition(), 0);
        QVERIFY(v.caretLine() > v.verticalScrollBar()->value());
        const int scrolled = v.verticalScrollBar()->value();
        QWheelEvent wheel(QPointF(20, 20), port->mapToGlobal(QPointF(20, 20)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(port, &wheel);
        QCOMPARE(v.verticalScrollBar()->value(), scrolled - 3);

        // Ctrl+wheel as in QPlainTextEdit: a page a notch while editable, a point of zoom a notch
        // while read-only.
        QPlainTextEdit other;
        other.setFont(v.font());
        other.resize(v.size());
        other.setPlainText(v.toPlainText());
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        const auto ctrlWheel = [](QWidget* target, int delta) {
            QWheelEvent event(QPointF(20, 20), target->mapToGlobal(QPointF(20, 20)), QPoint(),
                              QPoint(0, delta), Qt::NoButton, Qt::ControlModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &event);
        };
        v.verticalScrollBar()->setValue(0);
        ctrlWheel(port, -120);
        ctrlWheel(other.viewport(), -120);
        QCOMPARE(v.verticalScrollBar()->value(), other.verticalScrollBar()->value());
        QCOMPARE(v.font(), other.font());
        QFont points(u"DejaVu Sans"_s, 12);
        for (QWidget* w : std::initializer_list<QWidget*>{&v, &other})
            w->setFont(points);
        v.setReadOnly(true);
        other.setReadOnly(true);
        ctrlWheel(port, 240);
        ctrlWheel(other.viewport(), 240);
        QCOMPARE(other.font().pointSizeF(), 14.0);
        QCOMPARE(v.font(), other.font());
    }

    void wrapKeepsTheCaretInSight() {
        MemoView& v = view();
        v.setWordWrap(true);
        v.setPlainText(u"word "_s.repeated(300) + u"\nlast"_s);
        const auto inSight = [&v] { return v.viewport()->rect().contains(v.cursorRect()); };
        // Typing at the end of the long line, row after row past the bottom.
        v.setCaret(1500, 1500);
        for (int i = 0; i < 40; ++i) {
            QTest::keyClicks(&v, u"more "_s);
            QVERIFY2(inSight(), qPrintable(QString::number(i)));
        }
        // Down past the bottom, then narrower and wider.
        QTest::keyClick(&v, Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < 30; ++i) {
            QTest::keyClick(&v, Qt::Key_Down);
            QVERIFY2(inSight(), qPrintable(QString::number(i)));
        }
        QTest::keyClick(&v, Qt::Key_Up);
        v.resize(200, 300);
        QVERIFY(inSight());
        v.resize(500, 150);
        QVERIFY(inSight());
    }

    void clipboard() {
        MemoView& v = view(u"a^b\nc|d"_s);
        v.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"b\nc"_s);
        v.cut();
        QCOMPARE(marked(v), u"a|d"_s);
        QGuiApplication::clipboard()->setText(u"x\ny\r\nz"_s);
        QTest::keyClick(&v, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(spelled(v), u"ax\\r\\ny\\r\\nzd"_s);
        QCOMPARE(marked(v), u"ax\ny\nz|d"_s);
    }

    void primarySelection() {
        if (!QGuiApplication::clipboard()->supportsSelection())
            QSKIP("this platform has no primary selection (tst_memoview_x11 runs it under X11)");
        MemoView& v = view(u"|one two\nthree"_s);
        QWidget* port = v.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, pointAt(v, 4));
        QTest::mouseMove(port, pointAt(v, 11));
        QTest::mouseRelease(port, Qt::LeftButton, {}, pointAt(v, 11));
        QTRY_COMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), u"two\nth"_s);
        // The clipboard proper is left alone.
        QGuiApplication::clipboard()->setText(u"other"_s);
        QTest::mouseClick(port, Qt::MiddleButton, {}, pointAt(v, 13));
        QCOMPARE(v.toPlainText(), u"one two\nthretwo\nthe"_s);
        QCOMPARE(v.caretPosition(), 13 + 7);
        // Selections made with the keys are offered too.
        press(&v, {u"Ctrl+Home"_s, u"Shift+Right"_s, u"Shift+End"_s});
        QTRY_COMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), u"one two"_s);
        press(&v, {u"Ctrl+A"_s});
        QTRY_COMPARE(QGuiApplication::clipboard()->text(QClipboard::Selection), v.toPlainText());
        QCOMPARE(QGuiApplication::clipboard()->text(), u"other"_s);
    }

    void inputMethodPreeditAndCommit() {
        MemoView& v = view(u"ab|"_s);
        QImage before(v.size(), QImage::Format_ARGB32);
        v.render(&before);
        QInputMethodEvent preedit(u"ко"_s, {});
        QApplication::sendEvent(&v, &preedit);
        QCOMPARE(v.toPlainText(), u"ab"_s); // shown, not in the buffer
        QCOMPARE(v.preeditText(), u"ко"_s);
        QImage shown(v.size(), QImage::Format_ARGB32);
        v.render(&shown);
        QVERIFY(shown != before);
        const QRectF caret = v.inputMethodQuery(Qt::ImCursorRectangle).toRectF();
        QVERIFY(caret.width() >= 1);
        QVERIFY(QRectF(v.rect()).contains(caret));
        QCOMPARE(v.inputMethodQuery(Qt::ImSurroundingText).toString(), u"ab"_s);
        QCOMPARE(v.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);

        QInputMethodEvent commit;
        commit.setCommitString(u"кот"_s);
        QApplication::sendEvent(&v, &commit);
        QCOMPARE(marked(v), u"abкот|"_s);
        QVERIFY(v.preeditText().isEmpty());
        v.undo();
        QCOMPARE(marked(v), u"ab|"_s);

        // The surrounding text is the caret's line only.
        v.setPlainText(u"first\nsecond\nthird"_s);
        v.setCaret(10, 8);
        QCOMPARE(v.inputMethodQuery(Qt::ImSurroundingText).toString(), u"second"_s);
        QCOMPARE(v.inputMethodQuery(Qt::ImCursorPosition).toInt(), 3);
        QCOMPARE(v.inputMethodQuery(Qt::ImAnchorPosition).toInt(), 1);
        QCOMPARE(v.inputMethodQuery(Qt::ImCurrentSelection).toString(), u"ec"_s);
    }

    void accentStandsOverItsOwnLetter_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("marks");
        for (const QString& family : {u"DejaVu Sans"_s, u"DejaVu Serif"_s, u"DejaVu Sans Mono"_s})
            QTest::newRow(qPrintable(family + u": а with an accent"_s))
                << family << u"а"_s << u"\u0301"_s;
        QTest::newRow("DejaVu Sans: capital О with an accent")
            << u"DejaVu Sans"_s << u"О"_s << u"\u0301"_s;
        QTest::newRow("DejaVu Serif: capital Я with an accent")
            << u"DejaVu Serif"_s << u"Я"_s << u"\u0301"_s;
        QTest::newRow("DejaVu Sans: е with a diaeresis and an accent")
            << u"DejaVu Sans"_s << u"е"_s << u"\u0308\u0301"_s;
        QTest::newRow("DejaVu Sans: о with three marks")
            << u"DejaVu Sans"_s << u"о"_s << u"\u0301\u0300\u0302"_s;
    }
    void accentStandsOverItsOwnLetter() {
        QFETCH(QString, family);
        QFETCH(QString, letter);
        QFETCH(QString, marks);
        // Texts that differ only by the marks on the letter of the second line: the pixels that
        // differ are the marks'.
        MemoView& v = view();
        QFont font(family);
        font.setPixelSize(19);
        v.setFont(font);
        v.clearFocus(); // no caret in the pictures
        const auto render = [&v](const QString& base, const QString& on) {
            v.setPlainText(u"шшш ш\nш"_s + base + on + u" ш"_s);
            QImage image(v.size(), QImage::Format_RGB32);
            v.render(&image);
            return image;
        };
        const QImage without = render(letter, QString());
        const QPoint port = v.viewport()->pos();
        const QRect cell = v.positionRect(8).translated(port); // before the letter
        const QRect after = v.positionRect(9).translated(port);
        QVERIFY(!cell.isEmpty() && after.left() > cell.left());
        // The pixels that differ, all over the letter: within its cell and its row (a mark over a
        // capital may reach two pixels into the row above, stacked marks up to a row).
        const auto ink = [&](const QImage& with, const QImage& plain, qsizetype count) {
            int changed = 0;
            for (int y = 0; y < with.height(); ++y) {
                for (int x = 0; x < with.width(); ++x) {
                    if (with.pixel(x, y) == plain.pixel(x, y))
                        continue;
                    ++changed;
                    const bool inCell = x >= cell.left() - 1 && x <= after.left() + 1 &&
                                        y >= cell.top() - (count > 1 ? cell.height() : 2) &&
                                        y < cell.bottom();
                    if (!inCell) {
                        qWarning("mark pixel at %d,%d outside the cell %d..%d, %d..%d", x, y,
                                 cell.left(), after.left(), cell.top(), cell.bottom());
                        return -1;
                    }
                }
            }
            return changed;
        };
        // Each mark shows: every one adds pixels, and the marks are not cut to less than most of
        // what they show over а.
        const int accent = ink(render(u"а"_s, marks.first(1)), render(u"а"_s, QString()), 1);
        QVERIFY(accent > 4);
        int before = 0;
        for (qsizetype count = 1; count <= marks.size(); ++count) {
            const int shown = ink(render(letter, marks.first(count)), without, count);
            QVERIFY2(shown > before + accent / 4,
                     qPrintable(u"%1 marks: %2 pixels, %3 marks: %4, one accent %5"_s.arg(count)
                                    .arg(shown)
                                    .arg(count - 1)
                                    .arg(before)
                                    .arg(accent)));
            before = shown;
        }
        QVERIFY2(before >= accent * 9 / 10, qPrintable(QString::number(before)));
    }

    void wrap() {
        MemoView& v = view(u"|"_s);
        v.setWordWrap(true);
        const QString words = u"word "_s.repeated(60);
        v.setPlainText(words + u"\nend"_s);
        QCOMPARE(v.horizontalScrollBar()->maximum(), 0);
        QTest::keyClick(&v, Qt::Key_Down);
        QCOMPARE(v.caretLine(), 0); // the second row of the wrapped first line
        QVERIFY(v.caretColumn() > 0);
        QTest::keyClick(&v, Qt::Key_End);
        QVERIFY(v.caretColumn() < words.size());
        QCOMPARE(v.cursorRect().top(), v.positionRect(0).top() + v.cursorRect().height());
        v.setWordWrap(false);
        QVERIFY(v.horizontalScrollBar()->maximum() > 0);
        QTest::keyClick(&v, Qt::Key_Down);
        QCOMPARE(v.caretLine(), 1);
    }

    void wrapOnAMillionLinesStaysLazy() {
        MemoView& v = view();
        QString text;
        text.reserve(1000000 * 12);
        for (int i = 0; i < 1000000; ++i)
            text += u"line of text\n"_s;
        v.setPlainText(text);
        QCOMPARE(v.buffer().lineCount(), 1000001);
        QTest::keyClick(&v, Qt::Key_End, Qt::ControlModifier);
        QApplication::processEvents();
        const std::uint64_t before = v.layoutCount();
        v.setWordWrap(true);
        v.viewport()->repaint();
        QTest::keyClick(&v, Qt::Key_Home, Qt::ControlModifier);
        v.viewport()->repaint();
        QTest::keyClick(&v, Qt::Key_X);
        v.viewport()->repaint();
        // Wrap on, a jump to the start, a key and three paints: a few screens of lines at most.
        const std::uint64_t rowsInSight = v.viewport()->height() / v.cursorRect().height() + 1;
        QVERIFY2(v.layoutCount() - before < 6 * rowsInSight,
                 qPrintable(QString::number(v.layoutCount() - before)));
        QCOMPARE(v.caretLine(), 0);
    }

    void veryLongLineStaysLazy_data() {
        QTest::addColumn<bool>("wrap");
        QTest::newRow("wrap off") << false;
        QTest::newRow("wrap on") << true;
    }
    void veryLongLineStaysLazy() {
        QFETCH(bool, wrap);
        MemoView& v = view();
        v.setWordWrap(wrap);
        const QString line = u"word "_s.repeated(800000); // 4 000 000 units
        v.setPlainText(line + u"\ntail"_s);
        const std::uint64_t before = v.layoutCount();
        QTest::keyClick(&v, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(&v, Qt::Key_Up);
        QCOMPARE(v.caretLine(), 0);
        // Without wrap the line is one row, so Up lands near its start; with wrap on its last row.
        QVERIFY(wrap ? v.caretColumn() > line.size() - 100 : v.caretColumn() < 10);
        QTest::keyClick(&v, Qt::Key_End);
        QCOMPARE(v.caretColumn(), line.size());
        QTest::keyClick(&v, Qt::Key_Y);
        v.viewport()->repaint();
        QCOMPARE(v.caretColumn(), line.size() + 1);
        QVERIFY(v.viewport()->rect().contains(v.cursorRect()));
        QTest::keyClick(&v, Qt::Key_Down);
        QCOMPARE(v.caretLine(), 1);
        QTest::keyClick(&v, Qt::Key_Home, Qt::ControlModifier);
        QTest::keyClick(&v, Qt::Key_Down);
        QCOMPARE(v.caretLine(), wrap ? 0 : 1);
        v.viewport()->repaint();
        QVERIFY2(v.layoutCount() - before < 40, qPrintable(QString::number(v.layoutCount())));
    }

    // Lines of a few pieces against QPlainTextEdit: rows, Up, Down, Home, End and word moves
    // land where it lands them.
    void longLineMovesAsInQPlainTextEdit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<QStringList>("keys");
        QString words;
        for (int i = 0; words.size() < 3 * MemoView::kSegmentUnits; ++i)
            words += QString(1 + i * 7 % 11, QChar(u'a' + i % 26)) + u' ';
        const QString longLine = u"short\n"_s + words + u"\nend of text"_s;
        const QStringList down(40, u"Down"_s);
        const QStringList ends{u"Down"_s, u"End"_s,        u"Up"_s, u"Down"_s,
                               u"Down"_s, u"Up"_s,         u"Up"_s, u"Home"_s,
                               u"Down"_s, u"Ctrl+Right"_s, u"Up"_s, u"Down"_s};
        QStringList rightWords(1400, u"Ctrl+Right"_s);
        // From the middle piece of one long line to the other's, and back.
        QStringList middle(1000, u"Ctrl+Right"_s);
        middle << u"Down"_s << u"Down"_s << u"Up"_s << u"Right"_s << u"Up"_s << u"Down"_s;
        QTest::newRow("wrap off: End, Up, Down on a line of three pieces")
            << longLine << false << ends;
        QTest::newRow("wrap off: words across the pieces") << longLine << false << rightWords;
        QTest::newRow("wrap off: Up and Down between the middles of two long lines")
            << u"short\n"_s + words + u"\n"_s + words.sliced(3) + u"\nend"_s << false
            << QStringList{u"Down"_s} + middle;
        QTest::newRow("wrap on: Down through the rows of three pieces") << longLine << true << down;
        QTest::newRow("wrap on: End, Up, Down") << longLine << true << ends + down;
        QTest::newRow("wrap on: Shift+Down selects by rows")
            << longLine << true << QStringList(30, u"Shift+Down"_s);
    }
    void longLineMovesAsInQPlainTextEdit() {
        QFETCH(QString, text);
        QFETCH(bool, wrap);
        QFETCH(QStringList, keys);
        MemoView& v = view(text);
        v.setWordWrap(wrap);
        // The same room for the rows in both, whatever their scroll bars would show.
        v.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        QPlainTextEdit other;
        other.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        other.setFont(v.font());
        other.resize(v.size());
        other.setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        other.setPlainText(text);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        // Buffer positions count a line break as two units, QPlainTextEdit's as one.
        const auto plain = [&v](text::Pos pos) { return int(pos - v.buffer().lineOf(pos)); };
        for (int i = 0; i < keys.size(); ++i) {
            press(&v, {keys[i]});
            press(&other, {keys[i]});
            const QTextCursor cursor = other.textCursor();
            QVERIFY2(plain(v.caretPosition()) == cursor.position() &&
                         plain(v.anchorPosition()) == cursor.anchor(),
                     qPrintable(u"key %1 (%2): caret %3 anchor %4, QPlainTextEdit %5 %6"_s.arg(i)
                                    .arg(keys[i])
                                    .arg(plain(v.caretPosition()))
                                    .arg(plain(v.anchorPosition()))
                                    .arg(cursor.position())
                                    .arg(cursor.anchor())));
        }
    }

    void accessibleText_data() {
        QTest::addColumn<QString>("text"); // the view's text, marked
        QTest::newRow("two lines, a selection") << u"one ^tw|o\nthree"_s;
        QTest::newRow("empty lines") << u"\n\n|x\n"_s;
        QTest::newRow("Cyrillic, a surrogate pair, a tab") << u"жx\U0001F600y\n\t|z"_s;
        QTest::newRow("no line break") << u"ab|c"_s;
    }
    // The accessibility interface counts a line break as one "\n", as QPlainTextEdit's does; both
    // are asked the same at every offset.
    void accessibleText() {
        QFETCH(QString, text);
        MemoView& v = view(text);
        QPlainTextEdit plain;
        plain.setPlainText(v.toPlainText());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&v);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::EditableText);
        QAccessibleTextInterface* ours = iface->textInterface();
        QAccessibleTextInterface* theirs =
            QAccessible::queryAccessibleInterface(&plain)->textInterface();
        QVERIFY(ours && theirs);
        const int count = theirs->characterCount();
        QCOMPARE(ours->characterCount(), count);
        QCOMPARE(ours->text(0, count), theirs->text(0, count));
        QTextCursor cursor = plain.textCursor();
        cursor.setPosition(int(v.accessibleOffset(v.anchorPosition())));
        cursor.setPosition(int(v.accessibleOffset(v.caretPosition())), QTextCursor::KeepAnchor);
        plain.setTextCursor(cursor);
        QCOMPARE(ours->cursorPosition(), theirs->cursorPosition());
        QCOMPARE(ours->selectionCount(), theirs->selectionCount());
        int start = 0;
        int end = 0;
        int theirStart = 0;
        int theirEnd = 0;
        if (ours->selectionCount() > 0) {
            ours->selection(0, &start, &end);
            theirs->selection(0, &theirStart, &theirEnd);
            QCOMPARE(std::pair(start, end), std::pair(theirStart, theirEnd));
        }
        for (int offset = 0; offset <= count; ++offset) {
            for (int to = offset; to <= std::min(count, offset + 3); ++to)
                QCOMPARE(ours->text(offset, to), theirs->text(offset, to));
            QCOMPARE(
                ours->textAtOffset(offset, QAccessible::CharBoundary, &start, &end),
                theirs->textAtOffset(offset, QAccessible::CharBoundary, &theirStart, &theirEnd));
            QCOMPARE(std::pair(start, end), std::pair(theirStart, theirEnd));
            // A line is answered with its line break, which the offsets count as one.
            const QString line =
                ours->textAtOffset(offset, QAccessible::LineBoundary, &start, &end);
            QCOMPARE(line, ours->text(start, end));
            QVERIFY(start <= offset && (offset < end || end == count));
            QVERIFY(line.indexOf(u'\n') < 0 || line.indexOf(u'\n') == line.size() - 1);
            const QString word =
                ours->textAtOffset(offset, QAccessible::WordBoundary, &start, &end);
            QCOMPARE(word, ours->text(start, end));
            ours->setCursorPosition(offset);
            QCOMPARE(ours->cursorPosition(), offset);
            QCOMPARE(v.accessiblePosition(v.accessibleOffset(v.caretPosition())),
                     v.caretPosition());
            if (!QChar::isLowSurrogate(v.buffer().at(v.caretPosition())))
                QCOMPARE(
                    ours->offsetAtPoint(v.viewport()->mapToGlobal(pointAt(v, v.caretPosition()))),
                    offset);
            QVERIFY(!ours->characterRect(offset).isEmpty() || offset == count);
        }

        // Editing through the interface as assistive technology does.
        QAccessibleEditableTextInterface* editable = iface->editableTextInterface();
        QVERIFY(editable);
        plain.setPlainText(v.toPlainText());
        QAccessibleEditableTextInterface* theirEditable =
            QAccessible::queryAccessibleInterface(&plain)->editableTextInterface();
        for (QAccessibleEditableTextInterface* e : {editable, theirEditable}) {
            e->replaceText(1, std::min(count, 3), u"1\n"_s);
            e->insertText(2, u"\n"_s);
            e->deleteText(0, 1);
        }
        QCOMPARE(v.toPlainText(), plain.toPlainText());
        ours->setSelection(0, 1, 3);
        QCOMPARE(std::pair(v.anchorPosition(), v.caretPosition()),
                 std::pair(v.accessiblePosition(1), v.accessiblePosition(3)));
        QCOMPARE(v.textRange(v.selStart(), v.selLength()),
                 ours->text(1, 3).replace(u"\n"_s, u"\r\n"_s));
    }
};

QTEST_MAIN(TestMemoView)
#include "tst_memoview.moc"
