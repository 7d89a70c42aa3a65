// The find command and the find dialog through the real windows: the wait loop ends when a
// timer presses Find, presses a key in the entry or closes the dialog.
#include "app/paste.h"
#include "editfixture.h"
#include "search/find.h"
#include "search/textsearch.h"
#include "shell/statusbar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

// Runs the find command; while its dialog is up, act() plays the user's part.
void runFind(std::function<void()> act) {
    QTimer::singleShot(0, app::state().Form1, [act] {
        if (app::state().searchform->isVisible())
            act();
    });
    app::state().Form1->find1Click();
}

// Types the search text into the entry and presses Find.
void findText(const QString& needle) {
    runFind([needle] {
        app::state().searchform->Edit1->setText(needle);
        QTest::mouseClick(app::state().searchform->Button1, Qt::LeftButton);
    });
}

// The editor's text of one line with its caret ("|") or selection ("[" "]").
QString editorMarkup() {
    const MemoView& memo = app::state().Form1->memoTarget();
    QString text = memo.toPlainText();
    if (memo.selLength() == 0)
        return text.insert(memo.selStart(), u'|');
    text.insert(memo.selStart() + memo.selLength(), u']');
    return text.insert(memo.selStart(), u'[');
}

QStringList captions(const QList<QAction*>& actions) {
    QStringList out;
    for (const QAction* action : actions)
        out << (action->isSeparator() ? u"-"_qs : action->text());
    return out;
}

} // namespace

class TestFind : public QObject {
    Q_OBJECT

    std::unique_ptr<EditWindows> m_windows;
    MemoView& memo() { return app::state().Form1->memoTarget(); }
    QLineEdit* entry() { return app::state().searchform->Edit1; }

    // Shows the dialog without the find command, to type into its entry.
    void showDialog() {
        app::state().searchform->show();
        QApplication::setActiveWindow(app::state().searchform);
        QVERIFY(QTest::qWaitForWindowActive(app::state().searchform));
        entry()->setFocus();
    }

private slots:
    void init() { m_windows = std::make_unique<EditWindows>(); }
    void cleanup() { m_windows.reset(); }

