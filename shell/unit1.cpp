#include "shell/unit1.h"

#include "app/appstate.h"
#include "app/memoryguard.h"
#include "app/menucommand.h"
#include "app/modal.h"
#include "app/screenfit.h"
#include "document/document.h"
#include "encoding/readings.h"
#include "shell/diskwatch.h"
#include "shell/localname.h"
#include "shell/menubarmarks.h"
#include "shell/recoveryjournal.h"
#include "shell/spellmarks.h"
#include "shell/statusbar.h"
#include "view/memoview.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#ifdef Q_OS_WIN
#include <QOperatingSystemVersion>
#endif

namespace {

QString programFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(u'/') && !dir.endsWith(u'\\'))
        dir += u'/';
    return dir;
}

} // namespace

TForm1::TForm1(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), m_document(std::make_unique<doc::Document>()), m_arguments(arguments) {
    bindDocumentState();
    app::state().Form1 = this;
    app::state().mainWindow = this;
    app::state().ProgramDir = programFolder();

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(
        QStringLiteral("Tovilo Russian Editor Ver 0.81(Built-in Russian IME Romanized/Direct)"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    Label1 = new QLabel(QStringLiteral("wait please. Reading now."), central);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(158, 118, 168, 16);
    QFont labelFont(QStringLiteral("MS UI Gothic"));
    labelFont.setPixelSize(16);
    Label1->setFont(labelFont);
    m_readProgress = new QLabel(central);
    m_readProgress->setObjectName(QStringLiteral("readProgress"));
    m_readProgress->setGeometry(330, 118, 60, 16);
    m_readProgress->setFont(labelFont);
    m_readProgress->hide();
    Memo1 = new MemoView(m_document->buffer(), central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont memoFont;
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma")))
        memoFont.setFamily(QStringLiteral("Tahoma"));
    memoFont.setPixelSize(19);
    Memo1->setFont(memoFont);
    layout->addWidget(Memo1);
    Label1->lower();
    setCentralWidget(central);
    m_diskWatch = new DiskWatch(*m_document, this);
    connect(m_diskWatch, &DiskWatch::changedOnDisk, this,
            [this] { app::guardMemory([this] { fileChangedOnDisk(); }); });

    Memo1->onKeyPress = [this](QKeyEvent* event) { return handleEditorKey(event); };
    Memo1->onKeyRelease = [this](QKeyEvent*) { Memo1KeyUp(); };
    Memo1->onClick = [this] { Memo1Click(); };
    // Files dropped on the editor or anywhere else on the window are opened.
    Memo1->onPaste = [this] { MenuItem3Click(); };
    // An edit of a key, a click or a drop that runs out of memory is refused with a message.
    Memo1->onOutOfMemory = &app::showNotEnoughMemory;
    Memo1->onDropFiles = [this](const QList<QUrl>& files) { openDroppedFiles(files); };
    setAcceptDrops(true);

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);

    TimerMemo = new QTimer(this);
    TimerMemo->setObjectName(QStringLiteral("TimerMemo"));
    TimerMemo->setInterval(500);
    connect(TimerMemo, &QTimer::timeout, this, &TForm1::TimerMemoTimer);

    buildMenus();
    buildPopupMenu();
    buildAddedCommands();
    buildSpellCheck();
    resize(534, 355);
    move(128, 175);

    FormCreate();
}

TForm1::~TForm1() {
    // The window goes only after it was closed, its text saved or given up by the user.
    if (m_journal)
        m_journal->dropped();
    if (app::state().Form1 == this) {
        app::state().Form1 = nullptr;
        app::state().mainWindow = nullptr;
    }
    app::state().TextModified.unbind();
    app::state().RememberedFileName.unbind();
    // The view and what watches it go before the document whose buffer they show.
    delete m_spell;
    m_spell = nullptr;
    delete takeCentralWidget();
    Memo1 = nullptr;
}

void TForm1::bindDocumentState() {
    // What the state held before the window (a test's set-up) becomes the document's.
    app::AppValues& state = app::state();
    if (const QString name = state.RememberedFileName; !name.isEmpty())
        m_document->setFileName(toLocalName(name));
    m_document->setModified(state.TextModified == 1);
    doc::Document& document = *m_document;
    state.TextModified.bind([&document] { return document.modified() ? 1 : 0; },
                            [&document](const int& value) { document.setModified(value != 0); });
    state.RememberedFileName.bind([&document] { return fromLocalName(document.file().name); },
                                  [&document](const QString& name) {
                                      if (toLocalName(name) != document.file().name)
                                          document.setFileName(toLocalName(name));
                                  });
}

bool TForm1::readInProgress() const {
    return m_document->reading();
}

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    FILE1 = bar->addMenu(QStringLiteral("file"));
    FILE1->setObjectName(QStringLiteral("FILE1"));
    opentextfile1 = addCommand(FILE1, QStringLiteral("open text file(UTF-8,UTF16,SJIS,EUC)"),
                               "opentextfile1", this, &TForm1::opentextfile1Click);
    inserttextfile1 = addCommand(FILE1, QStringLiteral("insert text file(UTF-8,UTF16,SJIS,EUC)"),
                                 "inserttextfile1", this, &TForm1::inserttextfile1Click);
    savefile1 = addCommand(FILE1, QStringLiteral("save file(UTF-8)"), "savefile1", this,
                           &TForm1::savefile1Click);
    overwritesavefileUTF81 =
        addCommand(FILE1, QStringLiteral("over write save file(UTF-8)"), "overwritesavefileUTF81",
                   this, &TForm1::overwritesavefileUTF81Click);
    saveHTML99tagASCII1 =
        addCommand(FILE1, QStringLiteral("save Unicode number HTML &&#99;tag(ASCII)"),
                   "saveHTML99tagASCII1", this, &TForm1::saveHTML99tagASCII1Click);
    saveUnicodenumberlanguageC0x1 = addCommand(
        FILE1, QStringLiteral("save Unicode number language C 0x*(ASCII)"),
        "saveUnicodenumberlanguageC0x1", this, &TForm1::saveUnicodenumberlanguageC0x1Click);
    exit1 = addCommand(FILE1, QStringLiteral("exit"), "exit1", this, &TForm1::exit1Click);

    edit1 = bar->addMenu(QStringLiteral("edit"));
    edit1->setObjectName(QStringLiteral("edit1"));
    find1 = addCommand(edit1, QStringLiteral("find"), "find1", this, &TForm1::find1Click);
    Wrapofftoggle1 = addCommand(edit1, QStringLiteral("Wrap Line on(toggle)"), "Wrapofftoggle1",
                                this, &TForm1::Wrapofftoggle1Click);
    changefont1 = addCommand(edit1, QStringLiteral("change font"), "changefont1", this,
                             &TForm1::changefont1Click);
    Screenkeyboard2 = addCommand(edit1, QStringLiteral("Screen keyboard"), "Screenkeyboard2", this,
                                 &TForm1::Screenkeyboard2Click);
    AccentPAD2 = addCommand(edit1, QStringLiteral("Accent PAD"), "AccentPAD2", this,
                            &TForm1::AccentPAD2Click);
    JapaneseOSJapaneseIME1 = new QAction(QStringLiteral("on Japanese OS(Japanese IME)"), edit1);
    JapaneseOSJapaneseIME1->setObjectName(QStringLiteral("JapaneseOSJapaneseIME1"));
    JapaneseOSJapaneseIME1->setCheckable(true);
    JapaneseOSJapaneseIME1->setChecked(true);
    connect(JapaneseOSJapaneseIME1, &QAction::triggered, this, [this] {
        // The menu has flipped the mark already; the handler is the one that flips it.
        JapaneseOSJapaneseIME1->setChecked(!JapaneseOSJapaneseIME1->isChecked());
        JapaneseOSJapaneseIME1Click();
    });
    edit1->addAction(JapaneseOSJapaneseIME1);
    createShortcutinprogrammenu1 = addCommand(
        edit1, QStringLiteral("create Shortcut in Program menu"), "createShortcutinprogrammenu1",
        this, &TForm1::createShortcutinprogrammenu1Click);
    createshortcutinDesktopmenu1 = addCommand(
        edit1, QStringLiteral("create Shortcut in Desktop menu"), "createshortcutinDesktopmenu1",
        this, &TForm1::createshortcutinDesktopmenu1Click);

    KoreaRomaIME1 = addCommand(bar, QStringLiteral("RussiaRomaIME"), "KoreaRomaIME1", this,
                               &TForm1::KoreaRomaIME1Click);
    KoreaDirectIME1 = addCommand(bar, QStringLiteral("RussiaDirectIME"), "KoreaDirectIME1", this,
                                 &TForm1::KoreaDirectIME1Click);
    nonIME1 = addCommand(bar, QStringLiteral("nonIME"), "nonIME1", this, &TForm1::nonIME1Click);

    ime1 = bar->addMenu(QStringLiteral("IME"));
    ime1->setObjectName(QStringLiteral("ime1"));
    KoreanRomanizedinput1 =
        addCommand(ime1, QStringLiteral("Russian Romanized input built-in IME"),
                   "KoreanRomanizedinput1", this, &TForm1::KoreanRomanizedinput1Click);
    KoreanDirectinput1 = addCommand(ime1, QStringLiteral("Russian Direct input built-in IME"),
                                    "KoreanDirectinput1", this, &TForm1::KoreanDirectinput1Click);
    dontuseIME1 = addCommand(ime1, QStringLiteral("don't use built-in IME"), "dontuseIME1", this,
                             &TForm1::dontuseIME1Click);

    help1 = bar->addMenu(QStringLiteral("help"));
    help1->setObjectName(QStringLiteral("help1"));
    keymap1 = addCommand(help1, QStringLiteral("keymap"), "keymap1", this, &TForm1::keymap1Click);
    Screenkeyboard1 = addCommand(help1, QStringLiteral("Screen keyboard"), "Screenkeyboard1", this,
                                 &TForm1::Screenkeyboard1Click);
    AccentPAD1 = addCommand(help1, QStringLiteral("Accent PAD"), "AccentPAD1", this,
                            &TForm1::AccentPAD1Click);
    Jumptoofficialwebsite1 =
        addCommand(help1, QStringLiteral("Jump to Official web site"), "Jumptoofficialwebsite1",
                   this, &TForm1::Jumptoofficialwebsite1Click);
    JumptoToviloGlossawebsite1 =
        addCommand(help1, QStringLiteral("Jump to ToviloGlossa web site(Japanese)"),
                   "JumptoToviloGlossawebsite1", this, &TForm1::JumptoToviloGlossawebsite1Click);
    copyright1 = addCommand(help1, QStringLiteral("copyright"), "copyright1", this,
                            &TForm1::copyright1Click);
}

void TForm1::buildPopupMenu() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    MenuItem1 =
        addCommand(PopupMenu1, QStringLiteral("Cut"), "MenuItem1", this, &TForm1::MenuItem1Click);
    MenuItem2 =
        addCommand(PopupMenu1, QStringLiteral("Copy"), "MenuItem2", this, &TForm1::MenuItem2Click);
    MenuItem3 =
        addCommand(PopupMenu1, QStringLiteral("Paste"), "MenuItem3", this, &TForm1::MenuItem3Click);
    MenuItem4 =
        addCommand(PopupMenu1, QStringLiteral("Clear"), "MenuItem4", this, &TForm1::MenuItem4Click);
    MenuItem5 = addCommand(PopupMenu1, QStringLiteral("Select All"), "MenuItem5", this,
                           &TForm1::MenuItem5Click);
    PopupMenu1->addSeparator();
    MenuItem7 = addCommand(PopupMenu1, QStringLiteral("Russia Roma IME"), "MenuItem7", this,
                           &TForm1::MenuItem7Click);
    MenuItem8 = addCommand(PopupMenu1, QStringLiteral("Russia Direct IME"), "MenuItem8", this,
                           &TForm1::MenuItem8Click);
    MenuItem9 = addCommand(PopupMenu1, QStringLiteral("nonIME"), "MenuItem9", this,
                           &TForm1::MenuItem9Click);
    KanjiJapantoHangulSelectArea1 = addCommand(
        PopupMenu1, QStringLiteral("Kanji(Japan) to Hangul(SelectArea)Type1"),
        "KanjiJapantoHangulSelectArea1", this, &TForm1::KanjiJapantoHangulSelectArea1Click);
    KanjiJapantoHangulSelectAreaType21 =
        addCommand(PopupMenu1, QStringLiteral("Kanji(Japan) to Hangul(SelectArea)Type2"),
                   "KanjiJapantoHangulSelectAreaType21", this,
                   &TForm1::KanjiJapantoHangulSelectAreaType21Click);
}

