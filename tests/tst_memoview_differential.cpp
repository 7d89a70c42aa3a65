// The editor's view against QPlainTextEdit: both shown side by side offscreen in the same font,
// size, wrap and tab stops, both given the same random key sequences, and after every key the
// text, the caret, the anchor and what the clipboard got must be the same. A difference is
// shrunk to the fewest keys that still show it and printed with the text it started from.
#include "view/memoview.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Differences kept on purpose. Their keys are left out of the random sequences.
struct KeptDifference {
    const char* keys;
    const char* reason;
};
[[maybe_unused]] constexpr KeptDifference kKeptDifferences[] = {
    {"PageUp, PageDown (with Shift too)",
     "the view scrolls and pages by whole rows in sight, QPlainTextEdit by the viewport's pixel "
     "height, so after a page the caret may stand a row apart; tst_memoview checks paging"},
    {"Shift+Return",
     "QPlainTextEdit inserts U+2028, a line break inside its paragraph; a text file has no "
     "such break, so the view starts a new line (CR LF) as Return does"},
    {"Ctrl+Z, Ctrl+Shift+Z",
     "a typing run ends at every caret move (QPlainTextEdit merges by position alone, so typing, "
     "Left, Right, typing is one step there), and undo puts back the selection that the step "
     "replaced where QPlainTextEdit leaves a bare caret; tst_memoview checks the undo steps"},
    {"pasting text that holds CR LF",
     "QPlainTextEdit makes the CR and the LF two paragraph breaks; the view takes CR LF as the "
     "one line break it is in the files it edits. The sequences paste only what they copied"},
};

// One key of the sequences: a chord with the text a keyboard sends with it.
struct Key {
    QString name;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    QString text;
};

std::vector<Key> makeKeys() {
    std::vector<Key> keys;
    // Typed characters: ASCII letters, digits, space and punctuation, Cyrillic and a Hebrew
    // letter (which turns a line typed from its start into one that reads right to left).
    for (const QString& s : {u"a"_s, u"b"_s, u"Z"_s, u"7"_s, u" "_s, u" "_s, u"."_s, u","_s, u"-"_s,
                             u"'"_s, u"ж"_s, u"Щ"_s, u"я"_s, u"ё"_s, u"ש"_s}) {
        const QChar c = s.at(0);
        const Qt::Key code = c == u' ' ? Qt::Key_Space : Qt::Key(c.toUpper().unicode());
        keys.push_back(
            {u'"' + s + u'"', code, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, s});
    }
    // Editing keys, each with the text a keyboard sends.
    keys.push_back({u"Return"_s, Qt::Key_Return, Qt::NoModifier, u"\r"_s});
    keys.push_back({u"Tab"_s, Qt::Key_Tab, Qt::NoModifier, u"\t"_s});
    keys.push_back({u"Backspace"_s, Qt::Key_Backspace, Qt::NoModifier, u"\b"_s});
    keys.push_back({u"Shift+Backspace"_s, Qt::Key_Backspace, Qt::ShiftModifier, u"\b"_s});
    keys.push_back({u"Delete"_s, Qt::Key_Delete, Qt::NoModifier, u"\x7f"_s});
    keys.push_back({u"Ctrl+Backspace"_s, Qt::Key_Backspace, Qt::ControlModifier, QString()});
    keys.push_back({u"Ctrl+Delete"_s, Qt::Key_Delete, Qt::ControlModifier, QString()});
    // Navigation, alone and with Shift.
    const std::pair<const char*, Qt::Key> moves[] = {
        {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down}, {"Home", Qt::Key_Home},   {"End", Qt::Key_End},
    };
    for (const auto& [name, code] : moves) {
        for (const bool shift : {false, true}) {
            const QString prefix = shift ? u"Shift+"_s : QString();
            const Qt::KeyboardModifiers mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
            keys.push_back({prefix + QLatin1StringView(name), code, mods, QString()});
            // Ctrl with Left, Right, Home and End moves by words and to the text's ends.
            if (code != Qt::Key_Up && code != Qt::Key_Down)
                keys.push_back({u"Ctrl+"_s + prefix + QLatin1StringView(name), code,
                                mods | Qt::ControlModifier, QString()});
        }
    }
    keys.push_back({u"Ctrl+A"_s, Qt::Key_A, Qt::ControlModifier, QString()});
    keys.push_back({u"Ctrl+C"_s, Qt::Key_C, Qt::ControlModifier, QString()});
    keys.push_back({u"Ctrl+X"_s, Qt::Key_X, Qt::ControlModifier, QString()});
    keys.push_back({u"Ctrl+V"_s, Qt::Key_V, Qt::ControlModifier, QString()});
    return keys;
}