    void theDialog() {
        QCOMPARE(app::state().searchform->windowTitle(), u"find (search)"_qs);
        QCOMPARE(app::state().searchform->Button1->text(), u"Find"_qs);
        QCOMPARE(app::state().searchform->Label1->text(),
                 u"Sorry. auto change to noWrapLine mode."_qs);
        QCOMPARE(app::state().searchform->Label2->text(), u"RussiaRomaIME"_qs);
        QVERIFY(entry()->text().isEmpty());
        QCOMPARE(entry()->font(), app::state().Form1->Memo1->font());
        QVERIFY(!app::state().searchform->TimerEdit->isActive());
        QCOMPARE(app::state().searchform->TimerEdit->interval(), 500);
        QCOMPARE(captions(app::state().searchform->MainMenu1->actions()),
                 (QStringList{u"RussiaRomaIME"_qs, u"RussiaDirectIME"_qs, u"nonIME"_qs}));
        QCOMPARE(captions(app::state().searchform->PopupMenu2->actions()),
                 (QStringList{u"Cut"_qs, u"Copy"_qs, u"Paste"_qs, u"Clear"_qs, u"Select All"_qs,
                              u"-"_qs, u"Russia Roma IME"_qs, u"Russia Direct IME"_qs, u"nonIME"_qs,
                              u"Kanji(Japan) to Hangul(SelectArea)Type1"_qs,
                              u"Kanji(Japan) to Hangul(SelectArea)Type2"_qs}));
        QVERIFY(!app::state().searchform->KanjiJapantoHangulSelectAreaType11->isVisible());
        QVERIFY(!app::state().searchform->KanjiJapantoHangulSelectAreaType21->isVisible());
        QCOMPARE(entry()->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void findMovesTheCaret_data() {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("caret");

        QTest::newRow("hit after the caret") << u"|один два"_qs << u"два"_qs << 5;
        QTest::newRow("hit at the caret is found at the caret")
            << u"один |два"_qs << u"два"_qs << 5;
        QTest::newRow("text only before the caret: back to the start")
            << u"два |один"_qs << u"два"_qs << 4;
        QTest::newRow("а does not find А") << u"|А Б"_qs << u"а"_qs << 0;
        QTest::newRow("selected abc is the hit itself") << u"x[abc]x abc"_qs << u"abc"_qs << 1;
        QTest::newRow("second line: the break counts two") << u"|ab\ncd"_qs << u"cd"_qs << 4;
        QTest::newRow("third line after CR LF pairs") << u"|a\n\nb c"_qs << u"c"_qs << 7;
        QTest::newRow("across a line break: not found") << u"|ab\ncd"_qs << u"bc"_qs << 0;
        QTest::newRow("from the end: not found") << u"abc|"_qs << u"a"_qs << 3;
    }
    void findMovesTheCaret() {
        QFETCH(QString, editor);
        QFETCH(QString, needle);
        QFETCH(int, caret);
        setEditor(editor);
        findText(needle);
        QCOMPARE(memo().selStart(), qsizetype(caret));
        QCOMPARE(memo().selLength(), qsizetype(0));
        QVERIFY(app::state().Form1->Memo1->isVisible());
        QVERIFY(app::state().Form1->Memo1->isEnabled());
        QCOMPARE(app::state().Form1->focusWidget(), app::state().Form1->Memo1);
        QCOMPARE(app::state().TextModified, 0);
    }

    void findsBeyondAndAcrossPieces_data() {
        QTest::addColumn<bool>("longLine");
        QTest::addColumn<int>("at");
        QTest::newRow("short lines, far beyond the first piece") << false << 190000;
        QTest::newRow("one long line, crossing the first boundary")
            << true << int(search::kChunkUnits) - 2;
        QTest::newRow("one long line, crossing the second boundary")
            << true << 2 * int(search::kChunkUnits) - 3;
    }
    void findsBeyondAndAcrossPieces() {
        QFETCH(bool, longLine);
        QFETCH(int, at);
        QString text;
        while (text.size() < 3 * search::kChunkUnits)
            text += longLine ? QString(100, u'x') : QString(98, u'x') + u'\n';
        text.replace(at, 6, u"привет"_qs);
        setEditor(u"|"_qs + text);
        findText(u"привет"_qs);
        QCOMPARE(memo().selStart(), qsizetype(at + (longLine ? 0 : text.left(at).count(u'\n'))));
        // Found again from the hit itself.
        findText(u"привет"_qs);
        QCOMPARE(memo().selStart(), qsizetype(at + (longLine ? 0 : text.left(at).count(u'\n'))));
    }

    // "ignore stress marks": Find and then F3, with the box left as it starts (unchecked) or
    // checked by a click.
    void ignoringStressMarks_data() {
        QTest::addColumn<bool>("ignore");
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("found"); // the editor after Find
        QTest::addColumn<QString>("next");  // and after F3

        const QString text = u"мой за\u0301мок, твой замо\u0301к"_qs;
        QTest::newRow("замок in мой за́мок, твой замо́к, ignoring the marks")
            << true << u"|"_qs + text << u"замок"_qs << u"мой [за\u0301мок], твой замо\u0301к"_qs
            << u"мой за\u0301мок, твой [замо\u0301к]"_qs;
        QTest::newRow("замок in мой за́мок, твой замо́к, as typed")
            << false << u"|"_qs + text << u"замок"_qs << u"|"_qs + text << u"|"_qs + text;
        QTest::newRow("за́мок in мой за́мок, твой замо́к, as typed")
            << false << u"|"_qs + text << u"за\u0301мок"_qs << u"мой |"_qs + text.mid(4)
            << u"мой |"_qs + text.mid(4);
        QTest::newRow("за́мок in замок замок, ignoring the marks")
            << true << u"|замок замок"_qs << u"за\u0301мок"_qs << u"[замок] замок"_qs
            << u"замок [замок]"_qs;
        QTest::newRow("мука in мука́ мука́, ignoring the marks: the last mark taken")
            << true << u"|мука\u0301 мука\u0301"_qs << u"мука"_qs << u"[мука\u0301] мука\u0301"_qs
            << u"мука\u0301 [мука\u0301]"_qs;
    }
    void ignoringStressMarks() {
        QFETCH(bool, ignore);
        QFETCH(QString, editor);
        QFETCH(QString, needle);
        QFETCH(QString, found);
        QFETCH(QString, next);
        QCheckBox* box = app::state().searchform->CheckBox1;
        QCOMPARE(box->text(), u"ignore stress marks"_qs);
        QVERIFY(!box->isChecked());
        setEditor(editor);
        runFind([needle, ignore, box] {
            app::state().searchform->Edit1->setText(needle);
            if (ignore)
                QTest::mouseClick(box, Qt::LeftButton);
            QTest::mouseClick(app::state().searchform->Button1, Qt::LeftButton);
        });
        QCOMPARE(box->isChecked(), ignore);
        QCOMPARE(editorMarkup(), found);
        QApplication::setActiveWindow(app::state().Form1);
        QVERIFY(QTest::qWaitForWindowActive(app::state().Form1));
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_F3);
        QCOMPARE(editorMarkup(), next);
        QCOMPARE(app::state().TextModified, 0);
    }

    void editorAndMenusDisabledWhileTheDialogIsUp() {
        setEditor(u"|abc"_qs);
        bool editor = true, file = true, find = true, modes = false;
        runFind([&] {
            editor = app::state().Form1->Memo1->isEnabled();
            file = app::state().Form1->FILE1->isEnabled() &&
                   app::state().Form1->FILE1->menuAction()->isEnabled();
            find = app::state().Form1->find1->isEnabled();
            modes = app::state().Form1->KoreaDirectIME1->isEnabled() &&
                    app::state().Form1->ime1->isEnabled();
            app::state().searchform->close();
        });
        QVERIFY(!editor);
        QVERIFY(!file);
        QVERIFY(!find);
        QVERIFY(modes);
        QVERIFY(app::state().Form1->Memo1->isEnabled());
        QVERIFY(app::state().Form1->FILE1->isEnabled());
        QVERIFY(app::state().Form1->find1->isEnabled());
    }

    void closeBoxSearchesNothing() {
        setEditor(u"abc |abc"_qs);
        app::state().Form1->setWordWrapShown(true);
        runFind([] {
            app::state().searchform->Edit1->setText(u"abc"_qs);
            app::state().searchform->close();
        });
        QCOMPARE(app::state().FindRequested, 0);
        QCOMPARE(memo().selStart(), qsizetype(4));
        QVERIFY(app::state().Form1->wordWrap());
        QCOMPARE(app::state().Form1->StatusBar1->panelText(TStatusBar::WrapPanel), u"WrapLine"_qs);
    }

    void emptyEntryChangesNothing() {
        setEditor(u"ab|c"_qs);
        app::state().Form1->setWordWrapShown(true);
        findText(QString());
        QCOMPARE(memo().selStart(), qsizetype(2));
        QVERIFY(app::state().Form1->wordWrap());
    }

    void wrapGoesOffEvenWhenNothingIsFound_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("caret");
        QTest::newRow("found") << u"c"_qs << 2;
        QTest::newRow("not found") << u"z"_qs << 1;
    }
    void wrapGoesOffEvenWhenNothingIsFound() {
        QFETCH(QString, needle);
        QFETCH(int, caret);
        setEditor(u"a|bc"_qs);
        app::state().Form1->setWordWrapShown(true);
        findText(needle);
        QVERIFY(!app::state().Form1->wordWrap());
        QCOMPARE(app::state().Form1->Wrapofftoggle1->text(), u"Wrap Line on(toggle)"_qs);
        QCOMPARE(app::state().Form1->StatusBar1->panelText(TStatusBar::WrapPanel),
                 u"noWrapLine"_qs);
        QCOMPARE(memo().selStart(), qsizetype(caret));
    }