void TForm1::FormCreate() {
    // 1. The Windows family flags; other systems have neither family. The program needs an NT
    // system to run at all, so the 95 family flag stays 0 there too.
#ifdef Q_OS_WIN
    const QOperatingSystemVersion os = QOperatingSystemVersion::current();
    app::state().IsVistaOrLater = os.majorVersion() >= 6 ? 1 : 0;
#endif
    // 2. The conversion entries are never offered.
    KanjiJapantoHangulSelectArea1->setVisible(false);
    KanjiJapantoHangulSelectAreaType21->setVisible(false);
    // 3. The context menu of the editor.
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        showSpellItems(pos);
        PopupMenu1->popup(Memo1->mapToGlobal(pos));
    });
    // 4.
    TimerMemo->stop();
    TimerMemo->setInterval(500);
    // 5. and 6.
    Memo1->clear();
    StatusBar1->setPanelText(TStatusBar::ModePanel, QStringLiteral("R"));
    memoTarget().setSelection(0, 0);
    // From here on every change of the (now empty) text marks it modified.
    startEditJournal();
    // 7. Wrap off, breaking anywhere at the control's width once switched on.
    Memo1->setWordWrapMode(QTextOption::WrapAnywhere);
    setWordWrapShown(false);
    // 8. to 10.
    readSettingsFile();
    showModeChecks();
    clampGeometry();
    move(app::state().WindowLeft, app::state().WindowTop);
    resize(app::state().WindowWidth, app::state().WindowHeight);
    // 11.
    readFontFile();
    // What a killed editor left is offered before anything else is opened.
    const std::optional<QString> recovered = offerRecovery();
    // 12. A file named on the command line is opened without a dialog, unless its recovered
    // text is already in the editor.
    if (m_arguments.size() >= 2 && !(recovered && *recovered == m_arguments.value(1))) {
        app::state().OpenFromCommandLine = 1;
        opentextfile1Click();
    }
}

