// The text buffer: line look-ups over every kind of unit, edits across leaf boundaries, undo,
// redo, groups, the save point and what the listeners are told. Each table runs with leaves of
// 2 and 3 units (so every text crosses leaf boundaries) and with the default size.
#include "text/allocation.h"
#include "text/textbuffer.h"

#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

using text::Pos;
using text::TextBuffer;

namespace {

const Pos kChunkSizes[] = {2, 3, text::kDefaultChunkUnits};

std::u16string u16(const QString& s) {
    return s.toStdU16String();
}

QString q(const std::u16string& s) {
    return QString::fromStdU16String(s);
}

// Line starts and ends of `t` found by a plain walk: a line ends at its LF, or at the CR just
// before that LF.
void expectedLines(const std::u16string& t, std::vector<Pos>& starts, std::vector<Pos>& ends) {
    starts = {0};
    ends.clear();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] != u'\n')
            continue;
        const bool cr = i > 0 && t[i - 1] == u'\r' && Pos(i - 1) >= starts.back();
        ends.push_back(cr ? Pos(i) - 1 : Pos(i));
        starts.push_back(Pos(i) + 1);
    }
    ends.push_back(Pos(t.size()));
}

// Every look-up of `b` against the text `t`; returns a description of the first mismatch.
QString mismatch(const TextBuffer& b, const std::u16string& t) {
    std::vector<Pos> starts, ends;
    expectedLines(t, starts, ends);
    const Pos len = Pos(t.size());
    if (b.length() != len)
        return QStringLiteral("length %1, want %2").arg(b.length()).arg(len);
    if (b.text() != t)
        return QStringLiteral("text \"%1\"").arg(q(b.text()));
    if (b.lineCount() != Pos(starts.size()))
        return QStringLiteral("lineCount %1, want %2").arg(b.lineCount()).arg(starts.size());
    for (Pos line = 0; line < Pos(starts.size()); ++line) {
        if (b.lineStart(line) != starts[line] || b.lineEnd(line) != ends[line])
            return QStringLiteral("line %1: %2..%3, want %4..%5")
                .arg(line)
                .arg(b.lineStart(line))
                .arg(b.lineEnd(line))
                .arg(starts[line])
                .arg(ends[line]);
    }
    Pos line = 0;
    for (Pos p = 0; p <= len; ++p) {
        while (line + 1 < Pos(starts.size()) && starts[line + 1] <= p)
            ++line;
        if (b.lineOf(p) != line)
            return QStringLiteral("lineOf(%1) %2, want %3").arg(p).arg(b.lineOf(p)).arg(line);
        if (p < len && b.at(p) != t[p])
            return QStringLiteral("at(%1)").arg(p);
    }
    // The k-th unit that is not an LF, for every k and one past them.
    Pos k = 0;
    for (Pos p = 0; p <= len; ++p) {
        if (p < len && t[p] == u'\n')
            continue;
        if (b.positionSkippingLfs(k) != p)
            return QStringLiteral("positionSkippingLfs(%1) %2, want %3")
                .arg(k)
                .arg(b.positionSkippingLfs(k))
                .arg(p);
        ++k;
    }
    // Out of range: clamped to the text.
    const Pos last = Pos(starts.size()) - 1;
    if (b.at(-1) != 0 || b.at(len) != 0 || b.lineOf(-3) != 0 || b.lineOf(len + 7) != last ||
        b.lineStart(-2) != 0 || b.lineStart(last + 5) != starts[last] ||
        b.lineEnd(last + 5) != len || b.lineEnd(-1) != ends[0])
        return QStringLiteral("out-of-range look-ups");
    return {};
}

// Concatenated spans of every range must be the range, with no empty piece.
QString spanMismatch(const TextBuffer& b, const std::u16string& t) {
    const Pos len = Pos(t.size());
    for (Pos pos = 0; pos <= len; ++pos) {
        for (Pos n = 0; pos + n <= len; n += 1 + n / 3) {
            std::u16string got;
            bool empty = false;
            b.forEachSpan(pos, n, [&](std::u16string_view piece) {
                empty = empty || piece.empty();
                got.append(piece);
                return true;
            });
            if (empty || got != t.substr(std::size_t(pos), std::size_t(n)))
                return QStringLiteral("spans of %1+%2: \"%3\"").arg(pos).arg(n).arg(q(got));
        }
    }
    return {};
}