    void keysInTheEntryStartTheSearch_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Ctrl+Return (code 10)") << int(Qt::Key_Return) << int(Qt::ControlModifier);
    }
    void keysInTheEntryStartTheSearch() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        app::state().ImeMode = 1;
        setEditor(u"|мир и привет"_qs);
        runFind([key, modifiers] {
            QTest::keyClicks(app::state().searchform->Edit1, u"privet"_qs);
            QTest::keyClick(app::state().searchform->Edit1, Qt::Key(key),
                            Qt::KeyboardModifiers(modifiers));
        });
        QCOMPARE(entry()->text(), u"привет"_qs);
        QCOMPARE(memo().selStart(), qsizetype(6));
        QVERIFY(!app::state().searchform->isVisible());
    }

    void entryDecidesApartFromTheEditor() {
        app::state().ImeMode = 1;
        setEditor(u"|"_qs);
        showDialog();
        QTest::keyClick(entry(), Qt::Key_B);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_B);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Space);
        QCOMPARE(app::state().MemoInput.RomaDecided, 1);
        QTest::keyClick(entry(), Qt::Key_B);
        QCOMPARE(entry()->text(), u"ъ"_qs);
        QCOMPARE(editorLines(), u"б"_qs);
        // A space in the entry decides only the entry's letter.
        QTest::keyClick(entry(), Qt::Key_Space);
        QCOMPARE(app::state().EditInput.RomaDecided, 1);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_B);
        QCOMPARE(editorLines(), u"бб"_qs); // the editor's flag was consumed by its own b
        QTest::keyClick(entry(), Qt::Key_B);
        QCOMPARE(entry()->text(), u"ъб"_qs);
        QCOMPARE(app::state().TextModified, 1); // by the editor's keys only
    }

    void entryKeysLeaveTextModified() {
        app::state().ImeMode = 1;
        showDialog();
        QTest::keyClicks(entry(), u"da"_qs);
        QCOMPARE(entry()->text(), u"да"_qs);
        QCOMPARE(app::state().TextModified, 0);
    }

    // Characters of 128 and above go through each target's dispatch like any other key: no
    // engine maps them and they reach the control unchanged, but they end the romanized
    // decision (so the next space is swallowed again) and take an armed accent's place.
    void keysAboveAscii_data() {
        QTest::addColumn<bool>("inEntry");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("accentArmed");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        for (const bool inEntry : {false, true}) {
            const QByteArray where = inEntry ? "entry: " : "editor: ";
            QTest::newRow(where + "b space È space -> бÈ")
                << inEntry << 1 << false << u"b È "_qs << u"бÈ"_qs;
            QTest::newRow(where + "b space ж space -> бж (a code above 255)")
                << inEntry << 1 << false << u"b ж "_qs << u"бж"_qs;
            QTest::newRow(where + "direct: a È -> фÈ")
                << inEntry << 2 << false << u"aÈ"_qs << u"фÈ"_qs;
            QTest::newRow(where + "armed accent, È -> accent alone")
                << inEntry << 0 << true << u"È"_qs << u"\u0301"_qs;
        }
    }
    void keysAboveAscii() {
        QFETCH(bool, inEntry);
        QFETCH(int, mode);
        QFETCH(bool, accentArmed);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        app::state().ImeMode = mode;
        if (inEntry)
            showDialog();
        QWidget* control = inEntry ? static_cast<QWidget*>(entry()) : app::state().Form1->Memo1;
        (inEntry ? app::state().EditInput : app::state().MemoInput).AccentPending =
            accentArmed ? 1 : 0;
        for (const QChar c : keys) {
            if (c.unicode() < 128)
                QTest::keyClick(control, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, control, Qt::Key(c.toUpper().unicode()),
                                    QString(c), Qt::NoModifier);
        }
        QCOMPARE(inEntry ? entry()->text() : editorLines(), expected);
    }

    void typingOverASelectionInTheEntry_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::newRow("romanized a before abc") << 1 << int(Qt::Key_A) << u"аabc"_qs << 1;
        QTest::newRow("direct f after abc") << 2 << int(Qt::Key_F) << u"abcа"_qs << 4;
        QTest::newRow("no IME: a replaces abc") << 0 << int(Qt::Key_A) << u"a"_qs << 1;
    }
    void typingOverASelectionInTheEntry() {
        QFETCH(int, mode);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, caret);
        app::state().ImeMode = mode;
        showDialog();
        entry()->setText(u"abc"_qs);
        entry()->selectAll();
        QTest::keyClick(entry(), Qt::Key(key));
        QCOMPARE(entry()->text(), text);
        QCOMPARE(entry()->cursorPosition(), caret);
        QVERIFY(!entry()->hasSelectedText());
    }

    void accentKeyInTheDialog() {
        setEditor(u"x|"_qs);
        showDialog();
        entry()->setText(u"abc"_qs);
        entry()->setSelection(0, 3);
        QTest::keyClick(entry(), Qt::Key_Semicolon, Qt::ControlModifier);
        QCOMPARE(entry()->text(), u"abc\u0301"_qs);
        QCOMPARE(entry()->cursorPosition(), 4);
        QCOMPARE(app::state().EditInput.AccentPending, 0);
        QCOMPARE(app::state().MemoInput.AccentPending, 0);
        QCOMPARE(editorLines(), u"x"_qs);
        // Armed without a key event of its own, the accent takes the next key's place.
        entry()->setSelection(0, 1);
        QKeyEvent arm(QEvent::KeyPress, Qt::Key_Semicolon, Qt::ControlModifier, u";"_qs);
        app::state().searchform->FormShortCut(arm);
        QTest::keyClick(entry(), Qt::Key_Q);
        QCOMPARE(entry()->text(), u"a\u0301bc\u0301"_qs);
        QCOMPARE(editorLines(), u"x"_qs);
    }

    void modeCommandsOfTheDialog_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("panel");
        QTest::newRow("menu bar RussiaDirectIME")
            << u"KoreaDirectIME1"_qs << 2 << u"RussiaDirectIME"_qs << u"H"_qs;
        QTest::newRow("menu bar nonIME") << u"nonIME1"_qs << 0 << u"nonIME"_qs << QString();
        QTest::newRow("menu bar RussiaRomaIME")
            << u"KoreaRomaIME1"_qs << 1 << u"RussiaRomaIME"_qs << u"R"_qs;
        QTest::newRow("context Russia Direct IME")
            << u"MenuItem2"_qs << 2 << u"RussiaDirectIME"_qs << u"H"_qs;
        QTest::newRow("context nonIME") << u"MenuItem3"_qs << 0 << u"nonIME"_qs << QString();
        QTest::newRow("context Russia Roma IME")
            << u"MenuItem1"_qs << 1 << u"RussiaRomaIME"_qs << u"R"_qs;
    }
    void modeCommandsOfTheDialog() {
        QFETCH(QString, item);
        QFETCH(int, mode);
        QFETCH(QString, label);
        QFETCH(QString, panel);
        app::state().ImeMode = mode == 1 ? 2 : 1;
        app::state().searchform->findChild<QAction*>(item)->trigger();
        QCOMPARE(app::state().ImeMode, mode);
        QCOMPARE(app::state().searchform->Label2->text(), label);
        QCOMPARE(app::state().Form1->StatusBar1->panelText(TStatusBar::ModePanel), panel);
    }

    void mainWindowModeLeavesTheLabel() {
        app::state().ImeMode = 1;
        app::state().searchform->KoreaRomaIME1Click();
        app::state().Form1->KoreaDirectIME1->trigger();
        QCOMPARE(app::state().searchform->Label2->text(), u"RussiaRomaIME"_qs);
        showDialog();
        entry()->clear();
        QTest::keyClick(entry(), Qt::Key_F);
        QCOMPARE(entry()->text(), u"а"_qs); // the direct map already works in the entry
    }

    void contextMenuCommands_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("clipboardAfter");
        QTest::addColumn<int>("caret");
        // The entry holds "ab[cd]ef" before each command.
        QTest::newRow("Cut") << u"Cut1"_qs << u"old"_qs << u"abef"_qs << u"cd"_qs << 2;
        QTest::newRow("Copy") << u"Copy1"_qs << u"old"_qs << u"abcdef"_qs << u"cd"_qs << 4;
        QTest::newRow("Paste drops CR and stops at NUL")
            << u"Past1"_qs << u"x\ry\u0000z"_qs << u"abxyef"_qs << u"x\ry\u0000z"_qs << 4;
        QTest::newRow("Paste Cyrillic") << u"Past1"_qs << u"щи"_qs << u"abщиef"_qs << u"щи"_qs << 4;
        QTest::newRow("Clear") << u"Clear1"_qs << u"old"_qs << QString() << u"old"_qs << 0;
        QTest::newRow("Select All")
            << u"SelectAll1"_qs << u"old"_qs << u"abcdef"_qs << u"old"_qs << 6;
    }
    void contextMenuCommands() {
        QFETCH(QString, item);
        QFETCH(QString, clipboard);
        QFETCH(QString, text);
        QFETCH(QString, clipboardAfter);
        QFETCH(int, caret);
        QGuiApplication::clipboard()->setText(clipboard);
        entry()->setText(u"abcdef"_qs);
        entry()->setSelection(2, 2);
        app::state().searchform->findChild<QAction*>(item)->trigger();
        QCOMPARE(entry()->text(), text);
        QCOMPARE(entry()->cursorPosition(), caret);
        QCOMPARE(QGuiApplication::clipboard()->text(), clipboardAfter);
        QCOMPARE(app::state().TextModified, 0);
    }

    void pasteInTheEntryPrefersTheUnicodeForm() {
        putOnClipboard(u"юг"_qs, QByteArray("yug"), k8BitTextMime);
        app::state().searchform->Past1->trigger();
        QCOMPARE(entry()->text(), u"юг"_qs);
        putOnClipboard(QString(), QByteArray("yug"), k8BitTextMime);
        app::state().searchform->Past1->trigger();
        QCOMPARE(entry()->text(), u"югyug"_qs);
    }

    void hiddenConversionItems_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("text");
        QTest::newRow("type 1: 漢字 -> 한자")
            << u"KanjiJapantoHangulSelectAreaType11"_qs << u"x한자"_qs;
        QTest::newRow("type 2: 漢字 -> 한자")
            << u"KanjiJapantoHangulSelectAreaType21"_qs << u"x한자"_qs;
    }
    void hiddenConversionItems() {
        QFETCH(QString, item);
        QFETCH(QString, text);
        entry()->setText(u"x漢字"_qs);
        entry()->setSelection(1, 2);
        app::state().searchform->findChild<QAction*>(item)->trigger();
        QCOMPARE(entry()->text(), text);
    }

    void win9xCtrlVLocksTheEntry() {
        app::state().IsWin9x = 1;
        showDialog();
        QVERIFY(entry()->hasFocus());
        QGuiApplication::clipboard()->setText(u"п\r"_qs);
        QTest::keyClick(entry(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(entry()->text(), u"п"_qs);
        QVERIFY(entry()->isReadOnly());
        QVERIFY(app::state().searchform->TimerEdit->isActive());
        QTest::keyClick(entry(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(entry(), Qt::Key_A);
        QCOMPARE(entry()->text(), u"п"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!entry()->isReadOnly(), 2000);
        QVERIFY(!app::state().searchform->TimerEdit->isActive());
        QTest::keyClick(entry(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(entry()->text(), u"пп"_qs);
    }
};

QTEST_MAIN(TestFind)
#include "tst_find.moc"
