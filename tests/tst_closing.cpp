// Closing the editor: the exit command, the close box, the exit window, the rule that marks the
// text as modified, and the font and wrap commands, all through the real windows.
#include "search/find.h"
#include "shell/statusbar.h"
#include "tools/accent.h"
#include "view/memoview.h"
#include "windowrun.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <memory>

class TstClosing : public QObject {
    Q_OBJECT
private slots:
    void init() { m_runner = std::make_unique<WindowRun>(); }
    void cleanup() { m_runner.reset(); }

    void exitWindowLayout_data();
    void exitWindowLayout();
    void decisionTable_data();
    void decisionTable();
    void cancelThenExitAgainShowsTheExitWindowAgain();
    void closeAfterSaveAsksNothing();
    void accentPadIsFreedAtClose();
    void editedWithoutTypingIsNotLostAtClose_data();
    void editedWithoutTypingIsNotLostAtClose();

    void textModifiedRule_data();
    void textModifiedRule();
    void openingAFileClearsTheFlag_data();
    void openingAFileClearsTheFlag();

    void fontCommandChangesEditorAndFindEntry();
    void cancelledFontDialogWritesNothing();
    void wrapToggleKeepsCaptionAndPanelInStep();

private:
    // Shows a fresh main window with plain typing (no input method) and one typed letter when
    // `typed` is set.
    void startShown(bool typed) {
        m_run().start();
        app::state().Form1->nonIME1Click();
        app::state().Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(app::state().Form1));
        if (typed) {
            QTest::keyClicks(app::state().Form1->Memo1, QStringLiteral("x"));
            QCOMPARE(app::state().TextModified, 1);
        }
    }

    std::unique_ptr<WindowRun> m_runner;
    WindowRun& m_run() { return *m_runner; }
};

void TstClosing::exitWindowLayout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("choice");

    QTest::newRow("Button1 Save & Exit") << "Button1"
                                         << "Save & Exit" << QRect(12, 32, 101, 25) << 1;
    QTest::newRow("Button2 No Save & Exit") << "Button2"
                                            << "No Save & Exit" << QRect(128, 32, 149, 25) << 2;
    QTest::newRow("Button3 Cancel") << "Button3"
                                    << "Cancel" << QRect(292, 32, 85, 25) << 0;
}

void TstClosing::exitWindowLayout() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(int, choice);

    m_run().start();
    QCOMPARE(app::state().exitform->windowTitle(), QStringLiteral("Confirm"));
    QCOMPARE(app::state().exitform->size(), QSize(402, 94));
    auto* button = app::state().exitform->findChild<QPushButton*>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->geometry(), geometry);

    // Tab order: Button1, Button2, Button3.
    QCOMPARE(app::state().exitform->Button1->nextInFocusChain(), app::state().exitform->Button2);
    QCOMPARE(app::state().exitform->Button2->nextInFocusChain(), app::state().exitform->Button3);

    app::state().ExitChoice = 7;
    modal::setResponder([button](QDialog&) { button->click(); });
    modal::run(*app::state().exitform);
    QCOMPARE(app::state().ExitChoice, choice);
    QVERIFY(!app::state().exitform->isVisible());
}