// What a view shows after a key: its text (line breaks as LF) and the caret and anchor counted
// in QPlainTextEdit's positions (a line break is one), and what the last key put on the
// clipboard.
struct State {
    QString text;
    qsizetype caret = 0;
    qsizetype anchor = 0;
    QString clipboard;
    bool operator==(const State&) const = default;
};

QString shown(QString text) {
    if (text.size() > 120)
        text = text.left(50) + u"…(%1 units)…"_s.arg(text.size() - 100) + text.right(50);
    text.replace(u'\n', u"⏎"_s);
    text.replace(u'\t', u"⇥"_s);
    return text;
}

// The text with the caret as '|' and the anchor as '^', shortened around them when long.
QString marked(const QString& text, qsizetype caret, qsizetype anchor) {
    QString out = text;
    if (anchor != caret)
        out.insert(anchor, u'^');
    out.insert(caret + (anchor != caret && anchor < caret ? 1 : 0), u'|');
    if (out.size() > 200) {
        const qsizetype at = std::min(caret, anchor);
        const qsizetype from = std::max<qsizetype>(0, at - 60);
        out = (from > 0 ? u"…"_s : QString()) + out.mid(from, 160 + std::abs(caret - anchor)) +
              u"…"_s;
    }
    out.replace(u'\n', u"⏎"_s);
    out.replace(u'\t', u"⇥"_s);
    return out;
}

QString describe(const State& s) {
    return u"%1 (caret %2, anchor %3%4)"_s.arg(marked(s.text, s.caret, s.anchor))
        .arg(s.caret)
        .arg(s.anchor)
        .arg(s.clipboard.isNull() ? QString() : u", clipboard \"%1\""_s.arg(shown(s.clipboard)));
}

} // namespace

class TestMemoViewDifferential : public QObject {
    Q_OBJECT

    std::unique_ptr<MemoView> m_ours;
    std::unique_ptr<QPlainTextEdit> m_theirs;
    std::vector<Key> m_keys;

    // Both views get the text, the wrap and the caret (QPlainTextEdit's positions).
    void start(const QString& text, bool wrap, qsizetype caret, qsizetype anchor) {
        m_ours->setWordWrap(wrap);
        m_theirs->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        m_ours->setPlainText(text);
        m_theirs->setPlainText(text);
        const auto ourPos = [&text](qsizetype pos) { return pos + text.left(pos).count(u'\n'); };
        m_ours->setCaret(ourPos(caret), ourPos(anchor));
        QTextCursor cursor = m_theirs->textCursor();
        cursor.setPosition(anchor);
        cursor.setPosition(caret, QTextCursor::KeepAnchor);
        m_theirs->setTextCursor(cursor);
        QGuiApplication::clipboard()->setText(u"вставка\npaste"_s);
    }

    State ourState() const {
        const text::TextBuffer& b = m_ours->buffer();
        State s;
        s.text = m_ours->toPlainText();
        // Every line break of the view is CR LF, one position in QPlainTextEdit.
        s.caret = m_ours->caretPosition() - b.lineOf(m_ours->caretPosition());
        s.anchor = m_ours->anchorPosition() - b.lineOf(m_ours->anchorPosition());
        if (b.length() - (b.lineCount() - 1) != s.text.size())
            s.text += u" (a line break that is not CR LF)"_s;
        return s;
    }