void TForm1::buildAddedCommands() {
    // Undo and Redo follow the designed items of the edit menu and of the context menu.
    Undo1 = new QAction(QStringLiteral("Undo"), this);
    Undo1->setObjectName(QStringLiteral("Undo1"));
    connect(Undo1, &QAction::triggered, this,
            [this] { app::guardMemory([this] { Undo1Click(); }); });
    Redo1 = new QAction(QStringLiteral("Redo"), this);
    Redo1->setObjectName(QStringLiteral("Redo1"));
    connect(Redo1, &QAction::triggered, this,
            [this] { app::guardMemory([this] { Redo1Click(); }); });
    edit1->addSeparator();
    edit1->addAction(Undo1);
    edit1->addAction(Redo1);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Undo1);
    PopupMenu1->addAction(Redo1);

    // "find next" follows "find" and is usable whenever "find" is.
    findnext1 = new QAction(QStringLiteral("find next"), this);
    findnext1->setObjectName(QStringLiteral("findnext1"));
    connect(findnext1, &QAction::triggered, this, &TForm1::findnext1Click);
    const QList<QAction*> editItems = edit1->actions();
    edit1->insertAction(editItems.value(editItems.indexOf(find1) + 1), findnext1);
    connect(find1, &QAction::enabledChanged, findnext1, &QAction::setEnabled);

    // Retyping the selection ends the edit menu and the context menu; the items are usable
    // while something is selected.
    retypeasRussiaRoma1 = new QAction(QStringLiteral("retype as RussiaRoma"), this);
    retypeasRussiaRoma1->setObjectName(QStringLiteral("retypeasRussiaRoma1"));
    connect(retypeasRussiaRoma1, &QAction::triggered, this,
            [this] { app::guardMemory([this] { retypeasRussiaRoma1Click(); }); });
    retypeasRussiaDirect1 = new QAction(QStringLiteral("retype as RussiaDirect"), this);
    retypeasRussiaDirect1->setObjectName(QStringLiteral("retypeasRussiaDirect1"));
    connect(retypeasRussiaDirect1, &QAction::triggered, this,
            [this] { app::guardMemory([this] { retypeasRussiaDirect1Click(); }); });
    retypeasLatin1 = new QAction(QStringLiteral("retype as Latin"), this);
    retypeasLatin1->setObjectName(QStringLiteral("retypeasLatin1"));
    connect(retypeasLatin1, &QAction::triggered, this,
            [this] { app::guardMemory([this] { retypeasLatin1Click(); }); });
    for (QMenu* menu : {edit1, PopupMenu1}) {
        menu->addSeparator();
        menu->addAction(retypeasRussiaRoma1);
        menu->addAction(retypeasRussiaDirect1);
        menu->addAction(retypeasLatin1);
        connect(menu, &QMenu::aboutToShow, this, [this] {
            const bool selected = Memo1->selLength() > 0;
            for (QAction* item : {retypeasRussiaRoma1, retypeasRussiaDirect1, retypeasLatin1})
                item->setEnabled(selected);
        });
    }

    // The recent files and "reopen as" submenus end the file menu; both are filled in
    // unit1_recent.cpp.
    FILE1->addSeparator();
    recentfiles1 = FILE1->addMenu(QStringLiteral("recent files"));
    recentfiles1->setObjectName(QStringLiteral("recentfiles1"));
    recentfiles1->setToolTipsVisible(true); // the whole name of an entry shown shortened
    reopenas1 = FILE1->addMenu(QStringLiteral("reopen as"));
    reopenas1->setObjectName(QStringLiteral("reopenas1"));
    for (int choice = 0; choice < enc::kReadingCount; ++choice) {
        QAction* item =
            reopenas1->addAction(QLatin1String(enc::ReadingCaption(enc::Reading(choice))));
        item->setObjectName(QStringLiteral("reopenas%1").arg(choice));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this,
                [this, choice] { app::guardMemory([&] { reopenAs(choice); }); });
    }
    connect(FILE1, &QMenu::aboutToShow, this, [this] {
        refreshRecentMenu();
        reopenas1->menuAction()->setEnabled(!app::state().RememberedFileName.isEmpty());
    });
    refreshRecentMenu();
    reopenas1->menuAction()->setEnabled(false);

    // The mode items carry a check mark on the active mode; the menu bar draws it itself.
    for (QAction* item : {KoreaRomaIME1, KoreaDirectIME1, nonIME1, KoreanRomanizedinput1,
                          KoreanDirectinput1, dontuseIME1, MenuItem7, MenuItem8, MenuItem9})
        item->setCheckable(true);
    new MenuBarMarks(menuBar());
    showModeChecks();

    // Shortcuts of the usual desktop commands. They belong to the editor, so they act while it
    // has the focus, whatever the input mode, and rest while it is disabled (the find command
    // disables it while its dialog is up). Ctrl+; (the accent) and Ctrl+V (the control's own
    // paste) stay untouched.
    const struct {
        QAction* action;
        QList<QKeySequence> keys;
    } shortcuts[] = {
        {opentextfile1, {QKeySequence(Qt::CTRL | Qt::Key_O)}},
        {overwritesavefileUTF81, {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        {savefile1, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}},
        {find1, {QKeySequence(Qt::CTRL | Qt::Key_F)}},
        {findnext1, {QKeySequence(Qt::Key_F3)}},
        {exit1, {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
        {Undo1, {QKeySequence(Qt::CTRL | Qt::Key_Z)}},
        {Redo1,
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}},
        {MenuItem5, {QKeySequence(Qt::CTRL | Qt::Key_A)}},
    };
    for (const auto& entry : shortcuts) {
        entry.action->setShortcuts(entry.keys);
        entry.action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        Memo1->addAction(entry.action);
    }
    // The editor leaves the chords of these actions to them (Ctrl+A, Ctrl+Z, ...), so each key
    // runs its one command.
    // Every command of the window ends a run of typing: the next key starts a new undo step.
    for (QAction* action : findChildren<QAction*>())
        connect(action, &QAction::triggered, Memo1, &MemoView::endTypingRun);
}

void TForm1::showModeChecks() {
    const struct {
        int mode;
        QAction* items[3];
    } groups[] = {{1, {KoreaRomaIME1, KoreanRomanizedinput1, MenuItem7}},
                  {2, {KoreaDirectIME1, KoreanDirectinput1, MenuItem8}},
                  {0, {nonIME1, dontuseIME1, MenuItem9}}};
    for (const auto& group : groups)
        for (QAction* item : group.items)
            item->setChecked(app::state().ImeMode == group.mode);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_fittedToScreen)
        return;
    m_fittedToScreen = true;
    screenfit::fitIntoScreen(*this);
    // A window manager adds its frame after the window is mapped; fit again once it has.
    QTimer::singleShot(0, this, [this] { screenfit::fitIntoScreen(*this); });
}