// Routes: "menu" is the exit command, "close box" the window's own close. Steps answer the
// questions in turn. "remembered" opens nothing but sets the remembered name to a file in the
// temporary folder, so a save writes there without a dialog; "unwritable" remembers a name in
// a folder that does not exist.
void TstClosing::decisionTable_data() {
    QTest::addColumn<QString>("route");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("textSaved");
    QTest::addColumn<bool>("runEnds");

    const QString remembered = QStringLiteral("remembered");
    const QString none;
    const QString saveDialogFile = QStringLiteral("save:picked.txt");
    const QString saveFile = QStringLiteral("Save file?");

    QTest::newRow("exit, typed, Save & Exit, remembered file: saved without a dialog")
        << "menu" << true << remembered << QStringList{"Save & Exit"} << QStringList{"exit window"}
        << true << true;
    QTest::newRow("exit, typed, Save & Exit, new text: saved through the dialog")
        << "menu" << true << none << QStringList{"Save & Exit", saveDialogFile}
        << QStringList{"exit window", "file dialog"} << true << true;
    QTest::newRow("exit, typed, Save & Exit, save dialog cancelled: stays open")
        << "menu" << true << none << QStringList{"Save & Exit", "cancel"}
        << QStringList{"exit window", "file dialog"} << false << false;
    QTest::newRow("exit, typed, Save & Exit, file cannot be written: stays open")
        << "menu" << true << "unwritable" << QStringList{"Save & Exit", "OK"}
        << QStringList{"exit window", "can't file open"} << false << false;
    QTest::newRow("exit, typed, No Save & Exit")
        << "menu" << true << remembered << QStringList{"No Save & Exit"}
        << QStringList{"exit window"} << false << true;
    QTest::newRow("exit, typed, Cancel") << "menu" << true << remembered << QStringList{"Cancel"}
                                         << QStringList{"exit window"} << false << false;
    QTest::newRow("exit, typed, exit window's close box")
        << "menu" << true << remembered << QStringList{"close box"} << QStringList{"exit window"}
        << false << false;
    QTest::newRow("exit, untouched, Yes to Exit OK?")
        << "menu" << false << remembered << QStringList{"Yes"} << QStringList{"Exit OK?"} << false
        << true;
    QTest::newRow("exit, untouched, No to Exit OK?")
        << "menu" << false << remembered << QStringList{"No"} << QStringList{"Exit OK?"} << false
        << false;
    QTest::newRow("close box, typed, Yes, remembered file: saved without a dialog")
        << "close box" << true << remembered << QStringList{"Yes"} << QStringList{saveFile} << true
        << true;
    QTest::newRow("close box, typed, Yes, new text: saved through the dialog")
        << "close box" << true << none << QStringList{"Yes", saveDialogFile}
        << QStringList{saveFile, "file dialog"} << true << true;
    QTest::newRow("close box, typed, Yes, save dialog cancelled: stays open")
        << "close box" << true << none << QStringList{"Yes", "cancel"}
        << QStringList{saveFile, "file dialog"} << false << false;
    QTest::newRow("close box, typed, Yes, file cannot be written: stays open")
        << "close box" << true << "unwritable" << QStringList{"Yes", "OK"}
        << QStringList{saveFile, "can't file open"} << false << false;
    QTest::newRow("close box, typed, No") << "close box" << true << remembered << QStringList{"No"}
                                          << QStringList{saveFile} << false << true;
    QTest::newRow("close box, untouched: no question")
        << "close box" << false << remembered << QStringList{} << QStringList{} << false << true;
}

void TstClosing::decisionTable() {
    QFETCH(QString, route);
    QFETCH(bool, typed);
    QFETCH(QString, remembered);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, questions);
    QFETCH(bool, textSaved);
    QFETCH(bool, runEnds);

    startShown(typed);
    const QString rememberedPath = m_run().path(QStringLiteral("remembered.txt"));
    const QString pickedPath = m_run().path(QStringLiteral("picked.txt"));
    if (remembered == QLatin1String("remembered"))
        app::state().RememberedFileName = rememberedPath;
    else if (remembered == QLatin1String("unwritable"))
        app::state().RememberedFileName =
            m_run().path(QStringLiteral("no such folder/remembered.txt"));
    for (QString& step : steps)
        if (step.startsWith(QLatin1String("save:")))
            step = QStringLiteral("save:") + m_run().path(step.mid(5));
    app::state().Form1->move(50, 60);
    app::state().Form1->resize(500, 400);

    Answers answers(steps);
    if (route == QLatin1String("menu"))
        app::state().Form1->exit1Click();
    else
        app::state().Form1->close();

    QCOMPARE(answers.seen, questions);
    QCOMPARE(!app::state().Form1->isVisible(), runEnds);
    const bool savedSomewhere = QFile::exists(rememberedPath) || QFile::exists(pickedPath);
    QCOMPARE(savedSomewhere, textSaved);
    if (textSaved) {
        const QString target = QFile::exists(rememberedPath) ? rememberedPath : pickedPath;
        QCOMPARE(QString::fromUtf8(m_run().get(QFileInfo(target).fileName())), QStringLiteral("x"));
    }
    // The settings are written exactly when the run ends.
    QCOMPARE(QFile::exists(m_run().settingsPath()), runEnds);
    if (runEnds)
        QCOMPARE(m_run().get(QString::fromLatin1(settings::kSettingsFileName)),
                 settings::formatSettings({60, 50, 500, 400, 0, false, true}));
    // An editor left open keeps its text and still counts as modified.
    if (!runEnds) {
        QCOMPARE(app::state().Form1->Memo1->toPlainText(), typed ? QStringLiteral("x") : QString());
        QCOMPARE(app::state().TextModified, typed ? 1 : 0);
    } else if (route == QLatin1String("menu") || textSaved) {
        QCOMPARE(app::state().TextModified, 0);
    }
}