// The buffer's script language for the history tables, one operation per word:
// +P:TEXT insert, *P:TEXT insert the text built in a TextBuilder (slots of 2 units), -P:N remove,
// =P:N:TEXT replace, a:TEXT assign, u undo, r redo, ( and ) a group, (N a group of run N,
// e end of the run, s save point, c clear history, ?P look up the unit and the line at P (the
// buffer remembers the leaf it finds) and check them against the text. "\n" and "\r" in TEXT
// stand for LF and CR.
struct Runner {
    TextBuffer& b;
    TextBuffer::Restored last{};
    bool undone = false;

    static std::u16string unescape(QString s) {
        s.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        s.replace(QStringLiteral("\\r"), QStringLiteral("\r"));
        return u16(s);
    }

    void run(const QString& script) {
        for (const QString& op : script.split(u' ', Qt::SkipEmptyParts)) {
            const QStringList f = op.mid(1).split(u':');
            switch (op[0].unicode()) {
            case '+':
                b.insert(f[0].toLongLong(), unescape(f.value(1)));
                break;
            case '*': {
                text::TextBuilder built(2);
                built.append(unescape(f.value(1)));
                b.insert(f[0].toLongLong(), std::move(built));
                QCOMPARE(built.length(), Pos(0));
                break;
            }
            case '-':
                b.remove(f[0].toLongLong(), f[1].toLongLong());
                break;
            case '=':
                b.replace(f[0].toLongLong(), f[1].toLongLong(), unescape(f.value(2)));
                break;
            case 'a':
                b.assign(unescape(op.mid(2)));
                break;
            case 'u':
                last = b.undo();
                undone = true;
                break;
            case 'r':
                last = b.redo();
                undone = true;
                break;
            case '(':
                if (op.size() > 1)
                    b.beginGroup(op.mid(1).toInt());
                else
                    b.beginGroup();
                break;
            case 'e':
                b.endRun();
                break;
            case ')':
                b.endGroup();
                break;
            case 's':
                b.setSavePoint();
                break;
            case 'c':
                b.clearHistory();
                break;
            case '?': {
                const Pos pos = op.mid(1).toLongLong();
                const std::u16string t = b.text();
                QCOMPARE(b.at(pos), t[std::size_t(pos)]);
                QCOMPARE(b.lineOf(pos), Pos(std::count(t.begin(), t.begin() + pos, u'\n')));
                break;
            }
            default:
                QFAIL(qPrintable(QStringLiteral("bad operation ") + op));
            }
        }
    }
};

// Writes down what a listener is told, one word per call.
class Recorder : public text::BufferListener {
public:
    explicit Recorder(TextBuffer& b) : m_b(b) { b.addListener(this); }
    ~Recorder() override { m_b.removeListener(this); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void textChanged(const text::Change& c) override {
        // The buffer already holds the new text.
        const bool holds = m_b.length() == m_lengthBefore - c.removed + c.inserted;
        m_lengthBefore = m_b.length();
        events << QStringLiteral("%1,%2,%3 line %4 -%5+%6%7")
                      .arg(c.position)
                      .arg(c.removed)
                      .arg(c.inserted)
                      .arg(c.firstLine)
                      .arg(c.linesRemoved)
                      .arg(c.linesInserted)
                      .arg(holds ? "" : " (old text)");
    }
    void textReset() override {
        m_lengthBefore = m_b.length();
        events << QStringLiteral("reset");
    }
    void savePointChanged(bool at) override { events << (at ? "saved" : "modified"); }

    void start() {
        m_lengthBefore = m_b.length();
        events.clear();
    }

    QStringList events;

private:
    TextBuffer& m_b;
    Pos m_lengthBefore = 0;
};

// What a buffer shows of itself: its text, save point and undo state, then the texts of a
// typed letter (which joins a run of typing or not), of every undo back to the start and of
// every redo after it.
QStringList behaviour(TextBuffer& b) {
    QStringList seen{q(b.text()), b.atSavePoint() ? "saved" : "modified",
                     QString(b.canUndo() ? "U" : "-") + (b.canRedo() ? "R" : "-")};
    b.beginGroup(1);
    b.insert(b.length(), u"q");
    b.endGroup();
    seen << q(b.text());
    while (b.canUndo()) {
        b.undo();
        seen << "undo " + q(b.text()) + (b.atSavePoint() ? " saved" : "");
    }
    while (b.canRedo()) {
        b.redo();
        seen << "redo " + q(b.text()) + (b.atSavePoint() ? " saved" : "");
    }
    return seen;
}

} // namespace