void TForm1::clampGeometry() {
    if (app::state().WindowTop < 0 || app::state().WindowTop > 700)
        app::state().WindowTop = 0;
    if (app::state().WindowLeft < 0 || app::state().WindowLeft > 1000)
        app::state().WindowLeft = 0;
    if (app::state().WindowWidth < 100)
        app::state().WindowWidth = 100;
    if (app::state().WindowWidth > 2000)
        app::state().WindowWidth = 1024;
    if (app::state().WindowHeight < 100)
        app::state().WindowHeight = 100;
    if (app::state().WindowHeight > 3000)
        app::state().WindowHeight = 700;
}

int TForm1::AskYesNo(const QString& text, const QString& caption, const QString& detail) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Yes | QMessageBox::No,
                    app::state().Form1);
    box.setDefaultButton(QMessageBox::Yes);
    box.setInformativeText(detail);
    const int answer = modal::run(box);
    return answer == QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::No;
}

void TForm1::ShowError(const QString& text, const QString& caption, const QString& detail) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, app::state().Form1);
    box.setDefaultButton(QMessageBox::Ok);
    box.setInformativeText(detail);
    modal::run(box);
}

namespace {

QFileDialog* makeFileDialog(QWidget* parent, const QString& title, QFileDialog::AcceptMode mode) {
    auto* dialog = new QFileDialog(parent, title);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    return dialog;
}

} // namespace