    State theirState() const {
        State s;
        s.text = m_theirs->document()->toRawText();
        s.text.replace(QChar::ParagraphSeparator, u'\n');
        const QTextCursor cursor = m_theirs->textCursor();
        s.caret = cursor.position();
        s.anchor = cursor.anchor();
        return s;
    }

    static void send(QWidget* widget, const Key& key) {
        QTest::sendKeyEvent(QTest::Click, widget, key.key, key.text, key.mods);
    }

    // Gives the key to both views; a key that may write the clipboard writes it once for each
    // view from the same contents.
    std::pair<State, State> step(const Key& key) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        const bool writes =
            key.mods == Qt::ControlModifier && (key.key == Qt::Key_C || key.key == Qt::Key_X);
        const QString before = writes ? clipboard->text() : QString();
        send(m_ours.get(), key);
        State ours = ourState();
        if (writes) {
            ours.clipboard = clipboard->text();
            clipboard->setText(before);
        }
        send(m_theirs.get(), key);
        State theirs = theirState();
        if (writes)
            theirs.clipboard = clipboard->text();
        return {ours, theirs};
    }

    struct Run {
        QString text;
        bool wrap = false;
        qsizetype caret = 0;
        qsizetype anchor = 0;
        std::vector<int> keys; // indexes into m_keys
    };

    // The first key after which the views differ, with both states, or nothing.
    struct Difference {
        std::size_t after = 0;
        State ours;
        State theirs;
    };
    std::optional<Difference> firstDifference(const Run& run) {
        start(run.text, run.wrap, run.caret, run.anchor);
        for (std::size_t i = 0; i < run.keys.size(); ++i) {
            auto [ours, theirs] = step(m_keys[std::size_t(run.keys[i])]);
            if (ours != theirs)
                return Difference{i, ours, theirs};
        }
        return std::nullopt;
    }

    // Drops keys one at a time, from the last to the first, for as long as a difference stays:
    // what is left shows it with the fewest keys.
    Run shrink(Run run, Difference& difference) {
        run.keys.resize(difference.after + 1);
        bool dropped = true;
        while (dropped) {
            dropped = false;
            for (std::size_t i = run.keys.size(); i-- > 0;) {
                Run shorter = run;
                shorter.keys.erase(shorter.keys.begin() + std::ptrdiff_t(i));
                if (const std::optional<Difference> d = firstDifference(shorter)) {
                    shorter.keys.resize(d->after + 1);
                    run = shorter;
                    difference = *d;
                    dropped = true;
                }
            }
        }
        // The caret and anchor it starts from may not matter either.
        for (const auto& [caret, anchor] :
             {std::pair<qsizetype, qsizetype>{0, 0}, {run.caret, run.caret}}) {
            Run simpler = run;
            simpler.caret = caret;
            simpler.anchor = anchor;
            if (std::tie(caret, anchor) == std::tie(run.caret, run.anchor))
                continue;
            if (const std::optional<Difference> d = firstDifference(simpler)) {
                simpler.keys.resize(d->after + 1);
                run = simpler;
                difference = *d;
                break;
            }
        }
        return run;
    }

    QString report(const Run& run, const Difference& difference) const {
        QStringList names;
        for (const int k : run.keys)
            names << m_keys[std::size_t(k)].name;
        return u"\n  wrap %1, from %2\n  keys: %3\n  ours:           %4\n  QPlainTextEdit: %5"_s
            .arg(run.wrap ? u"on"_s : u"off"_s)
            .arg(marked(run.text, run.caret, run.anchor))
            .arg(names.join(u", "_s))
            .arg(describe(difference.ours))
            .arg(describe(difference.theirs));
    }