void TstClosing::cancelThenExitAgainShowsTheExitWindowAgain() {
    startShown(true);
    Answers answers({"Cancel", "Cancel"});
    app::state().Form1->exit1Click();
    app::state().Form1->exit1Click();
    QCOMPARE(answers.seen, QStringList({"exit window", "exit window"}));
    QVERIFY(app::state().Form1->isVisible());
    QCOMPARE(app::state().TextModified, 1);
}

void TstClosing::closeAfterSaveAsksNothing() {
    startShown(true);
    app::state().RememberedFileName = m_run().path(QStringLiteral("saved.txt"));
    app::state().SaveToRememberedName = 1;
    app::state().Form1->savefile1Click();
    app::state().SaveToRememberedName = 0;
    QCOMPARE(app::state().TextModified, 0);
    Answers answers;
    QVERIFY(app::state().Form1->close());
    QCOMPARE(answers.seen, QStringList());
}

void TstClosing::accentPadIsFreedAtClose() {
    startShown(false);
    app::state().Form1->AccentPAD1Click();
    QCOMPARE(app::state().AccentPadCreated, 1);
    QPointer<QWidget> pad = app::state().accentform;
    QVERIFY(pad);
    QVERIFY(app::state().Form1->close());
    QVERIFY(pad.isNull());
    QCOMPARE(app::state().accentform, nullptr);
    QCOMPARE(app::state().AccentPadCreated, 0);
}

// Text changed by a command rather than by typing still gets the question, and is saved on Yes.
void TstClosing::editedWithoutTypingIsNotLostAtClose_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("saved");

    QTest::newRow("Paste, close box, Yes") << "paste"
                                           << "Yes"
                                           << "abcpasted";
    QTest::newRow("Paste, close box, No") << "paste"
                                          << "No"
                                          << "";
    QTest::newRow("Cut, close box, Yes") << "cut"
                                         << "Yes"
                                         << "bc";
}

void TstClosing::editedWithoutTypingIsNotLostAtClose() {
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(QString, saved);

    startShown(false);
    const QString file = m_run().path(QStringLiteral("kept.txt"));
    app::state().Form1->Memo1->setPlainText(QStringLiteral("abc"));
    app::state().TextModified = 0; // the text as it was loaded
    app::state().RememberedFileName = file;
    if (command == QLatin1String("paste")) {
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        app::state().Form1->memoTarget().setSelStart(app::state().Form1->memoTarget().length());
        app::state().Form1->MenuItem3Click();
    } else {
        app::state().Form1->memoTarget().setSelection(0, 1);
        app::state().Form1->MenuItem1Click();
    }
    Answers answers({answer});
    QVERIFY(app::state().Form1->close());
    QCOMPARE(answers.seen, QStringList{"Save file?"});
    QCOMPARE(QString::fromUtf8(m_run().get(QStringLiteral("kept.txt"))), saved);
}

