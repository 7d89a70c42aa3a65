// The commands and looks added for users of a desktop editor, through the real windows:
// shortcuts, retyping the selection, find next, the open letter, drops, the mode marks, recent
// files across a restart, reopening in another encoding, Escape on the tool windows, the status
// panels, the accent pad and the window on the screen.
#include "info/help.h"
#include "search/find.h"
#include "shell/recentfiles.h"
#include "shell/statusbar.h"
#include "tools/accent.h"
#include "tools/accent2.h"
#include "tools/russiaskb.h"
#include "view/memoview.h"
#include "windowrun.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>

namespace {

void showMainWindow() {
    app::state().Form1->show();
    app::state().Form1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(app::state().Form1));
    app::state().Form1->Memo1->setFocus();
}

// The editor holding "ab" as two undo steps (b, then a before it), the caret at the end.
void twoUndoSteps() {
    MemoView& memo = *app::state().Form1->Memo1;
    memo.setPlainText(QString());
    memo.insertAtCaret(u"b"_qs);
    memo.setSelStart(0);
    memo.insertAtCaret(u"a"_qs);
    memo.setSelStart(memo.length());
    app::state().TextModified = 0;
}

QString panel(int index) {
    return app::state().Form1->StatusBar1->panelText(index);
}

// The index of the checked "reopen as" item, -1 when none is.
int checkedReading() {
    const QList<QAction*> items = app::state().Form1->reopenas1->actions();
    int checked = -1;
    for (int i = 0; i < items.size(); ++i)
        if (items[i]->isChecked())
            checked = checked == -1 ? i : -2;
    return checked;
}

QStringList recentEntries() {
    app::state().Form1->refreshRecentMenu();
    QStringList names;
    for (const QAction* item : app::state().Form1->recentfiles1->actions())
        names << item->data().toString();
    return names;
}

void triggerRecent(const QString& name) {
    app::state().Form1->refreshRecentMenu();
    for (QAction* item : app::state().Form1->recentfiles1->actions())
        if (item->data().toString() == name) {
            item->trigger();
            return;
        }
    QFAIL(qPrintable(u"no recent entry "_qs + name));
}

QByteArray eucJp(const char* bytes) {
    return QByteArray(bytes);
}

} // namespace

static void toolWindowRows() {
    QTest::addColumn<QString>("window");
    QTest::newRow("keymap help") << u"help"_qs;
    QTest::newRow("accent pad") << u"accent"_qs;
    QTest::newRow("picture accent pad") << u"accent2"_qs;
    QTest::newRow("screen keyboard") << u"keyboard"_qs;
}

// Opens a tool window through its menu command; the window.
static QWidget* showToolWindow(const QString& window) {
    if (window == u"help"_qs) {
        app::state().Form1->keymap1Click();
        return app::state().helpform;
    }
    if (window == u"keyboard"_qs) {
        app::state().Form1->Screenkeyboard1Click();
        return app::state().russiaskbform;
    }
    app::state().IsWin9x = window == u"accent2"_qs ? 1 : 0;
    app::state().Form1->AccentPAD1Click();
    return app::state().IsWin9x ? static_cast<QWidget*>(app::state().accent2form)
                                : app::state().accentform;
}

class TestUserCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowRun> m_run;

    QString write(const QString& name, const QByteArray& bytes) {
        m_run->put(name, bytes);
        return m_run->path(name);
    }
    void open(const QString& path) {
        Answers steps({u"pick:"_qs + path});
        app::state().Form1->opentextfile1->trigger();
    }