private slots:
    void initTestCase() {
        m_keys = makeKeys();
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(19);
        m_ours = std::make_unique<MemoView>();
        m_theirs = std::make_unique<QPlainTextEdit>();
        m_theirs->setWordWrapMode(m_ours->wordWrapMode());
        m_theirs->setTabStopDistance(m_ours->tabStopDistance());
        int x = 0;
        for (QAbstractScrollArea* view : {static_cast<QAbstractScrollArea*>(m_ours.get()),
                                          static_cast<QAbstractScrollArea*>(m_theirs.get())}) {
            view->setFont(font);
            // Scroll bars that come and go would change the width rows wrap at.
            view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            view->resize(400, 300);
            view->move(x, 0);
            x += 420;
            view->show();
            QVERIFY(QTest::qWaitForWindowExposed(view));
        }
        QCOMPARE(m_ours->viewport()->size(), m_theirs->viewport()->size());
    }
    void cleanupTestCase() {
        m_ours.reset();
        m_theirs.reset();
    }

    void sameAsPlainTextEdit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("runNumber");
        const QString words =
            u"The quick brown fox jumps over the lazy dog, then naps under a tree. "_s;
        const struct {
            const char* name;
            QString text;
        } texts[] = {
            {"short lines", u"abc\ndef\nghi\n\nx\nlonger line of words"_s},
            {"words and punctuation",
             u"one two,three.four  five\n  (six) seven-eight\n\nnine"_s + words.repeated(2)},
            {"tabs", u"\ta\tbc\t\td\n\t\t\n1\t22\t333\t4444\tend"_s},
            {"tabs in lines of some hundred units",
             u"ab\tc "_s.repeated(120) + u"\n"_s + u"x\ty\t"_s.repeated(100) + u"\nend"_s},
            {"Cyrillic", u"Съешь же ещё этих мягких французских булок, да выпей же чаю.\n"
                         u"Широкая электрификация южных губерний\nё Ё й"_s},
            {"Japanese", u"日本語の文章です。漢字とひらがな、カタカナ。\n"
                         u"東京都 新宿区\n長い行長い行長い行長い行長い行長い行長い行長い行"_s},
            {"surrogate pairs", u"a😀b\n𝐀𝐁 𝐂𝐃\n😀😀😀 x 😀\n𠀋𠀋"_s},
            {"combining marks",
             u"ма\u0301ма, о\u0301круг\nЯ\u0301 и е\u0301\u0301 a\u0301\u0302\u0303 b"_s},
            {"right-to-left", u"abc שלום עולם def\nמה שלומך היום\nمرحبا بالعالم 123\nxyz"_s},
            {"a line over 4096 units", u"first\n"_s + words.repeated(70) + u"\nlast line\nend"_s},
        };
        int runNumber = 1;
        for (const auto& t : texts) {
            for (const bool wrap : {false, true}) {
                QTest::addRow("%s, wrap %s", t.name, wrap ? "on" : "off")
                    << t.text << wrap << runNumber++;
            }
        }
    }
    void sameAsPlainTextEdit() {
        QFETCH(QString, text);
        QFETCH(bool, wrap);
        QFETCH(int, runNumber);
        // Caret and anchor start at grapheme boundaries, where a user can put them.
        std::vector<qsizetype> boundaries;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary())
            boundaries.push_back(at);
        std::mt19937 random(static_cast<std::mt19937::result_type>(runNumber));
        const auto pick = [&random](std::size_t n) {
            return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
        };
        // A few thousand sequences in all; more for a longer run from the environment.
        const int sequences = qEnvironmentVariableIntValue("TOVILO_DIFFERENTIAL_SEQUENCES") > 0
                                  ? qEnvironmentVariableIntValue("TOVILO_DIFFERENTIAL_SEQUENCES")
                                  : 160;
        for (int n = 0; n < sequences; ++n) {
            Run run;
            run.text = text;
            run.wrap = wrap;
            run.caret = boundaries[pick(boundaries.size())];
            run.anchor = pick(4) == 0 ? boundaries[pick(boundaries.size())] : run.caret;
            const std::size_t length = 1 + pick(24);
            for (std::size_t i = 0; i < length; ++i)
                run.keys.push_back(int(pick(m_keys.size())));
            std::optional<Difference> difference = firstDifference(run);
            if (!difference)
                continue;
            const Run shortest = shrink(run, *difference);
            QFAIL(qPrintable(u"sequence %1 differs:"_s.arg(n) + report(shortest, *difference)));
        }
    }
};

QTEST_MAIN(TestMemoViewDifferential)
#include "tst_memoview_differential.moc"