// Every route by which the user changes the text marks it as modified; commands that only look
// or rearrange the view do not.
void TstClosing::textModifiedRule_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expected");

    QTest::newRow("typing a letter") << "type" << 1;
    QTest::newRow("Cut of a selection") << "cut" << 1;
    QTest::newRow("Paste") << "paste" << 1;
    QTest::newRow("Clear, answered Yes") << "clear" << 1;
    QTest::newRow("Ctrl+Z undo of a change made before a save") << "undo" << 1;
    QTest::newRow("typed, then undone back to the text as loaded") << "type, undo" << 0;
    QTest::newRow("typed, saved, typed, undone back to the saved text")
        << "type, save, type, undo" << 0;
    QTest::newRow("insert text file") << "insert" << 1;
    QTest::newRow("Copy") << "copy" << 0;
    QTest::newRow("Select All") << "select all" << 0;
    QTest::newRow("wrap toggle") << "wrap" << 0;
    QTest::newRow("font change") << "font" << 0;
    QTest::newRow("save") << "save" << 0;
}

void TstClosing::textModifiedRule() {
    QFETCH(QString, action);
    QFETCH(int, expected);

    startShown(false);
    const QString file = m_run().path(QStringLiteral("some.txt"));
    m_run().put(QStringLiteral("some.txt"), "inserted");
    // Text that was there before, as loaded.
    app::state().Form1->Memo1->setPlainText(QStringLiteral("abc"));
    app::state().TextModified = 0;
    app::state().Form1->Memo1->selectAll();
    QCOMPARE(app::state().TextModified, 0);

    QStringList steps;
    if (action == QLatin1String("clear"))
        steps = {"Yes"};
    else if (action == QLatin1String("insert"))
        steps = {"save:" + file};
    Answers answers(steps);
    answers.font = QFont(app::state().Form1->Memo1->font().family());
    answers.font.setPixelSize(25);
    if (action == QLatin1String("type")) {
        QTest::keyClicks(app::state().Form1->Memo1, QStringLiteral("q"));
    } else if (action == QLatin1String("cut")) {
        app::state().Form1->MenuItem1Click();
    } else if (action == QLatin1String("paste")) {
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        app::state().Form1->MenuItem3Click();
    } else if (action == QLatin1String("clear")) {
        app::state().Form1->MenuItem4Click();
    } else if (action == QLatin1String("undo")) {
        QTest::keyClicks(app::state().Form1->Memo1, QStringLiteral("q"));
        app::state().RememberedFileName = file;
        app::state().Form1->overwritesavefileUTF81Click();
        QCOMPARE(app::state().TextModified, 0);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Z, Qt::ControlModifier);
    } else if (action == QLatin1String("type, undo")) {
        QTest::keyClicks(app::state().Form1->Memo1, QStringLiteral("q"));
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Z, Qt::ControlModifier);
    } else if (action == QLatin1String("type, save, type, undo")) {
        QTest::keyClicks(app::state().Form1->Memo1, QStringLiteral("q"));
        app::state().RememberedFileName = file;
        app::state().Form1->overwritesavefileUTF81Click();
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_End);
        QTest::keyClicks(app::state().Form1->Memo1, QStringLiteral("w"));
        QCOMPARE(app::state().TextModified, 1);
        QTest::keyClick(app::state().Form1->Memo1, Qt::Key_Z, Qt::ControlModifier);
    } else if (action == QLatin1String("insert")) {
        app::state().Form1->inserttextfile1Click();
        QVERIFY(app::state().Form1->Memo1->toPlainText().contains(QStringLiteral("inserted")));
    } else if (action == QLatin1String("copy")) {
        app::state().Form1->MenuItem2Click();
    } else if (action == QLatin1String("select all")) {
        app::state().Form1->MenuItem5Click();
    } else if (action == QLatin1String("wrap")) {
        app::state().Form1->Wrapofftoggle1Click();
    } else if (action == QLatin1String("font")) {
        app::state().Form1->changefont1Click();
        QCOMPARE(QFontInfo(app::state().Form1->Memo1->font()).pixelSize(), 25);
    } else if (action == QLatin1String("save")) {
        app::state().TextModified = 1;
        app::state().RememberedFileName = file;
        app::state().Form1->overwritesavefileUTF81Click();
    }
    QCOMPARE(app::state().TextModified, expected);
    // One answer to "is the text modified?": the flag and the text against its last save.
    QCOMPARE(app::state().Form1->Memo1->isModified(), expected == 1);
}