QFileDialog& TForm1::OpenDialog1() {
    if (!m_openDialog)
        m_openDialog = makeFileDialog(this, QString::fromUtf8("開く"), QFileDialog::AcceptOpen);
    m_openDialog->setOption(QFileDialog::DontUseNativeDialog, modal::answeredByResponder());
    return *m_openDialog;
}

QFileDialog& TForm1::SaveDialog1() {
    if (!m_saveDialog1)
        m_saveDialog1 =
            makeFileDialog(this, QString::fromUtf8("名前を付けて保存"), QFileDialog::AcceptSave);
    m_saveDialog1->setOption(QFileDialog::DontUseNativeDialog, modal::answeredByResponder());
    return *m_saveDialog1;
}

QFileDialog& TForm1::SaveDialog2() {
    if (!m_saveDialog2)
        m_saveDialog2 =
            makeFileDialog(this, QString::fromUtf8("名前を付けて保存"), QFileDialog::AcceptSave);
    m_saveDialog2->setOption(QFileDialog::DontUseNativeDialog, modal::answeredByResponder());
    return *m_saveDialog2;
}

QFontDialog& TForm1::FontDialog1() {
    if (!m_fontDialog)
        m_fontDialog = new QFontDialog(this);
    m_fontDialog->setOption(QFontDialog::DontUseNativeDialog, modal::answeredByResponder());
    return *m_fontDialog;
}