private slots:
    void init() {
        m_run = std::make_unique<WindowRun>();
        m_run->start();
    }
    void cleanup() { m_run.reset(); }

    // --- shortcuts

    void shortcuts_data() {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("undoFirst");
        QTest::addColumn<QString>("action"); // the one action the keys trigger; empty: none
        QTest::addColumn<QString>("text");   // the editor's text afterwards
        const struct {
            const char* name;
            QKeySequence keys;
            bool undoFirst;
            const char* action;
            QString text;
        } rows[] = {
            {"Ctrl+O open", QKeySequence(u"Ctrl+O"_qs), false, "opentextfile1", u"ab"_qs},
            {"Ctrl+S over write save", QKeySequence(u"Ctrl+S"_qs), false, "overwritesavefileUTF81",
             u"ab"_qs},
            {"Ctrl+Shift+S save", QKeySequence(u"Ctrl+Shift+S"_qs), false, "savefile1", u"ab"_qs},
            {"Ctrl+F find", QKeySequence(u"Ctrl+F"_qs), false, "find1", u"ab"_qs},
            {"F3 find next", QKeySequence(Qt::Key_F3), false, "findnext1", u"ab"_qs},
            {"Ctrl+Q exit", QKeySequence(u"Ctrl+Q"_qs), false, "exit1", u"ab"_qs},
            {"Ctrl+Z undoes one step", QKeySequence(u"Ctrl+Z"_qs), false, "Undo1", u"b"_qs},
            {"Ctrl+Y redoes", QKeySequence(u"Ctrl+Y"_qs), true, "Redo1", u"ab"_qs},
            {"Ctrl+Shift+Z redoes", QKeySequence(u"Ctrl+Shift+Z"_qs), true, "Redo1", u"ab"_qs},
            {"Ctrl+A select all", QKeySequence(u"Ctrl+A"_qs), false, "MenuItem5", u"ab"_qs},
            {"Ctrl+; stays the accent", QKeySequence(u"Ctrl+;"_qs), false, "",
             u"ab"_qs + QChar(0x0301)},
            {"Ctrl+V stays the paste", QKeySequence(u"Ctrl+V"_qs), false, "", u"abx"_qs},
        };
        const char* const modes[] = {"nonIME", "romanized", "direct"};
        for (int mode = 0; mode < 3; ++mode)
            for (const auto& row : rows)
                QTest::addRow("%s, %s", row.name, modes[mode])
                    << row.keys << mode << row.undoFirst << QString::fromLatin1(row.action)
                    << row.text;
    }
    void shortcuts() {
        QFETCH(QKeySequence, keys);
        QFETCH(int, mode);
        QFETCH(bool, undoFirst);
        QFETCH(QString, action);
        QFETCH(QString, text);

        showMainWindow();
        app::state().ImeMode = mode;
        twoUndoSteps();
        if (undoFirst)
            app::state().Form1->Memo1->undo();
        QGuiApplication::clipboard()->setText(u"x"_qs);
        const QStringList names{u"opentextfile1"_qs, u"overwritesavefileUTF81"_qs,
                                u"savefile1"_qs,     u"find1"_qs,
                                u"exit1"_qs,         u"Undo1"_qs,
                                u"Redo1"_qs,         u"MenuItem5"_qs,
                                u"findnext1"_qs};
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const QString& name : names) {
            auto* item = app::state().Form1->findChild<QAction*>(name);
            QVERIFY2(item, qPrintable(name));
            spies.push_back(std::make_unique<QSignalSpy>(item, &QAction::triggered));
        }
        // Every question is cancelled; the find dialog is closed as soon as it waits (find next
        // with an empty entry shows it too).
        Answers steps;
        if (action.startsWith(u"find"_qs))
            QTimer::singleShot(0, app::state().searchform, &QWidget::hide);

        QTest::keySequence(app::state().Form1->Memo1, keys);

        for (qsizetype i = 0; i < names.size(); ++i) {
            const int count = int(spies[std::size_t(i)]->count());
            QVERIFY2(count == (names[i] == action ? 1 : 0),
                     qPrintable(names[i] + u" ran "_qs + QString::number(count)));
        }
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), text);
        if (action == u"MenuItem5"_qs)
            QCOMPARE(app::state().Form1->memoTarget().selLength(), 2);
        QVERIFY(app::state().Form1->isVisible());
    }

    // --- undo and redo in the context menu and the edit menu

    void undoAndRedoItems() {
        twoUndoSteps();
        QVERIFY(app::state().Form1->PopupMenu1->actions().contains(app::state().Form1->Undo1));
        QVERIFY(app::state().Form1->edit1->actions().contains(app::state().Form1->Redo1));
        app::state().Form1->Undo1->trigger();
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), u"b"_qs);
        QCOMPARE(app::state().TextModified, 1);
        app::state().Form1->Redo1->trigger();
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), u"ab"_qs);
    }

    // --- retyping the selection

    void retypeTheSelection_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("japanese"); // the keyboard placement's check mark
        QTest::addColumn<QString>("text");  // line feeds between lines
        QTest::addColumn<int>("start");     // the selection, in the CR LF view
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("result");
        QTest::newRow("x privet mir! as RussiaRoma, privet mir selected")
            << u"retypeasRussiaRoma1"_qs << true << u"x privet mir!"_qs << 2 << 10
            << u"x привет мир!"_qs;
        QTest::newRow("kasha, shi on two lines as RussiaRoma")
            << u"retypeasRussiaRoma1"_qs << true << u"kasha\nshi"_qs << 0 << 10 << u"каша\nши"_qs;
        QTest::newRow("ghbdtn [ as RussiaDirect, Japanese keyboard")
            << u"retypeasRussiaDirect1"_qs << true << u"ghbdtn ["_qs << 0 << 8 << u"привет ъ"_qs;
        QTest::newRow("ghbdtn [ as RussiaDirect, US keyboard")
            << u"retypeasRussiaDirect1"_qs << false << u"ghbdtn ["_qs << 0 << 8 << u"привет х"_qs;
        QTest::newRow("руддщ х as Latin, Japanese keyboard")
            << u"retypeasLatin1"_qs << true << u"руддщ х"_qs << 0 << 7 << u"hello @"_qs;
        QTest::newRow("руддщ х as Latin, US keyboard")
            << u"retypeasLatin1"_qs << false << u"руддщ х"_qs << 0 << 7 << u"hello ["_qs;
        QTest::newRow("privet with nothing selected")
            << u"retypeasRussiaRoma1"_qs << true << u"privet"_qs << 3 << 0 << u"privet"_qs;
    }
    void retypeTheSelection() {
        QFETCH(QString, item);
        QFETCH(bool, japanese);
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, result);
        TForm1& form = *app::state().Form1;
        showMainWindow();
        MemoView& memo = *form.Memo1;
        memo.setPlainText(text);
        memo.setSelection(start, length);
        app::state().TextModified = 0;
        form.JapaneseOSJapaneseIME1->setChecked(japanese);
        auto* action = form.findChild<QAction*>(item);
        QVERIFY(action);
        // The items are usable while something is selected, in either menu.
        for (QMenu* menu : {form.edit1, form.PopupMenu1}) {
            action->setEnabled(length == 0);
            emit menu->aboutToShow();
            QCOMPARE(action->isEnabled(), length > 0);
        }
        action->trigger();

        QCOMPARE(memo.toPlainText(), result);
        const qsizetype change = memo.length() - (text.size() + text.count(u'\n'));
        QCOMPARE(memo.selStart(), qsizetype(start));
        QCOMPARE(memo.selLength(), length + change);
        QCOMPARE(app::state().TextModified, length > 0 ? 1 : 0);
        // One step for Undo.
        if (length > 0) {
            form.Undo1->trigger();
            QCOMPARE(memo.toPlainText(), text);
        }
    }

    // --- find next

    void findNext_data() {
        QTest::addColumn<QString>("text"); // line feeds between lines
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("caret");       // before the first F3
        QTest::addColumn<QList<int>>("hits"); // the caret after each F3; -1: not found
        QTest::newRow("at the 1st of three: the 2nd, the 3rd, then none")
            << u"ab x ab x ab"_qs << u"ab"_qs << 0 << QList<int>{5, 10, -1};
        QTest::newRow("a hit one unit after the caret")
            << u"aab"_qs << u"ab"_qs << 0 << QList<int>{1, -1};
        QTest::newRow("next line, CR LF counted as two")
            << u"ab\nab"_qs << u"ab"_qs << 0 << QList<int>{4, -1};
        QTest::newRow("exact: а passes over А") << u"а А а"_qs << u"а"_qs << 0 << QList<int>{4, -1};
        QTest::newRow("only before the caret: no wrap-around")
            << u"ab cd"_qs << u"ab"_qs << 3 << QList<int>{-1};
        QTest::newRow("caret at the end") << u"ab"_qs << u"ab"_qs << 2 << QList<int>{-1};
    }
    void findNext() {
        QFETCH(QString, text);
        QFETCH(QString, needle);
        QFETCH(int, caret);
        QFETCH(QList<int>, hits);
        showMainWindow();
        MemoView& memo = *app::state().Form1->Memo1;
        memo.setPlainText(text);
        memo.setSelStart(caret);
        app::state().searchform->Edit1->setText(needle);
        const QString file = u"UTF-8 nonBOM  /a.txt"_qs;
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, file);
        int expected = caret;
        for (const int hit : hits) {
            QTest::keyClick(&memo, Qt::Key_F3);
            expected = hit >= 0 ? hit : expected; // nothing found: the caret stays
            QCOMPARE(memo.selStart(), expected);
            QCOMPARE(memo.selLength(), 0);
            QCOMPARE(panel(TStatusBar::FilePanel), hit >= 0 ? file : u"not found: "_qs + needle);
        }
        QVERIFY(!app::state().searchform->isVisible());
        QVERIFY(app::state().Form1->wordWrap() == false);
    }

    void findNextItemAndNotice() {
        // The item rests with "find" while the find dialog is up.
        app::state().Form1->find1->setEnabled(false);
        QVERIFY(!app::state().Form1->findnext1->isEnabled());
        app::state().Form1->find1->setEnabled(true);
        QVERIFY(app::state().Form1->findnext1->isEnabled());
        // The notice gives the panel back the text it found there; a file read meanwhile
        // keeps its own label.
        app::state().Form1->Memo1->setPlainText(u"x"_qs);
        app::state().searchform->Edit1->setText(u"y"_qs);
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, u"SJIS  /a.txt"_qs);
        app::state().Form1->findnext1->trigger();
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, u"EUC  /b.txt"_qs);
        app::state().Form1->findnext1->trigger();
        QCOMPARE(panel(TStatusBar::FilePanel), u"not found: y"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(panel(TStatusBar::FilePanel), u"EUC  /b.txt"_qs,
                                  2 * TStatusBar::kBriefMs);
    }

    // --- the open letter of the romanized composer

    void openLetter_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("keys"); // typed in turn; <left>, <undo>, <click>, <nonIME>
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("underlined"); // the one unit underlined, -1 for none
        QTest::newRow("b -> б, open") << 1 << u"b"_qs << u"б"_qs << 0;
        QTest::newRow("b b -> ъ, still open") << 1 << u"bb"_qs << u"ъ"_qs << 0;
        QTest::newRow("a b -> аб, the б open") << 1 << u"ab"_qs << u"аб"_qs << 1;
        QTest::newRow("a -> а, cannot change") << 1 << u"a"_qs << u"а"_qs << -1;
        QTest::newRow("s h -> ш, s would make it щ") << 1 << u"sh"_qs << u"ш"_qs << 0;
        QTest::newRow("x -> х, k would make it к") << 1 << u"x"_qs << u"х"_qs << 0;
        QTest::newRow("b space: decided") << 1 << u"b "_qs << u"б"_qs << -1;
        QTest::newRow("b 1: the digit decides") << 1 << u"b1"_qs << u"б1"_qs << -1;
        QTest::newRow("b Left: the caret moved") << 1 << u"b<left>"_qs << u"б"_qs << -1;
        QTest::newRow("a b, click at the start") << 1 << u"ab<click>"_qs << u"аб"_qs << -1;
        QTest::newRow("b Ctrl+Z: undone") << 1 << u"b<undo>"_qs << u""_qs << -1;
        QTest::newRow("b, then nonIME") << 1 << u"b<nonIME>"_qs << u"б"_qs << -1;
        QTest::newRow("a b, nonIME, c, Ctrl+Z: the mode change split the run")
            << 1 << u"ab<nonIME>c<undo>"_qs << u"аб"_qs << -1;
        QTest::newRow("b without the composer") << 0 << u"b"_qs << u"b"_qs << -1;
    }
    void openLetter() {
        QFETCH(int, mode);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, underlined);
        showMainWindow();
        app::state().ImeMode = mode;
        MemoView& memo = *app::state().Form1->Memo1;
        static const QRegularExpression steps(u"<[^>]*>|."_qs);
        for (const QRegularExpressionMatch& step : steps.globalMatch(keys)) {
            const QString key = step.captured();
            if (key == u"<left>"_qs)
                QTest::keyClick(&memo, Qt::Key_Left);
            else if (key == u"<undo>"_qs)
                QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
            else if (key == u"<click>"_qs)
                QTest::mouseClick(memo.viewport(), Qt::LeftButton, {},
                                  memo.positionRect(0).center());
            else if (key == u"<nonIME>"_qs)
                app::state().Form1->nonIME1->trigger();
            else
                QTest::keyClick(&memo, key.at(0).toLatin1());
        }
        QCOMPARE(memo.toPlainText(), text);
        using Range = std::pair<text::Pos, text::Pos>;
        QCOMPARE(memo.pendingRange().second, underlined >= 0 ? 1 : 0);
        if (underlined < 0)
            return;
        QCOMPARE(memo.pendingRange(), Range(underlined, 1));
        // Drawn: the letter's own column (the caret stands right of it) changes when the
        // underline goes.
        const QRect letter(memo.positionRect(underlined).topLeft(),
                           memo.positionRect(underlined + 1).bottomLeft() - QPoint(1, 0));
        const QImage with = memo.viewport()->grab().toImage().copy(letter);
        memo.setPendingRange(0, 0);
        const QImage without = memo.viewport()->grab().toImage().copy(letter);
        QVERIFY(with != without);
    }

    // --- drops

    void drops_data() {
        QTest::addColumn<bool>("onEditor"); // else on the window's status bar
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("dropped"); // text, when no files are dropped
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QString>("text"); // afterwards; the text before is "abc def"
        const QStringList none;
        QTest::newRow("text at the drop point")
            << true << none << u"XY"_qs << false << none << none << u"abcXY def"_qs;
        QTest::newRow("text with a line break")
            << true << none << u"1\n2"_qs << false << none << none << u"abc1\n2 def"_qs;
        QTest::newRow("a file on the editor") << true << QStringList{u"one.txt"_qs} << QString()
                                              << false << none << none << u"one.txt"_qs;
        QTest::newRow("two files: the first opens")
            << true << QStringList{u"one.txt"_qs, u"two.txt"_qs} << QString() << false << none
            << none << u"one.txt"_qs;
        QTest::newRow("a file on the status bar")
            << false << QStringList{u"one.txt"_qs} << QString() << false << none << none
            << u"one.txt"_qs;
        QTest::newRow("a file on unsaved text, No")
            << true << QStringList{u"one.txt"_qs} << QString() << true << QStringList{u"No"_qs}
            << QStringList{u"Save file?"_qs} << u"one.txt"_qs;
        QTest::newRow("a file on unsaved text, Yes, save cancelled")
            << true << QStringList{u"one.txt"_qs} << QString() << true
            << QStringList{u"Yes"_qs, u"cancel"_qs}
            << QStringList{u"Save file?"_qs, u"file dialog"_qs} << u"abc def"_qs;
    }
    void drops() {
        QFETCH(bool, onEditor);
        QFETCH(QStringList, files);
        QFETCH(QString, dropped);
        QFETCH(bool, unsaved);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, seen);
        QFETCH(QString, text);
        showMainWindow();
        MemoView& memo = *app::state().Form1->Memo1;
        memo.setPlainText(u"abc def"_qs);
        app::state().TextModified = unsaved ? 1 : 0;
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& name : files)
            urls << QUrl::fromLocalFile(write(name, name.toUtf8()));
        if (!urls.isEmpty())
            data.setUrls(urls);
        else
            data.setText(dropped);
        QWidget* target = onEditor ? memo.viewport() : static_cast<QWidget*>(app::state().Form1);
        const QPoint at = onEditor ? memo.positionRect(3).center()
                                   : app::state().Form1->StatusBar1->geometry().center();
        Answers steps(answers);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(drop.dropAction(), Qt::CopyAction); // the source keeps what it gave
        QCOMPARE(steps.seen, seen);
        QCOMPARE(memo.toPlainText(), text);
        if (!urls.isEmpty() && text != u"abc def"_qs) {
            QCOMPARE(app::state().RememberedFileName, urls.first().toLocalFile());
            QCOMPARE(recentEntries(), QStringList{app::state().RememberedFileName});
        } else if (urls.isEmpty()) {
            // The caret behind the text, the text one step for undo.
            QCOMPARE(memo.selStart(), 3 + dropped.size() + dropped.count(u'\n'));
            QCOMPARE(app::state().TextModified, 1);
            memo.undo();
            QCOMPARE(memo.toPlainText(), u"abc def"_qs);
        }
    }

    // --- the active mode marked in the menus

    void modeMarks_data() {
        QTest::addColumn<QString>("command"); // an action of the main window, "find:" of the dialog
        QTest::addColumn<QByteArray>("settingsFile");
        QTest::addColumn<int>("mode");
        QTest::newRow("start: romanized") << QString() << QByteArray() << 1;
        QTest::newRow("settings file with mode 2")
            << QString() << QByteArray("0\n0\n400\n400\n2\n") << 2;
        QTest::newRow("menu bar RussiaDirectIME") << u"KoreaDirectIME1"_qs << QByteArray() << 2;
        QTest::newRow("menu bar nonIME") << u"nonIME1"_qs << QByteArray() << 0;
        QTest::newRow("IME menu direct") << u"KoreanDirectinput1"_qs << QByteArray() << 2;
        QTest::newRow("IME menu none") << u"dontuseIME1"_qs << QByteArray() << 0;
        QTest::newRow("context menu direct") << u"MenuItem8"_qs << QByteArray() << 2;
        QTest::newRow("context menu none") << u"MenuItem9"_qs << QByteArray() << 0;
        QTest::newRow("romanized again after none") << u"nonIME1 MenuItem7"_qs << QByteArray() << 1;
        QTest::newRow("find dialog RussiaDirectIME")
            << u"find:KoreaDirectIME1"_qs << QByteArray() << 2;
    }
    void modeMarks() {
        QFETCH(QString, command);
        QFETCH(QByteArray, settingsFile);
        QFETCH(int, mode);
        if (!settingsFile.isEmpty()) {
            m_run->put(QString::fromLatin1(settings::kSettingsFileName), settingsFile);
            m_run->start();
        }
        for (const QString& name : command.split(u' ', Qt::SkipEmptyParts)) {
            QAction* item = name.startsWith(u"find:"_qs)
                                ? app::state().searchform->findChild<QAction*>(name.mid(5))
                                : app::state().Form1->findChild<QAction*>(name);
            QVERIFY2(item, qPrintable(name));
            item->trigger();
        }
        QCOMPARE(app::state().ImeMode, mode);
        const struct {
            QAction* item;
            int mode;
        } items[] = {{app::state().Form1->KoreaRomaIME1, 1},
                     {app::state().Form1->KoreaDirectIME1, 2},
                     {app::state().Form1->nonIME1, 0},
                     {app::state().Form1->KoreanRomanizedinput1, 1},
                     {app::state().Form1->KoreanDirectinput1, 2},
                     {app::state().Form1->dontuseIME1, 0},
                     {app::state().Form1->MenuItem7, 1},
                     {app::state().Form1->MenuItem8, 2},
                     {app::state().Form1->MenuItem9, 0}};
        for (const auto& entry : items)
            QVERIFY2(entry.item->isChecked() == (entry.mode == mode),
                     qPrintable(entry.item->objectName()));
        // The menu bar gives the checked item room for its mark beyond what the others get.
        QMenuBar* bar = app::state().Form1->menuBar();
        app::state().Form1->show();
        auto spare = [bar](QAction* item) {
            return bar->actionGeometry(item).width() -
                   bar->fontMetrics().horizontalAdvance(item->text());
        };
        QAction* const top[] = {app::state().Form1->nonIME1, app::state().Form1->KoreaRomaIME1,
                                app::state().Form1->KoreaDirectIME1};
        for (QAction* checked : top)
            for (QAction* other : top)
                if (checked->isChecked() && !other->isChecked())
                    // (within a pixel: captions are measured in fractions)
                    QVERIFY(qAbs(spare(checked) - spare(other) - bar->fontMetrics().height()) <= 1);
    }

    // --- recent files

    void recentFilesAcrossARestart() {
        QStringList opened;
        for (int i = 0; i < 12; ++i) {
            opened.prepend(write(u"file%1.txt"_qs.arg(i), "text " + QByteArray::number(i)));
            open(opened.first());
        }
        open(m_run->path(u"file3.txt"_qs)); // opened again: moves to the top, once
        QStringList expected = opened.mid(0, 10);
        expected.removeAll(m_run->path(u"file3.txt"_qs));
        expected.prepend(m_run->path(u"file3.txt"_qs));
        expected = expected.mid(0, 10);
        QCOMPARE(recentEntries(), expected);
        // A cancelled dialog reads nothing and adds nothing.
        {
            Answers steps({u"cancel"_qs});
            app::state().Form1->opentextfile1->trigger();
        }
        QCOMPARE(recent::load(), expected);
        QCOMPARE(m_run->get(QString::fromLatin1(recent::kRecentFileName)),
                 recent::formatList(expected));

        m_run->start(); // the windows again, over the same folder
        QCOMPARE(recentEntries(), expected);
        QVERIFY(app::state().Form1->recentfiles1->menuAction()->isEnabled());

        // An entry whose file is gone: a message, and the entry leaves the list.
        const QString gone = expected.at(2);
        QVERIFY(QFile::remove(gone));
        {
            Answers steps({u"OK"_qs});
            triggerRecent(gone);
            QCOMPARE(steps.seen,
                     QStringList{u"file not found, removed from recent files:\n"_qs + gone});
        }
        expected.removeAll(gone);
        QCOMPARE(recentEntries(), expected);
        QCOMPARE(panel(TStatusBar::FilePanel), QString());

        // An entry that exists opens its file with what detection finds, and goes first.
        const QString kept = expected.at(4);
        triggerRecent(kept);
        QCOMPARE(panel(TStatusBar::FilePanel), u"UTF-8 nonBOM  "_qs + kept);
        QVERIFY(app::state().Form1->Memo1->toPlainText().startsWith(u"text "_qs));
        QCOMPARE(recentEntries().first(), kept);
        QCOMPARE(checkedReading(), 4);

        // A file named on the command line counts as opened.
        const QString argument = write(u"argument.txt"_qs, "x");
        m_run->start({u"toviloeditru"_qs, argument});
        QCOMPARE(recentEntries().first(), argument);
        QCOMPARE(recentEntries().size(), 10);
    }

    void recentEntryAsksBeforeReplacingUnsavedText() {
        const QString first = write(u"first.txt"_qs, "first");
        const QString second = write(u"second.txt"_qs, "second");
        open(first);
        open(second);
        app::state().Form1->Memo1->setPlainText(u"edited"_qs);
        QCOMPARE(app::state().TextModified, 1);
        {
            // Yes saves the text to its own file, then the entry is read.
            Answers steps({u"Yes"_qs});
            triggerRecent(first);
            QCOMPARE(steps.seen, QStringList{u"Save file?"_qs});
        }
        QCOMPARE(m_run->get(u"second.txt"_qs), QByteArray("edited"));
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), u"first"_qs);
        QCOMPARE(app::state().TextModified, 0);
    }

    // --- reopen as

    void reopenAs_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("detected"); // the item marked after the open
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("choice");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("marked");
        const QByteArray nihongo = eucJp("\xC6\xFC\xCB\xDC\xB8\xEC"); // 日本語, read as SJIS
        QTest::newRow("one-line EUC-JP misread as SJIS, as EUC-JP")
            << nihongo << 0 << false << QStringList() << 1 << QStringList() << u"日本語"_qs
            << u"EUC"_qs << 1;
        QTest::newRow("UTF-16 LE without mark, as UTF-16 BE")
            << QByteArray("a\0b\0", 4) << 2 << false << QStringList() << 3 << QStringList()
            << u"\u6100\u6200"_qs << u"UTF16 nonBOM BE"_qs << 3;
        QTest::newRow("UTF-16 BE mark, as UTF-16 LE: the mark is skipped")
            << QByteArray("\xFE\xFF\x00\x41", 4) << 3 << false << QStringList() << 2
            << QStringList() << u"\u4100"_qs << u"UTF16 nonBOM LE"_qs << 2;
        QTest::newRow("UTF-16 LE mark, as UTF-16 BE: the mark sets the order")
            << QByteArray("\xFF\xFE\x41\x00", 4) << 2 << false << QStringList() << 3
            << QStringList() << u"A"_qs << u"UTF16 BOM LE"_qs << 2;
        QTest::newRow("UTF-8 mark, as UTF-8")
            << QByteArray("\xEF\xBB\xBF\xD0\x96") << 4 << false << QStringList() << 4
            << QStringList() << u"Ж"_qs << u"UTF-8 BOM"_qs << 4;
        QTest::newRow("Windows-1251 Привет misread as SJIS, as Windows-1251")
            << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2") << 0 << false << QStringList() << 5
            << QStringList() << u"Привет"_qs << u"Windows-1251"_qs << 5;
        QTest::newRow("CP866 Привет CR LF мир misread as UTF-8, as CP866")
            << QByteArray("\x8F\xE0\xA8\xA2\xA5\xE2\r\n\xAC\xA8\xE0") << 4 << false << QStringList()
            << 7 << QStringList() << u"Привет\nмир"_qs << u"CP866"_qs << 7;
        QTest::newRow("modified, No: the file is read")
            << nihongo << 0 << true << QStringList{u"No"_qs} << 1 << QStringList{u"Save file?"_qs}
            << u"日本語"_qs << u"EUC"_qs << 1;
        QTest::newRow("modified, Yes, save dialog cancelled: the text stays")
            << nihongo << 0 << true << QStringList{u"Yes"_qs, u"cancel"_qs} << 1
            << QStringList{u"Save file?"_qs, u"file dialog"_qs} << u"edited"_qs << u"SJIS"_qs << 0;
        QTest::newRow("modified, Yes, saved elsewhere: the file is read")
            << nihongo << 0 << true << QStringList{u"Yes"_qs, u"save:kept.txt"_qs} << 1
            << QStringList{u"Save file?"_qs, u"file dialog"_qs} << u"日本語"_qs << u"EUC"_qs << 1;
    }
    void reopenAs() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, detected);
        QFETCH(bool, modified);
        QFETCH(QStringList, answers);
        QFETCH(int, choice);
        QFETCH(QStringList, seen);
        QFETCH(QString, text);
        QFETCH(QString, label);
        QFETCH(int, marked);

        QVERIFY(!app::state().Form1->reopenas1->menuAction()->isEnabled());
        const QString file = write(u"file.txt"_qs, bytes);
        open(file);
        QCOMPARE(checkedReading(), detected);
        QVERIFY(app::state().Form1->reopenas1->menuAction()->isEnabled());
        if (modified) {
            app::state().Form1->Memo1->setPlainText(u"edited"_qs);
            QCOMPARE(app::state().TextModified, 1);
        }
        for (QString& answer : answers)
            if (answer.startsWith(u"save:"_qs))
                answer = u"save:"_qs + m_run->path(answer.mid(5));
        {
            Answers steps(answers);
            app::state().Form1->reopenas1->actions().at(choice)->trigger();
            QCOMPARE(steps.seen, seen);
        }
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), text);
        QCOMPARE(panel(TStatusBar::FilePanel), label + u"  "_qs + file);
        QCOMPARE(checkedReading(), marked);
        QCOMPARE(m_run->get(u"file.txt"_qs), bytes); // the file itself is never written
        if (answers.size() == 2 && answers[1].startsWith(u"save:"_qs))
            QCOMPARE(m_run->get(u"kept.txt"_qs), QByteArray("edited"));
        if (text != u"edited"_qs)
            QCOMPARE(app::state().TextModified, 0);
    }

    // --- Escape on the tool windows

    void escapeCloses_data() {
        toolWindowRows();
        QTest::newRow("copyright") << u"copyright"_qs;
    }
    void escapeCloses() {
        QFETCH(QString, window);
        showMainWindow();
        if (window == u"copyright"_qs) {
            bool closed = false;
            modal::setResponder([&closed](QDialog& dialog) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
                closed = !dialog.isVisible();
            });
            app::state().Form1->copyright1Click();
            modal::setResponder({});
            QVERIFY(closed);
            return;
        }
        QWidget* shown = showToolWindow(window);
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QWidget* target = shown->focusWidget() ? shown->focusWidget() : shown;
        QTest::keyClick(target, Qt::Key_Escape);
        QVERIFY(!shown->isVisible());
        QVERIFY(app::state().Form1->isVisible());
    }

    // --- looks

    void toolWindowFitsTheScreen_data() { toolWindowRows(); }
    void toolWindowFitsTheScreen() {
        QFETCH(QString, window);
        showMainWindow();
        QWidget* shown = showToolWindow(window);
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        const QRect area = shown->screen()->availableGeometry();
        const QRect frame = shown->frameGeometry();
        // A fixed-size window larger than the screen keeps its top left corner on it.
        if (frame.width() <= area.width() && frame.height() <= area.height())
            QVERIFY(area.contains(frame));
        else
            QVERIFY(area.contains(frame.topLeft()));
    }

    void padButtonsAreWhole() {
        app::state().Form1->AccentPAD1Click();
        QVERIFY(QTest::qWaitForWindowExposed(app::state().accentform));
        // Every button lies within the client area, with the same margin on all four sides.
        const QRect inner = app::state().accentform->rect().adjusted(4, 4, -4, -4);
        for (const QPushButton* button : app::state().accentform->buttons())
            QVERIFY2(inner.contains(button->geometry()), qPrintable(button->objectName()));
        QCOMPARE(app::state().accentform->buttons().back()->geometry().bottomRight(),
                 inner.bottomRight());
    }

    void panelsHoldTheirLongestText_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("designed");
        QTest::newRow("mode H") << 0 << u"H"_qs << 20;
        QTest::newRow("caret, seven digits each") << 1 << u"Line:9999999  Col:9999999"_qs << 100;
        QTest::newRow("caret, line 1") << 1 << u"Line:1  Col:1"_qs << 100;
        QTest::newRow("noWrapLine") << 2 << u"noWrapLine"_qs << 65;
    }
    void panelsHoldTheirLongestText() {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(int, designed);
        app::state().Form1->show();
        app::state().Form1->StatusBar1->setPanelText(index, text);
        QLabel* label = app::state().Form1->StatusBar1->panel(index);
        QVERIFY(label->width() >= designed);
        // What the label needs for the whole text (frame, indent and the text in its font).
        QVERIFY2(label->sizeHint().width() <= label->width(),
                 qPrintable(u"%1 > %2"_qs.arg(label->sizeHint().width()).arg(label->width())));
    }

    void longFileNameIsElidedInTheMiddle() {
        app::state().Form1->show();
        const int minimumWidth = app::state().Form1->minimumSizeHint().width();
        const QString path = u"/home"_qs + u"/a folder with a long name"_qs.repeated(20) +
                             u"/the end of the name.txt"_qs;
        const QString text = u"UTF-8 nonBOM  "_qs + path;
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, text);
        QCOMPARE(panel(TStatusBar::FilePanel), text);
        QLabel* label = app::state().Form1->StatusBar1->panel(TStatusBar::FilePanel);
        QCOMPARE(label->toolTip(), text);
        const QString shown = app::state().Form1->StatusBar1->shownFileText();
        QVERIFY2(shown.contains(QChar(0x2026)), qPrintable(shown));
        QVERIFY(shown.startsWith(u"UTF-8"_qs));
        QVERIFY(shown.endsWith(u".txt"_qs));
        QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width());
        // The long name does not widen the window.
        QCOMPARE(app::state().Form1->minimumSizeHint().width(), minimumWidth);
        // A short one is drawn whole.
        app::state().Form1->StatusBar1->setPanelText(TStatusBar::FilePanel, u"SJIS  /a.txt"_qs);
        QCOMPARE(app::state().Form1->StatusBar1->shownFileText(), u"SJIS  /a.txt"_qs);
    }

    void windowFitsTheScreen_data() {
        QTest::addColumn<QByteArray>("settingsFile");
        QTest::addColumn<QRect>("clamped"); // left, top, width, height after the clamps
        QTest::newRow("first run") << QByteArray() << QRect(357, 86, 416, 480);
        QTest::newRow("width 5000 clamped to 1024")
            << QByteArray("100\n200\n5000\n50\n") << QRect(200, 100, 1024, 100);
        QTest::newRow("2000 by 3001 clamped to 2000 by 700")
            << QByteArray("0\n0\n2000\n3001\n") << QRect(0, 0, 2000, 700);
        QTest::newRow("left 1000 stays") << QByteArray("701\n1000\n") << QRect(1000, 0, 416, 480);
        QTest::newRow("small window fits as it is")
            << QByteArray("10\n20\n300\n200\n") << QRect(20, 10, 300, 200);
    }
    void windowFitsTheScreen() {
        QFETCH(QByteArray, settingsFile);
        QFETCH(QRect, clamped);
        if (!settingsFile.isEmpty()) {
            m_run->put(QString::fromLatin1(settings::kSettingsFileName), settingsFile);
            m_run->start();
        }
        QCOMPARE(QRect(app::state().WindowLeft, app::state().WindowTop, app::state().WindowWidth,
                       app::state().WindowHeight),
                 clamped);
        app::state().Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(app::state().Form1));
        QTest::qWait(10); // the second fit, once the frame is known
        const QRect area = app::state().Form1->screen()->availableGeometry();
        const QRect frame = app::state().Form1->frameGeometry();
        QVERIFY2(area.contains(frame), qPrintable(u"%1,%2 %3x%4"_qs.arg(frame.x())
                                                      .arg(frame.y())
                                                      .arg(frame.width())
                                                      .arg(frame.height())));
        const QSize frameExtra = frame.size() - app::state().Form1->geometry().size();
        if (area.contains(QRect(clamped.topLeft(), clamped.size() + frameExtra)))
            QCOMPARE(QRect(app::state().Form1->pos(), app::state().Form1->size()), clamped);
    }
};

QTEST_MAIN(TestUserCommands)
#include "tst_usercommands.moc"
