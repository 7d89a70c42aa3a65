// The main window as the user meets it: menus, status bar, input modes and typing.
#include "app/appstate.h"
#include "shell/startup.h"
#include "shell/statusbar.h"
#include "shell/unit1.h"
#include "statefolder.h"
#include "view/memoview.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

// The windows' recovery journals stay in a state folder of this program's own.
static const OwnStateFolder ownStateFolder;

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    static QStringList captions(const QList<QAction*>& actions) {
        QStringList out;
        for (const QAction* action : actions)
            out << (action->isSeparator() ? u"-"_qs : action->text());
        return out;
    }
    static QString editorText() {
        MemoView& target = app::state().Form1->memoTarget();
        const qsizetype start = target.selStart();
        const qsizetype len = target.selLength();
        target.setSelection(0, target.length());
        const QString text = target.selText();
        target.setSelection(start, len);
        return text;
    }
    static QString panel(int index) { return app::state().Form1->StatusBar1->panelText(index); }

private slots:
    void init() {
        app::state().reset();
        createApplicationWindows({u"toviloeditru"_qs});
        app::state().Form1->show();
        app::state().Form1->Memo1->setFocus();
    }
    void cleanup() { destroyApplicationWindows(); }

    void windowsExistUnderTheirNames() {
        QVERIFY(app::state().Form1 && app::state().searchform && app::state().helpform &&
                app::state().copyrightform && app::state().exitform && app::state().russiaskbform);
        QCOMPARE(app::state().Form1->windowTitle(),
                 u"Tovilo Russian Editor Ver 0.81(Built-in Russian IME Romanized/Direct)"_qs);
        QVERIFY(!app::state().accentform && !app::state().accent2form);
    }

    void menusInDisplayOrder() {
        const QStringList top = captions(app::state().Form1->menuBar()->actions());
        QCOMPARE(top, (QStringList{u"file"_qs, u"edit"_qs, u"RussiaRomaIME"_qs,
                                   u"RussiaDirectIME"_qs, u"nonIME"_qs, u"IME"_qs, u"help"_qs}));
        QCOMPARE(captions(app::state().Form1->FILE1->actions()),
                 (QStringList{u"open text file(UTF-8,UTF16,SJIS,EUC)"_qs,
                              u"insert text file(UTF-8,UTF16,SJIS,EUC)"_qs, u"save file(UTF-8)"_qs,
                              u"over write save file(UTF-8)"_qs,
                              u"save Unicode number HTML &&#99;tag(ASCII)"_qs,
                              u"save Unicode number language C 0x*(ASCII)"_qs, u"exit"_qs, u"-"_qs,
                              u"recent files"_qs, u"reopen as"_qs}));
        QCOMPARE(captions(app::state().Form1->reopenas1->actions()),
                 (QStringList{u"Shift_JIS"_qs, u"EUC-JP"_qs, u"UTF-16 LE"_qs, u"UTF-16 BE"_qs,
                              u"UTF-8"_qs, u"Windows-1251"_qs, u"KOI8-R"_qs, u"CP866"_qs}));
        QCOMPARE(
            captions(app::state().Form1->edit1->actions()),
            (QStringList{u"find"_qs, u"find next"_qs, u"Wrap Line on(toggle)"_qs, u"change font"_qs,
                         u"Screen keyboard"_qs, u"Accent PAD"_qs,
                         u"on Japanese OS(Japanese IME)"_qs, u"create Shortcut in Program menu"_qs,
                         u"create Shortcut in Desktop menu"_qs, u"-"_qs, u"Undo"_qs, u"Redo"_qs,
                         u"-"_qs, u"retype as RussiaRoma"_qs, u"retype as RussiaDirect"_qs,
                         u"retype as Latin"_qs, u"-"_qs, u"spell check"_qs}));
        QCOMPARE(
            captions(app::state().Form1->ime1->actions()),
            (QStringList{u"Russian Romanized input built-in IME"_qs,
                         u"Russian Direct input built-in IME"_qs, u"don't use built-in IME"_qs}));
        QCOMPARE(captions(app::state().Form1->help1->actions()),
                 (QStringList{u"keymap"_qs, u"Screen keyboard"_qs, u"Accent PAD"_qs,
                              u"Jump to Official web site"_qs,
                              u"Jump to ToviloGlossa web site(Japanese)"_qs, u"copyright"_qs}));
        QVERIFY(app::state().Form1->JapaneseOSJapaneseIME1->isChecked());
        QVERIFY(app::state().Form1->findChild<QAction*>(u"saveHTML99tagASCII1"_qs));
    }

    void contextMenuHidesTheConversionEntries() {
        QCOMPARE(captions(app::state().Form1->PopupMenu1->actions()),
                 (QStringList{u"Cut"_qs, u"Copy"_qs, u"Paste"_qs, u"Clear"_qs, u"Select All"_qs,
                              u"-"_qs, u"Russia Roma IME"_qs, u"Russia Direct IME"_qs, u"nonIME"_qs,
                              u"Kanji(Japan) to Hangul(SelectArea)Type1"_qs,
                              u"Kanji(Japan) to Hangul(SelectArea)Type2"_qs, u"-"_qs, u"Undo"_qs,
                              u"Redo"_qs, u"-"_qs, u"retype as RussiaRoma"_qs,
                              u"retype as RussiaDirect"_qs, u"retype as Latin"_qs}));
        QVERIFY(!app::state().Form1->KanjiJapantoHangulSelectArea1->isVisible());
        QVERIFY(!app::state().Form1->KanjiJapantoHangulSelectAreaType21->isVisible());
    }

    void statusBarAtStart() {
        QCOMPARE(panel(TStatusBar::ModePanel), u"R"_qs);
        QCOMPARE(panel(TStatusBar::CaretPanel), QString());
        QCOMPARE(panel(TStatusBar::WrapPanel), u"noWrapLine"_qs);
        QCOMPARE(panel(TStatusBar::FilePanel), QString());
        QCOMPARE(app::state().Form1->StatusBar1->panel(0)->width(), 20);
        // The caret and wrap panels grow beyond 100 and 65 pixels where their longest texts
        // (seven-digit lines and columns, "noWrapLine") need it.
        QVERIFY(app::state().Form1->StatusBar1->panel(1)->width() >= 100);
        QVERIFY(app::state().Form1->StatusBar1->panel(2)->width() >= 65);
        QCOMPARE(app::state().ImeMode, 1);
        QVERIFY(app::state().Form1->Label1->text() == u"wait please. Reading now."_qs);
    }

    void modeCommandsSetModeAndPanel_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("RussiaDirectIME") << u"KoreaDirectIME1"_qs << 2 << u"H"_qs;
        QTest::newRow("nonIME") << u"nonIME1"_qs << 0 << QString();
        QTest::newRow("RussiaRomaIME") << u"KoreaRomaIME1"_qs << 1 << u"R"_qs;
        QTest::newRow("IME menu direct") << u"KoreanDirectinput1"_qs << 2 << u"H"_qs;
        QTest::newRow("IME menu none") << u"dontuseIME1"_qs << 0 << QString();
        QTest::newRow("IME menu romanized") << u"KoreanRomanizedinput1"_qs << 1 << u"R"_qs;
        QTest::newRow("context direct") << u"MenuItem8"_qs << 2 << u"H"_qs;
        QTest::newRow("context none") << u"MenuItem9"_qs << 0 << QString();
        QTest::newRow("context romanized") << u"MenuItem7"_qs << 1 << u"R"_qs;
    }
    void modeCommandsSetModeAndPanel() {
        QFETCH(QString, action);
        QFETCH(int, mode);
        QFETCH(QString, text);
        app::state().ImeMode = mode == 1 ? 0 : 1;
        app::state().Form1->findChild<QAction*>(action)->trigger();
        QCOMPARE(app::state().ImeMode, mode);
        QCOMPARE(panel(TStatusBar::ModePanel), text);
    }

    void placementToggleFlipsTheCheckMark() {
        app::state().Form1->JapaneseOSJapaneseIME1->trigger();
        QVERIFY(!app::state().Form1->JapaneseOSJapaneseIME1->isChecked());
        QCOMPARE(app::state().Form1->keyboardPlacement(), 1);
        app::state().Form1->JapaneseOSJapaneseIME1Click();
        QVERIFY(app::state().Form1->JapaneseOSJapaneseIME1->isChecked());
        QCOMPARE(app::state().Form1->keyboardPlacement(), 0);
    }

    void directTypingGivesCyrillic() {
        app::state().Form1->KoreaDirectIME1Click();
        QTest::keyClicks(app::state().Form1->Memo1, u"ghbdtn"_qs);
        QCOMPARE(editorText(), u"привет"_qs);
        QCOMPARE(app::state().TextModified, 1);
    }

    void romanizedTypingInTheEditor_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("privet") << u"privet"_qs << u"привет"_qs;
        QTest::newRow("b b -> ъ") << u"bb"_qs << u"ъ"_qs;
        QTest::newRow("b space b -> бб") << u"b b"_qs << u"бб"_qs;
        QTest::newRow("a space space a") << u"a  a"_qs << u"а а"_qs;
        QTest::newRow("z h -> ж") << u"zh"_qs << u"ж"_qs;
        QTest::newRow("i x5 -> и") << u"iiiii"_qs << u"и"_qs;
        QTest::newRow("s space h -> сн") << u"s h"_qs << u"сн"_qs;
        QTest::newRow("digit clears the decision") << u"a1 "_qs << u"а1"_qs;
    }
    void romanizedTypingInTheEditor() {
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        app::state().Form1->KoreaRomaIME1Click();
        QTest::keyClicks(app::state().Form1->Memo1, keys);
        QCOMPARE(editorText(), expected);
    }

    void directPlacementKeys_data() {
        QTest::addColumn<bool>("japanese");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::newRow("[ on Japanese") << true << u"["_qs << u"ъ"_qs;
        QTest::newRow("@ on Japanese") << true << u"@"_qs << u"х"_qs;
        QTest::newRow("[ on US") << false << u"["_qs << u"х"_qs;
        QTest::newRow("] on US") << false << u"]"_qs << u"ъ"_qs;
        QTest::newRow("@ on US passes") << false << u"@"_qs << u"@"_qs;
        QTest::newRow("digits pass") << true << u"12"_qs << u"12"_qs;
    }
    void directPlacementKeys() {
        QFETCH(bool, japanese);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        app::state().Form1->KoreaDirectIME1Click();
        app::state().Form1->JapaneseOSJapaneseIME1->setChecked(japanese);
        QTest::keyClicks(app::state().Form1->Memo1, keys);
        QCOMPARE(editorText(), expected);
    }

    void noImeTypesLatin() {
        app::state().Form1->nonIME1Click();
        QTest::keyClicks(app::state().Form1->Memo1, u"ghb"_qs);
        QCOMPARE(editorText(), u"ghb"_qs);
    }

    void accentKeyInsertsCombiningAcuteAtOnce_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("romanized") << 1;
        QTest::newRow("direct") << 2;
        QTest::newRow("none") << 0;
    }
    void accentKeyInsertsCombiningAcuteAtOnce() {
        QFETCH(int, mode);
        app::state().ImeMode = mode;
        QTest::keyClicks(app::state().Form1->Memo1, u"a"_qs);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Semicolon, Qt::ControlModifier);
        QCOMPARE(app::state().MemoInput.AccentPending, 0);
        QVERIFY(editorText().endsWith(u'\u0301'));
        QCOMPARE(editorText().size(), 2);
    }

    void armedAccentReplacesTheNextKey() {
        app::state().Form1->nonIME1Click();
        app::state().MemoInput.AccentPending = 1;
        QTest::keyClicks(app::state().Form1->Memo1, u"x"_qs);
        QCOMPARE(editorText(), u"\u0301"_qs);
        QCOMPARE(app::state().MemoInput.AccentPending, 0);
    }

    void caretPanelFollowsKeysAndClicks() {
        app::state().Form1->nonIME1Click();
        QTest::keyClicks(app::state().Form1->Memo1, u"ab"_qs);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Return);
        QTest::keyClicks(app::state().Form1->Memo1, u"xyz"_qs);
        QCOMPARE(panel(TStatusBar::CaretPanel), u"Line:2  Col:4"_qs);
        QCOMPARE(editorText(), u"ab\r\nxyz"_qs);
        app::state().Form1->memoTarget().setSelStart(0);
        QCOMPARE(panel(TStatusBar::CaretPanel), u"Line:2  Col:4"_qs); // commands leave it
        QTest::mouseClick(app::state().Form1->Memo1->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(panel(TStatusBar::CaretPanel), u"Line:1  Col:1"_qs);
    }

    void shiftReturnStartsANewLine() {
        app::state().Form1->nonIME1Click();
        QTest::keyClicks(app::state().Form1->Memo1, u"a"_qs);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(editorText(), u"a\r\n\r\n"_qs);
    }

    void textAboveAsciiReachesTheControl() {
        app::state().Form1->KoreaDirectIME1Click();
        QTest::sendKeyEvent(QTest::Click, app::state().Form1->Memo1, Qt::Key_unknown, u"é"_qs,
                            Qt::NoModifier);
        QCOMPARE(editorText(), u"é"_qs);
    }

    void wrapToggleKeepsCaptionAndPanel() {
        app::state().Form1->Wrapofftoggle1Click();
        QVERIFY(app::state().Form1->wordWrap());
        QCOMPARE(app::state().Form1->Wrapofftoggle1->text(), u"Wrap Line off(toggle)"_qs);
        QCOMPARE(panel(TStatusBar::WrapPanel), u"WrapLine"_qs);
        app::state().Form1->Wrapofftoggle1Click();
        QVERIFY(!app::state().Form1->wordWrap());
        QCOMPARE(app::state().Form1->Wrapofftoggle1->text(), u"Wrap Line on(toggle)"_qs);
        QCOMPARE(panel(TStatusBar::WrapPanel), u"noWrapLine"_qs);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