class TestTextBuffer : public QObject {
    Q_OBJECT

private slots:
    // Texts built every way the buffer can be filled give the same lines.
    void lines_data() {
        QTest::addColumn<QString>("text");
        const QString cyr = QString(30, QChar(u'ж'));
        QTest::newRow("empty") << u""_qs;
        QTest::newRow("a CR LF b") << u"a\r\nb"_qs;
        QTest::newRow("lone LF") << u"a\nb"_qs;
        QTest::newRow("lone CR is a unit of its line") << u"a\rb\r"_qs;
        QTest::newRow("CR CR LF") << u"a\r\r\nb"_qs;
        QTest::newRow("LF CR") << u"a\n\rb"_qs;
        QTest::newRow("final CR LF gives an empty last line") << u"a\r\n"_qs;
        QTest::newRow("only breaks") << u"\r\n\r\n\n\n\r\n"_qs;
        QTest::newRow("U+2029 U+2028 U+0085 VT FF are units") << u"a\u2029b\u2028c\u0085\v\f"_qs;
        QTest::newRow("U+FDD0 U+FDD1") << u"\uFDD0\r\n\uFDD1x"_qs;
        QTest::newRow("NUL") << QString(u"a\0b\r\n\0"_qs);
        QTest::newRow("lone surrogates around CR LF")
            << QString(QChar(0xD800)) + u"\r\n"_qs + QChar(0xDC00) + QChar(0xDBFF);
        QTest::newRow("BOM first") << u"\uFEFF\r\nx"_qs;
        QTest::newRow("long lines") << cyr + u"\r\n"_qs + cyr + u"\n"_qs + cyr;
        QTest::newRow("many short lines") << u"a\r\n"_qs.repeated(25);
    }
    void lines() {
        QFETCH(QString, text);
        const std::u16string t = u16(text);
        for (const Pos chunk : kChunkSizes) {
            // Loaded at once, appended unit by unit, typed at the end, typed backwards at 0.
            TextBuffer loaded(chunk), appended(chunk), typed(chunk), backwards(chunk);
            loaded.assign(t);
            text::TextBuilder builder(chunk);
            for (const char16_t u : t)
                builder.append(std::u16string_view(&u, 1));
            QCOMPARE(builder.length(), Pos(t.size()));
            appended.assign(std::move(builder));
            QCOMPARE(builder.length(), Pos(0));
            for (std::size_t i = 0; i < t.size(); ++i) {
                typed.insert(Pos(i), t.substr(i, 1));
                backwards.insert(0, t.substr(t.size() - 1 - i, 1));
            }
            for (const TextBuffer* b : {&loaded, &appended, &typed, &backwards}) {
                const QString fault = mismatch(*b, t);
                QVERIFY2(fault.isEmpty(), qPrintable(QString::number(chunk) + ": " + fault));
            }
            QVERIFY2(spanMismatch(appended, t).isEmpty(), qPrintable(spanMismatch(appended, t)));
        }
    }