// The opened text equals the file; modified text is offered for saving first.
void TstClosing::openingAFileClearsTheFlag_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<QStringList>("questions");
    QTest::newRow("untouched text") << 0 << QStringList{"file dialog"};
    QTest::newRow("modified text, No to Save file?")
        << 1 << QStringList{"file dialog", "Save file?"};
}

void TstClosing::openingAFileClearsTheFlag() {
    QFETCH(int, before);
    QFETCH(QStringList, questions);
    startShown(false);
    m_run().put(QStringLiteral("open.txt"), "opened text");
    app::state().TextModified = before;
    Answers answers({"save:" + m_run().path(QStringLiteral("open.txt")), "No"});
    app::state().Form1->opentextfile1Click();
    QCOMPARE(answers.seen, questions);
    QCOMPARE(app::state().Form1->Memo1->toPlainText(), QStringLiteral("opened text"));
    QCOMPARE(app::state().TextModified, 0);
}

void TstClosing::fontCommandChangesEditorAndFindEntry() {
    startShown(false);
    Answers answers;
    answers.font = QFont(familyWithBoldItalic());
    answers.font.setPixelSize(27);
    answers.font.setBold(true);
    answers.font.setItalic(true);
    app::state().Form1->changefont1Click();
    QCOMPARE(answers.seen, QStringList{"font dialog"});

    for (QWidget* w : {static_cast<QWidget*>(app::state().Form1->Memo1),
                       static_cast<QWidget*>(app::state().searchform->Edit1)}) {
        QCOMPARE(QFontInfo(w->font()).pixelSize(), 27);
        QVERIFY(w->font().bold());
        QVERIFY(w->font().italic());
    }
    const QByteArray record = m_run().get(QString::fromLatin1(settings::kFontFileName));
    QCOMPARE(record.size(), settings::kFontRecordSize);
    settings::FontFields fields;
    QVERIFY(settings::decodeFontRecord(record, fields));
    QCOMPARE(fields.height, 27);
    QCOMPARE(QString::fromLocal8Bit(fields.name), app::state().Form1->Memo1->font().family());
    QCOMPARE(fields.charSet, 0);
}

void TstClosing::cancelledFontDialogWritesNothing() {
    startShown(false);
    const QFont before = app::state().Form1->Memo1->font();
    Answers answers({"cancel"});
    answers.font = QFont(before.family());
    answers.font.setPixelSize(40);
    app::state().Form1->changefont1Click();
    QCOMPARE(answers.seen, QStringList{"font dialog"});
    QCOMPARE(app::state().Form1->Memo1->font(), before);
    QVERIFY(!QFile::exists(m_run().fontPath()));
}

void TstClosing::wrapToggleKeepsCaptionAndPanelInStep() {
    startShown(false);
    auto shows = [] {
        return QStringList{app::state().Form1->Wrapofftoggle1->text(),
                           app::state().Form1->StatusBar1->panelText(TStatusBar::WrapPanel)};
    };
    QCOMPARE(shows(), QStringList({"Wrap Line on(toggle)", "noWrapLine"}));
    QVERIFY(!app::state().Form1->wordWrap());
    app::state().Form1->Wrapofftoggle1Click();
    QVERIFY(app::state().Form1->wordWrap());
    QVERIFY(app::state().Form1->Memo1->wordWrap());
    QCOMPARE(shows(), QStringList({"Wrap Line off(toggle)", "WrapLine"}));
    app::state().Form1->Wrapofftoggle1Click();
    QVERIFY(!app::state().Form1->wordWrap());
    QCOMPARE(shows(), QStringList({"Wrap Line on(toggle)", "noWrapLine"}));
    QVERIFY(!QFile::exists(m_run().settingsPath()));
}

QTEST_MAIN(TstClosing)
#include "tst_closing.moc"
