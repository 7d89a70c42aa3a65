#include "search/find.h"

#include "app/appstate.h"
#include "app/keyinput.h"
#include "app/mainwindow.h"
#include "app/menucommand.h"
#include "app/paste.h"
#include "ime/inputcontext.h"
#include "search/linetarget.h"
#include "tools/kanjihangul.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

Tsearchform::Tsearchform(QWidget* parent) : QDialog(parent) {
    app::state().searchform = this;
    setObjectName(QStringLiteral("searchform"));
    setWindowTitle(QStringLiteral("find (search)"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->setSpacing(4);
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    layout->setMenuBar(MainMenu1);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(Label2);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->clear();
    layout->addWidget(Edit1);
    Button1 = new QPushButton(QStringLiteral("Find"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Return or Enter in the entry presses Find.
    Button1->setDefault(true);
    CheckBox1 = new QCheckBox(QStringLiteral("ignore stress marks"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(false);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(Button1);
    buttonRow->addSpacing(12);
    buttonRow->addWidget(CheckBox1);
    buttonRow->addStretch();
    layout->addLayout(buttonRow);
    Label1 = new QLabel(QStringLiteral("Sorry. auto change to noWrapLine mode."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(Label1);
    layout->addStretch();
    resize(350, 151);

    TimerEdit = new QTimer(this);
    TimerEdit->setObjectName(QStringLiteral("TimerEdit"));
    connect(TimerEdit, &QTimer::timeout, this, &Tsearchform::TimerEditTimer);

    m_editTarget = std::make_unique<LineTarget>(Edit1);
    Edit1->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, &Tsearchform::Button1Click);
    buildMenus();
    FormCreate();
}

Tsearchform::~Tsearchform() {
    if (app::state().searchform == this)
        app::state().searchform = nullptr;
}

void Tsearchform::buildMenus() {
    KoreaRomaIME1 = addCommand(MainMenu1, QStringLiteral("RussiaRomaIME"), "KoreaRomaIME1", this,
                               &Tsearchform::KoreaRomaIME1Click);
    KoreaDirectIME1 = addCommand(MainMenu1, QStringLiteral("RussiaDirectIME"), "KoreaDirectIME1",
                                 this, &Tsearchform::KoreaDirectIME1Click);
    nonIME1 = addCommand(MainMenu1, QStringLiteral("nonIME"), "nonIME1", this,
                         &Tsearchform::nonIME1Click);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Cut1 = addCommand(PopupMenu2, QStringLiteral("Cut"), "Cut1", this, &Tsearchform::Cut1Click);
    Copy1 = addCommand(PopupMenu2, QStringLiteral("Copy"), "Copy1", this, &Tsearchform::Copy1Click);
    Past1 =
        addCommand(PopupMenu2, QStringLiteral("Paste"), "Past1", this, &Tsearchform::Past1Click);
    Clear1 =
        addCommand(PopupMenu2, QStringLiteral("Clear"), "Clear1", this, &Tsearchform::Clear1Click);
    SelectAll1 = addCommand(PopupMenu2, QStringLiteral("Select All"), "SelectAll1", this,
                            &Tsearchform::SelectAll1Click);
    PopupMenu2->addSeparator();
    MenuItem1 = addCommand(PopupMenu2, QStringLiteral("Russia Roma IME"), "MenuItem1", this,
                           &Tsearchform::MenuItem1Click);
    MenuItem2 = addCommand(PopupMenu2, QStringLiteral("Russia Direct IME"), "MenuItem2", this,
                           &Tsearchform::MenuItem2Click);
    MenuItem3 = addCommand(PopupMenu2, QStringLiteral("nonIME"), "MenuItem3", this,
                           &Tsearchform::MenuItem3Click);
    KanjiJapantoHangulSelectAreaType11 =
        addCommand(PopupMenu2, QStringLiteral("Kanji(Japan) to Hangul(SelectArea)Type1"),
                   "KanjiJapantoHangulSelectAreaType11", this,
                   &Tsearchform::KanjiJapantoHangulSelectAreaType11Click);
    KanjiJapantoHangulSelectAreaType21 =
        addCommand(PopupMenu2, QStringLiteral("Kanji(Japan) to Hangul(SelectArea)Type2"),
                   "KanjiJapantoHangulSelectAreaType21", this,
                   &Tsearchform::KanjiJapantoHangulSelectAreaType21Click);
}

bool Tsearchform::ignoresStressMarks() const {
    return CheckBox1->isChecked();
}

void Tsearchform::FormCreate() {
    Edit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Edit1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu2->popup(Edit1->mapToGlobal(pos)); });
    TimerEdit->stop();
    TimerEdit->setInterval(500);
    KanjiJapantoHangulSelectAreaType11->setVisible(false);
    KanjiJapantoHangulSelectAreaType21->setVisible(false);
    Label2->setText(ime::modeName(app::state().ImeMode));
    if (app::state().mainWindow)
        Edit1->setFont(app::state().mainWindow->editorFont());
}

void Tsearchform::Button1Click() {
    app::state().FindRequested = 1;
    hide();
}

void Tsearchform::Edit1KeyPress(int& key) {
    if (key == 10) {
        // Ctrl+Return starts the search; the key itself goes on and, being unmapped, reaches
        // the entry unchanged.
        app::state().FindRequested = 1;
        hide();
    }
    const app::MainWindow* main = app::state().mainWindow;
    const int placement = main ? main->keyboardPlacement() : ime::PlacementJapanese;
    key = app::state().EditInput.keyPress(editTarget(), key, app::state().ImeMode, placement);
}

void Tsearchform::FormShortCut(const QKeyEvent& event) {
    // On the Windows 95 family the entry's own Ctrl+V is replaced by the Unicode paste,
    // followed by a short write lock so that the entry's paste finds nothing to do.
    if (app::shortcutHook(event, app::state().EditInput, editTarget(),
                          Edit1->hasFocus() && !Edit1->isReadOnly())) {
        Edit1->setReadOnly(true);
        TimerEdit->start();
    }
}

void Tsearchform::TimerEditTimer() {
    Edit1->setReadOnly(false);
    TimerEdit->stop();
}

bool Tsearchform::handleEntryKey(QKeyEvent* event) {
    FormShortCut(*event);
    const int original = app::keyCodeFromEvent(*event);
    if (original < 0 || Edit1->isReadOnly())
        return false; // the entry refuses typing itself while it is read-only
    int key = original;
    Edit1KeyPress(key);
    return app::applyKeyResult(editTarget(), original, key);
}

bool Tsearchform::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress)
        return handleEntryKey(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void Tsearchform::keyPressEvent(QKeyEvent* event) {
    // Keys of the entry passed the shortcut hook already; keys of the button did not.
    if (!Edit1->hasFocus())
        FormShortCut(*event);
    QDialog::keyPressEvent(event);
}

void Tsearchform::Cut1Click() {
    LineTarget& target = editTarget();
    QGuiApplication::clipboard()->setText(target.selText());
    target.setSelText(QString());
    target.setSelLength(0);
}

void Tsearchform::Copy1Click() {
    QGuiApplication::clipboard()->setText(editTarget().selText());
}

void Tsearchform::Past1Click() {
    PasteUnicodeText(editTarget());
}

void Tsearchform::Clear1Click() {
    Edit1->clear();
}

void Tsearchform::SelectAll1Click() {
    Edit1->selectAll();
}

void Tsearchform::MenuItem1Click() {
    KoreaRomaIME1Click();
}
void Tsearchform::MenuItem2Click() {
    KoreaDirectIME1Click();
}
void Tsearchform::MenuItem3Click() {
    nonIME1Click();
}

void Tsearchform::KoreaRomaIME1Click() {
    if (app::state().mainWindow)
        app::state().mainWindow->KoreaRomaIME1Click();
    Label2->setText(ime::modeName(app::state().ImeMode));
}

void Tsearchform::KoreaDirectIME1Click() {
    if (app::state().mainWindow)
        app::state().mainWindow->KoreaDirectIME1Click();
    Label2->setText(ime::modeName(app::state().ImeMode));
}

void Tsearchform::nonIME1Click() {
    if (app::state().mainWindow)
        app::state().mainWindow->nonIME1Click();
    Label2->setText(ime::modeName(app::state().ImeMode));
}

void Tsearchform::convertSelection(int type) {
    LineTarget& target = editTarget();
    const QString selected = target.selText();
    if (selected.isEmpty())
        return;
    const std::u16string converted = kanji::ConvertKanjiToHangul(
        std::u16string_view(reinterpret_cast<const char16_t*>(selected.utf16()),
                            static_cast<std::size_t>(selected.size())),
        type);
    target.setSelText(QString::fromStdU16String(converted));
}

void Tsearchform::KanjiJapantoHangulSelectAreaType11Click() {
    convertSelection(1);
}

void Tsearchform::KanjiJapantoHangulSelectAreaType21Click() {
    convertSelection(2);
}

void Tsearchform::showEvent(QShowEvent* event) {
    // Each time it is shown, the dialog stands centred on the main window.
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    QDialog::showEvent(event);
}