    // Edits anywhere in texts that span many leaves; every look-up and span checked after.
    void edits_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("result");
        const QString abc = u"abcdefghijklmnopqrstuvwxyz"_qs;
        QTest::newRow("insert in the middle")
            << abc << "+13:XYZ" << u"abcdefghijklmXYZnopqrstuvwxyz"_qs;
        QTest::newRow("insert at 0 and at the end") << abc << "+0:< +27:>"
                                                    << "<" + abc + ">";
        QTest::newRow("a long insertion") << u"ab"_qs << "+1:" + abc + abc << "a" + abc + abc + "b";
        QTest::newRow("remove across many leaves") << abc << "-3:20" << u"abcxyz"_qs;
        QTest::newRow("remove everything") << abc << "-0:26" << u""_qs;
        QTest::newRow("remove everything, then type") << abc << "-0:26 +0:q +1:r" << u"qr"_qs;
        QTest::newRow("remove one unit from every leaf")
            << abc << "-24:1 -20:1 -16:1 -12:1 -8:1 -4:1 -0:1" << u"bcdfghjklnoprstvwxz"_qs;
        QTest::newRow("replace across leaves") << abc << "=5:10:\\r\\n"
                                               << u"abcde\r\npqrstuvwxyz"_qs;
        QTest::newRow("insert between CR and LF splits the break")
            << u"a\r\nb"_qs << "+2:x" << u"a\rx\nb"_qs;
        QTest::newRow("remove between CR and LF joins them")
            << u"a\rx\nb"_qs << "-2:1" << u"a\r\nb"_qs;
        QTest::newRow("insert lines") << abc << "+10:\\r\\n\\r\\n\\n"
                                      << u"abcdefghij\r\n\r\n\nklmnopqrstuvwxyz"_qs;
        QTest::newRow("out of range: clamped to the text")
            << u"abc"_qs << "+-5:< +99:> -2:99 --4:1" << u"a"_qs;
        QTest::newRow("nothing removed, nothing inserted")
            << u"abc"_qs << "-1:0 +1: =2:0:" << u"abc"_qs;
        QTest::newRow("insert into an empty text") << u""_qs << "+0:\\r\\n" << u"\r\n"_qs;
        QTest::newRow("built text in the middle of a leaf")
            << abc << "*13:XY\\r\\nZ" << u"abcdefghijklmXY\r\nZnopqrstuvwxyz"_qs;
        QTest::newRow("built text at 0, at a leaf's start and at the end")
            << abc << "*0:< *4:| *28:>"
            << "<abc|" + abc.mid(3) + ">";
        QTest::newRow("built text between CR and LF") << u"a\r\nb"_qs << "*2:x" << u"a\rx\nb"_qs;
        QTest::newRow("built text into an empty text") << u""_qs << "*0:ab\\ncd" << u"ab\ncd"_qs;
        QTest::newRow("built text, then typing on both sides")
            << u"ab"_qs << "*1:" + abc + " +1:( +28:)"
            << "a(" + abc + ")b";
        QTest::newRow("empty built text changes nothing") << u"abc"_qs << "*1:" << u"abc"_qs;
        const QString lines = u"ab\r\ncd\r\nef\r\ngh\r\nij\r\nkl"_qs;
        QTest::newRow("a remembered leaf moves up a line with a line feed removed before it")
            << lines << "?1 ?17 -7:1 ?16 ?15 ?14 ?1" << u"ab\r\ncd\ref\r\ngh\r\nij\r\nkl"_qs;
        QTest::newRow("a cut leaf counts only the line feeds it keeps")
            << lines << "?9 -2:3 ?1 ?9" << u"abd\r\nef\r\ngh\r\nij\r\nkl"_qs;
    }
    void edits() {
        QFETCH(QString, start);
        QFETCH(QString, script);
        QFETCH(QString, result);
        for (const Pos chunk : kChunkSizes) {
            TextBuffer b(chunk);
            b.assign(u16(start));
            Runner{b}.run(script);
            QString fault = mismatch(b, u16(result));
            if (fault.isEmpty())
                fault = spanMismatch(b, u16(result));
            QVERIFY2(fault.isEmpty(), qPrintable(QString::number(chunk) + ": " + fault));
        }
    }

    // A visitor that returns false is not called again; an empty range calls it not at all.
    void spansStop() {
        TextBuffer b(2);
        b.assign(u"abcdefgh");
        b.insert(3, u"X"); // breaks the leaves apart in memory
        int calls = 0;
        b.forEachSpan(0, 9, [&](std::u16string_view) { return ++calls < 1; });
        QCOMPARE(calls, 1);
        calls = 0;
        b.forEachSpan(4, 0, [&](std::u16string_view) { return ++calls > 0; });
        QCOMPARE(calls, 0);
    }

    void history_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("undoRedo"); // can undo, can redo: "UR", "U-", "-R", "--"
        QTest::addColumn<int>("restoredAt");   // -1: the last undo or redo did nothing
        QTest::addColumn<int>("restoredLength");

        QTest::newRow("insert, undo") << "+0:ab u"
                                      << "" << true << "-R" << 0 << 0;
        QTest::newRow("insert, undo, redo") << "+0:ab u r"
                                            << "ab" << false << "U-" << 0 << 2;
        QTest::newRow("remove, undo: the text is back and selected")
            << "a:hello -1:3 u"
            << "hello" << true << "-R" << 1 << 3;
        QTest::newRow("remove, undo, redo") << "a:hello -1:3 u r"
                                            << "ho" << false << "U-" << 1 << 0;
        QTest::newRow("replace, undo") << "a:abc =1:1:XYZ u"
                                       << "abc" << true << "-R" << 1 << 1;
        QTest::newRow("two edits undo one by one") << "+0:a +1:b u"
                                                   << "a" << false << "UR" << 1 << 0;
        QTest::newRow("a group undoes as one step") << "( +0:a +1:b +2:c ) u"
                                                    << "" << true << "-R" << 0 << 0;
        QTest::newRow("a group redoes as one step") << "( +0:a +1:b +2:c ) u r"
                                                    << "abc" << false << "U-" << 0 << 3;
        QTest::newRow("composed letter: replace in a group, undo")
            << "a:x ( =0:1:a ) ( -0:1 +0:b ) u"
            << "a" << false << "UR" << 0 << 1;
        QTest::newRow("group edits far apart: the range covers both")
            << "a:0123456789 ( -8:1 -1:1 ) u"
            << "0123456789" << true << "-R" << 1 << 8;
        QTest::newRow("nested groups: the outer one closes the step")
            << "( +0:a ( +1:b ) +2:c ) u"
            << "" << true << "-R" << 0 << 0;
        QTest::newRow("an empty group is no step") << "+0:a ( ) u"
                                                   << "" << true << "-R" << 0 << 0;
        QTest::newRow("an extra endGroup is ignored") << ") +0:a +1:b u"
                                                      << "a" << false << "UR" << 1 << 0;
        QTest::newRow("undo inside an open group ends its step") << "( +0:a u +0:b ) u"
                                                                 << "" << true << "-R" << 0 << 0;
        QTest::newRow("nothing to undo") << "u"
                                         << "" << true << "--" << -1 << 0;
        QTest::newRow("nothing to redo") << "+0:a r"
                                         << "a" << false << "U-" << -1 << 0;
        QTest::newRow("save point moves with undo and redo") << "+0:a s +1:b u"
                                                             << "a" << true << "UR" << 1 << 0;
        QTest::newRow("undo past the save point, redo to it") << "+0:a s u r"
                                                              << "a" << true << "U-" << 0 << 1;
        QTest::newRow("edit after undoing past the save point loses it")
            << "+0:a s u +0:b u"
            << "" << false << "-R" << 0 << 0;
        QTest::newRow("edit after undo before the save point keeps it")
            << "+0:a s +1:b u +1:c u"
            << "a" << true << "UR" << 1 << 0;
        QTest::newRow("edit after undoing back to the start keeps its save point")
            << "+0:a u +0:b u"
            << "" << true << "-R" << 0 << 0;
        QTest::newRow("save point inside a group: later edits are not saved")
            << "( +0:a s +1:b )"
            << "ab" << false << "U-" << -1 << 0;
        QTest::newRow("save point inside a group, undo to it") << "( +0:a s +1:b ) u"
                                                               << "a" << true << "UR" << 1 << 0;
        QTest::newRow("clear history at the save point keeps it") << "+0:a s c"
                                                                  << "a" << true << "--" << -1 << 0;
        QTest::newRow("clear history away from the save point loses it")
            << "+0:a c +1:b u"
            << "a" << false << "-R" << 1 << 0;
        QTest::newRow("assign forgets the history and is the save point")
            << "+0:a u a:xyz"
            << "xyz" << true << "--" << 0 << 0;
        QTest::newRow("built text, undo, redo, undo") << "a:0123456789 *5:abcdefgh u r u"
                                                      << "0123456789" << true << "-R" << 5 << 0;
        QTest::newRow("built text, undo, redo") << "a:0123456789 *5:ab\\r\\ncd u r"
                                                << "01234ab\r\ncd56789" << false << "U-" << 5 << 6;
        QTest::newRow("built text and typing in a group are one step")
            << "a:xy ( +1:a *2:bcd +5:e ) u"
            << "xy" << true << "-R" << 1 << 0;
        QTest::newRow("three typed letters undo at once") << "(1 +0:a ) (1 +1:b ) (1 +2:c ) u"
                                                          << "" << true << "-R" << 0 << 0;
        QTest::newRow("Backspace after typing is a step of its own")
            << "(1 +0:a ) (1 +1:b ) (2 -1:1 ) (2 -0:1 ) u"
            << "ab" << false << "UR" << 0 << 2;
        QTest::newRow("an edit outside the run ends it") << "(1 +0:a ) +1:x (1 +2:b ) u"
                                                         << "ax" << false << "UR" << 2 << 0;
        QTest::newRow("endRun ends the run") << "(1 +0:a ) e (1 +1:b ) u"
                                             << "a" << false << "UR" << 1 << 0;
        QTest::newRow("a save point ends the run") << "(1 +0:a ) s (1 +1:b ) u"
                                                   << "a" << true << "UR" << 1 << 0;
        QTest::newRow("redo ends the run") << "(1 +0:a ) (1 +1:b ) u r (1 +2:c ) u"
                                           << "ab" << false << "UR" << 2 << 0;
        QTest::newRow("undo of a merged run redoes at once")
            << "(1 +0:a ) (1 +1:\r\n ) (1 +3:b ) u r"
            << "a\r\nb" << false << "U-" << 0 << 4;
        QTest::newRow("undo of an edit across leaves")
            << "a:abcdefghijklmnop =2:12:\\r\\n r u"
            << "abcdefghijklmnop" << true << "-R" << 2 << 12;
    }
    void history() {
        QFETCH(QString, script);
        QFETCH(QString, result);
        QFETCH(bool, saved);
        QFETCH(QString, undoRedo);
        QFETCH(int, restoredAt);
        QFETCH(int, restoredLength);
        for (const Pos chunk : kChunkSizes) {
            TextBuffer b(chunk);
            Runner runner{b};
            runner.run(script);
            QCOMPARE(q(b.text()), result);
            QVERIFY(mismatch(b, b.text()).isEmpty());
            QCOMPARE(b.atSavePoint(), saved);
            QCOMPARE(QString(b.canUndo() ? "U" : "-") + (b.canRedo() ? "R" : "-"), undoRedo);
            QCOMPARE(runner.last.done ? int(runner.last.position) : -1, restoredAt);
            if (runner.last.done)
                QCOMPARE(int(runner.last.length), restoredLength);
        }
    }

    void listeners_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("events");
        const QString lines = u"ab\r\ncd\r\nef"_qs;
        QTest::newRow("type on line 1")
            << lines << "+5:x" << QStringList{"5,0,1 line 1 -0+0", "modified"};
        QTest::newRow("insert two breaks on the last line")
            << lines << "+9:\\r\\n\\n"
            << QStringList{"9,0,3 line 2 -0+2", "modified"};
        QTest::newRow("remove across two breaks")
            << lines << "-1:7" << QStringList{"1,7,0 line 0 -2+0", "modified"};
        QTest::newRow("replace at the end") << lines << "=8:2:\\n"
                                            << QStringList{"8,2,1 line 2 -0+1", "modified"};
        QTest::newRow("undo of a group: its edits backwards")
            << lines << "( +0:x -5:4 ) u"
            << QStringList{"0,0,1 line 0 -0+0", "modified",          "5,4,0 line 1 -1+0",
                           "5,0,4 line 1 -0+1", "0,1,0 line 0 -0+0", "saved"};
        QTest::newRow("redo") << lines << "-0:4 u r"
                              << QStringList{"0,4,0 line 0 -1+0", "modified",
                                             "0,0,4 line 0 -0+1", "saved",
                                             "0,4,0 line 0 -1+0", "modified"};
        QTest::newRow("save point set while modified")
            << lines << "+0:x s +0:y u"
            << QStringList{"0,0,1 line 0 -0+0", "modified",          "saved", "0,0,1 line 0 -0+0",
                           "modified",          "0,1,0 line 0 -0+0", "saved"};
        QTest::newRow("built text: one change") << lines << "*5:x\\r\\ny\\n"
                                                << QStringList{"5,0,5 line 1 -0+2", "modified"};
        QTest::newRow("assign resets")
            << lines << "+0:x a:new"
            << QStringList{"0,0,1 line 0 -0+0", "modified", "reset", "saved"};
        QTest::newRow("assign at the save point") << lines << "a:new" << QStringList{"reset"};
        QTest::newRow("an edit that changes nothing tells nothing")
            << lines << "-3:0 +2: u" << QStringList{};
    }
    void listeners() {
        QFETCH(QString, start);
        QFETCH(QString, script);
        QFETCH(QStringList, events);
        for (const Pos chunk : kChunkSizes) {
            TextBuffer b(chunk);
            b.assign(u16(start));
            Recorder recorder(b);
            recorder.start();
            const std::uint64_t revision = b.revision();
            Runner{b}.run(script);
            QCOMPARE(recorder.events, events);
            const auto changes =
                std::count_if(recorder.events.begin(), recorder.events.end(),
                              [](const QString& e) { return e[0].isDigit() || e == "reset"; });
            QCOMPARE(b.revision() - revision, std::uint64_t(changes));
        }
    }

    // An edit whose n-th allocation fails, for every n: it either completes as it does with
    // memory enough, or throws std::bad_alloc (text::OutOfMemory from the buffer) and leaves the
    // buffer exactly as it was: text, save point, revision, undo and redo, runs, and nothing told.
    void outOfMemory_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("before"); // script run with memory enough
        QTest::addColumn<QString>("edit");   // script whose allocations fail one by one
        QTest::addColumn<int>("sizes"); // 0 small texts, 1 also a large one, 2 only a large one
        const QString abc = u"ab\r\ncdefghijklmnopqrstuvwxyz"_qs;
        QTest::newRow("type a letter") << abc << ""
                                       << "+5:x" << 0;
        QTest::newRow("paste across leaves") << abc << ""
                                             << "+5:" + abc + abc << 1;
        QTest::newRow("remove across leaves") << abc << ""
                                              << "-3:20" << 0;
        QTest::newRow("remove everything") << abc << ""
                                           << "-0:28" << 1;
        QTest::newRow("replace across leaves") << abc << ""
                                               << "=5:10:\r\n"
                                               << 0;
        QTest::newRow("built text in the middle") << abc << ""
                                                  << "*13:XY\r\nZ" << 1;
        QTest::newRow("assign") << abc << "+0:a"
                                << "a:new\r\ntext" << 0;
        QTest::newRow("undo a paste") << abc << "+5:" + abc << "u" << 1;
        QTest::newRow("undo a removal") << abc << "-3:20"
                                        << "u" << 1;
        QTest::newRow("undo a group of edits") << abc << "( +0:a -5:4 =8:2:\n +1:" + abc + " )"
                                               << "u" << 0;
        QTest::newRow("undo a run of typing") << abc << "(1 +3:a ) (1 +4:b ) (1 +5:\r\n )"
                                              << "u" << 0;
        QTest::newRow("undo built text") << abc << "*5:abcdefgh"
                                         << "u" << 1;
        QTest::newRow("redo a removal") << abc << "-3:20 u"
                                        << "r" << 1;
        QTest::newRow("redo built text") << abc << "*5:abcdefgh u"
                                         << "r" << 0;
        QTest::newRow("typing that joins the run") << abc << "(1 +0:a )"
                                                   << "(1 +1:b )" << 0;
        QTest::newRow("typing in an open group") << abc << "( +0:a"
                                                 << "+1:b" << 0;
        QTest::newRow("edit after undo drops the redo step") << abc << "+0:a +1:b u"
                                                             << "+0:c" << 0;
        QTest::newRow("edit after undo past the save point") << abc << "+0:a s u"
                                                             << "+0:b" << 0;
        // A removal of 64 leaves or more keeps its leaves for undo instead of a copy.
        const QString longer = abc.repeated(10);
        QTest::newRow("remove a long range") << longer << ""
                                             << "-3:250" << 0;
        // And an insertion of 64 leaves or more is copied for undo only when it is undone.
        QTest::newRow("paste a long text over a long range") << longer << ""
                                                             << "=3:250:" + longer << 0;
        QTest::newRow("undo a long paste") << abc << "+5:" + longer << "u" << 0;
        QTest::newRow("replace a long range") << longer << ""
                                              << "=3:250:XY\r\n"
                                              << 0;
        QTest::newRow("undo a long removal") << longer << "-3:250"
                                             << "u" << 0;
        QTest::newRow("undo a long replacement") << longer << "( +1:a =3:250:XY -0:1 )"
                                                 << "u" << 0;
        QTest::newRow("redo a long replacement") << longer << "=3:250:XY u"
                                                 << "r" << 0;
        QTest::newRow("undo and redo a long removal twice") << longer << "-0:270 u r u"
                                                            << "r" << 0;
        // An insertion of 64 leaves or more goes to an arena of its own.
        QTest::newRow("paste a large text") << abc << ""
                                            << "+5:" + abc.repeated(10000) << 2;
        QTest::newRow("undo removing a large text") << abc << "-0:270000"
                                                    << "u" << 2;
    }
    void outOfMemory() {
        QFETCH(QString, start);
        QFETCH(QString, before);
        QFETCH(QString, edit);
        QFETCH(int, sizes);
        struct Case {
            Pos chunk;
            std::u16string text;
        };
        std::vector<Case> cases;
        if (sizes < 2) {
            for (const Pos chunk : kChunkSizes)
                cases.push_back({chunk, Runner::unescape(start)});
        }
        if (sizes > 0) {
            // More than 64 leaves: the text stands in the slots of an arena.
            std::u16string big = Runner::unescape(start);
            while (big.size() < 270000)
                big += big;
            big.resize(270000);
            cases.push_back({text::kDefaultChunkUnits, big});
        }
        const auto prepare = [&](TextBuffer& b, const Case& c) {
            b.assign(c.text);
            Runner{b}.run(before);
        };
        for (const Case& c : cases) {
            // The edit with memory enough, and what the buffer then shows.
            TextBuffer done(c.chunk);
            prepare(done, c);
            Runner{done}.run(edit);
            const QStringList completed = behaviour(done);
            TextBuffer untouched(c.chunk);
            prepare(untouched, c);
            const std::uint64_t revision = untouched.revision();
            const QStringList unchanged = behaviour(untouched);
            for (std::int64_t n = 1;; ++n) {
                TextBuffer b(c.chunk);
                prepare(b, c);
                Recorder recorder(b);
                recorder.start();
                text::detail::failAllocation(n);
                bool failed = false;
                try {
                    Runner{b}.run(edit);
                } catch (const std::bad_alloc&) {
                    failed = true;
                }
                const std::int64_t noted = text::detail::failAllocation(0);
                const QString where = QStringLiteral("leaves of %1, %2 units, allocation %3")
                                          .arg(c.chunk)
                                          .arg(c.text.size())
                                          .arg(n);
                if (!failed) {
                    QVERIFY2(noted < n, qPrintable(where + ": the failure was swallowed"));
                    QVERIFY2(behaviour(b) == completed, qPrintable(where));
                    break;
                }
                // An edit cut short inside a group of the script leaves the group open.
                for (qsizetype open = edit.count(u'(') - edit.count(u')'); open > 0; --open)
                    b.endGroup();
                QVERIFY2(recorder.events.isEmpty(),
                         qPrintable(where + ": told " + recorder.events.join(u'|')));
                QVERIFY2(b.revision() == revision, qPrintable(where));
                if (c.text.size() < 1000) // every look-up, where that is quick
                    QVERIFY2(mismatch(b, b.text()).isEmpty(), qPrintable(where));
                const QStringList seen = behaviour(b);
                QVERIFY2(seen == unchanged, qPrintable(where + ": " + seen.join(u'|')));
            }
        }
    }

    // A listener that removes itself, and another one, while being told.
    void listenerRemovedWhileTold() {
        struct Leaver : text::BufferListener {
            TextBuffer* b = nullptr;
            BufferListener* other = nullptr;
            int told = 0;
            void textChanged(const text::Change&) override {
                ++told;
                b->removeListener(this);
                b->removeListener(other);
            }
        };
        struct Counter : text::BufferListener {
            int told = 0;
            void textChanged(const text::Change&) override { ++told; }
        };
        TextBuffer b;
        Leaver leaver;
        Counter counter;
        leaver.b = &b;
        leaver.other = &counter;
        b.addListener(&leaver);
        b.addListener(&leaver); // added once only
        b.addListener(&counter);
        b.insert(0, u"a");
        b.insert(0, u"b");
        QCOMPARE(leaver.told, 1);
        QCOMPARE(counter.told, 0);
    }
};

QTEST_GUILESS_MAIN(TestTextBuffer)
#include "tst_textbuffer.moc"
