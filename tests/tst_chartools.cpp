#include "app/appstate.h"
#include "search/find.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "statefolder.h"
#include "tools/accent.h"
#include "tools/accent2.h"
#include "tools/accentpad.h"
#include "tools/insertchar.h"
#include "tools/picturebox.h"
#include "tools/russiaskb.h"
#include "view/memoview.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The windows' recovery journals stay in a state folder of this program's own.
static const OwnStateFolder ownStateFolder;

namespace {

// The accent pad as laid out by its design: button name, row, column, inserted code point.
struct PadCell {
    const char* name;
    int row;
    int column;
    char16_t code;
};

// clang-format off
const PadCell kDesignCells[] = {
    {"ButtonAc0", 1, 1, 0x00E4},
    {"ButtonIc0", 1, 2, 0x00EF},
    {"ButtonUc0", 1, 3, 0x00FC},
    {"ButtonEc0", 1, 4, 0x00EB},
    {"ButtonOc0", 1, 5, 0x00F6},
    {"ButtonA0", 1, 6, 0x00C4},
    {"ButtonI0", 1, 7, 0x00CF},
    {"ButtonU0", 1, 8, 0x00DC},
    {"ButtonE0", 1, 9, 0x00CB},
    {"ButtonO0", 1, 10, 0x00D6},
    {"ButtonSs", 1, 11, 0x00DF},
    {"ButtonSeimon", 1, 12, 0x0294},
    {"ButtonD3s", 1, 13, 0x02A4},
    {"ButtonEEd", 1, 14, 0x0190},
    {"ButtonAc2", 2, 1, 0x00E1},
    {"ButtonIc2", 2, 2, 0x00ED},
    {"ButtonUc2", 2, 3, 0x00FA},
    {"ButtonEc2", 2, 4, 0x00E9},
    {"ButtonOc2", 2, 5, 0x00F3},
    {"ButtonA2", 2, 6, 0x00C1},
    {"ButtonI2", 2, 7, 0x00CD},
    {"ButtonU2", 2, 8, 0x00DA},
    {"ButtonE2", 2, 9, 0x00C9},
    {"ButtonO2", 2, 10, 0x00D3},
    {"ButtonEEE", 2, 11, 0x025B},
    {"ButtonOu", 2, 12, 0x028A},
    {"ButtonDd", 2, 13, 0x00F0},
    {"ButtonZ3cg", 2, 14, 0x01B9},
    {"ButtonAc4", 3, 1, 0x00E0},
    {"ButtonIc4", 3, 2, 0x00EC},
    {"ButtonUc4", 3, 3, 0x00F9},
    {"ButtonEc4", 3, 4, 0x00E8},
    {"ButtonOc4", 3, 5, 0x00F2},
    {"ButtonA4", 3, 6, 0x00C0},
    {"ButtonI4", 3, 7, 0x00CC},
    {"ButtonU4", 3, 8, 0x00D9},
    {"ButtonE4", 3, 9, 0x00C8},
    {"ButtonO4", 3, 10, 0x00D2},
    {"ButtonEr", 3, 11, 0x0259},
    {"ButtonChou", 3, 12, 0x02D0},
    {"ButtonXs", 3, 13, 0x03C7},
    {"ButtonSt", 3, 14, 0x03B8},
    {"ButtonAc5", 4, 1, 0x00E2},
    {"ButtonIc5", 4, 2, 0x00EE},
    {"ButtonUc5", 4, 3, 0x00FB},
    {"ButtonEc5", 4, 4, 0x00EA},
    {"ButtonOc5", 4, 5, 0x00F4},
    {"ButtonA5", 4, 6, 0x00C2},
    {"ButtonI5", 4, 7, 0x00CE},
    {"ButtonU5", 4, 8, 0x00DB},
    {"ButtonE5", 4, 9, 0x00CA},
    {"ButtonO5", 4, 10, 0x00D4},
    {"ButtonUu", 4, 11, 0x026F},
    {"ButtonWu", 4, 12, 0x02B7},
    {"ButtonYg", 4, 13, 0x028E},
    {"ButtonX301", 4, 14, 0x0301},
    {"ButtonAc1", 5, 1, 0x0101},
    {"ButtonIc1", 5, 2, 0x012B},
    {"ButtonUc1", 5, 3, 0x016B},
    {"ButtonEc1", 5, 4, 0x0113},
    {"ButtonOc1", 5, 5, 0x014D},
    {"ButtonA1", 5, 6, 0x0100},
    {"ButtonI1", 5, 7, 0x012A},
    {"ButtonU1", 5, 8, 0x016A},
    {"ButtonE1", 5, 9, 0x0112},
    {"ButtonO1", 5, 10, 0x014C},
    {"ButtonOo", 5, 11, 0x0254},
    {"ButtonHu", 5, 12, 0x02B0},
    {"ButtonBeta", 5, 13, 0x03B2},
    {"ButtonX300", 5, 14, 0x0300},
    {"ButtonAc3", 6, 1, 0x01CE},
    {"ButtonIc3", 6, 2, 0x01D0},
    {"ButtonUc3", 6, 3, 0x01D4},
    {"ButtonEc3", 6, 4, 0x011B},
    {"ButtonOc3", 6, 5, 0x01D2},
    {"ButtonA3", 6, 6, 0x01CD},
    {"ButtonI3", 6, 7, 0x01CF},
    {"ButtonU3", 6, 8, 0x01D3},
    {"ButtonE3", 6, 9, 0x011A},
    {"ButtonO3", 6, 10, 0x01D1},
    {"ButtonNg", 6, 11, 0x014B},
    {"ButtonTenu", 6, 12, 0x02D1},
    {"ButtonAh", 6, 13, 0x1D27},
    {"ButtonX302", 6, 14, 0x0302},
    {"ButtonAec", 7, 1, 0x00E6},
    {"ButtonOec", 7, 2, 0x0153},
    {"ButtonCdc", 7, 3, 0x00E7},
    {"ButtonAE", 7, 4, 0x00C6},
    {"ButtonOE", 7, 5, 0x0152},
    {"ButtonCd", 7, 6, 0x00C7},
    {"ButtonNnc", 7, 7, 0x00F1},
    {"ButtonNn", 7, 8, 0x00D1},
    {"ButtonHatenag", 7, 9, 0x00BF},
    {"ButtonBikkurig", 7, 10, 0x00A1},
    {"ButtonNy", 7, 11, 0x0272},
    {"ButtonTf", 7, 12, 0x02A7},
    {"ButtonZ33", 7, 13, 0x1D23},
    {"ButtonX30c", 7, 14, 0x030C},
    {"ButtonCc5", 8, 1, 0x0109},
    {"Buttongc5", 8, 2, 0x011D},
    {"ButtonHc5", 8, 3, 0x0125},
    {"ButtonJc5", 8, 4, 0x0135},
    {"ButtonSc5", 8, 5, 0x015D},
    {"ButtonUc6", 8, 6, 0x016D},
    {"ButtonC5", 8, 7, 0x0108},
    {"ButtonG5", 8, 8, 0x011C},
    {"ButtonH5", 8, 9, 0x0124},
    {"ButtonJ5", 8, 10, 0x0134},
    {"ButtonS5", 8, 11, 0x015C},
    {"ButtonU6", 8, 12, 0x016C},
    {"ButtonZ3dd", 8, 13, 0x01B7},
    {"ButtonX304", 8, 14, 0x0304},
};
// clang-format on

MemoView& memo() {
    return app::state().Form1->memoTarget();
}

// Puts text into the editor, selects, and starts from an unmodified text.
void setEditor(const QString& text, qsizetype start, qsizetype length) {
    app::state().Form1->Memo1->setPlainText(text);
    memo().setSelection(start, length);
    app::state().TextModified = 0;
}

// The editor's text in its CR LF view.
QString editorText() {
    return QString::fromStdU16String(app::state().Form1->Memo1->buffer().text());
}

// A click on the keyboard picture at the key coordinates (x, y).
void clickKeyboard(int x, int y) {
    QTest::mouseClick(app::state().russiaskbform->Image1, Qt::LeftButton, {}, QPoint(x + 1, y + 1));
}

} // namespace

class TestCharTools : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void everyButtonInsertsItsCodePoint();
    void everyPictureCellInsertsItsCodePoint();
    void padLayout();
    void insertReplacesTheSelection();
    void insertGoesToTheFindEntryWhileItIsShown();
    void combiningAccentFollowsTheLetter();
    void zeroInsertsNothing();
    void padIsCreatedOnce();
    void picturePadOnWin9x();
    void padIsFreed();
    void screenKeyboardMenus();
    void keyboardLetters_data();
    void keyboardLetters();
    void enterWithoutFindDialog();
    void enterWithFindDialog();
    void backspaceEditor_data();
    void backspaceEditor();
    void backspaceFindEntry_data();
    void backspaceFindEntry();
    void kanjiConversion_data();
    void kanjiConversion();
};

void TestCharTools::init() {
    app::state().reset();
    createApplicationWindows({QStringLiteral("toviloeditru")});
    app::state().Form1->show();
}

void TestCharTools::cleanup() {
    destroyApplicationWindows();
}

void TestCharTools::everyButtonInsertsItsCodePoint() {
    app::state().Form1->AccentPAD1Click();
    QVERIFY(app::state().accentform != nullptr);
    for (const PadCell& cell : kDesignCells) {
        auto* button = app::state().accentform->findChild<QPushButton*>(QLatin1String(cell.name));
        QVERIFY2(button != nullptr, cell.name);
        QCOMPARE(button->geometry(),
                 QRect(4 + 28 * (cell.column - 1), 4 + 28 * (cell.row - 1), 25, 25));
        QVERIFY2(!button->icon().isNull(), cell.name);
        QVERIFY2(button->text().isEmpty(), cell.name);
        setEditor(QStringLiteral("xy"), 1, 0);
        app::state().TextModified = 0;
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(editorText(), QStringLiteral("x") + QChar(cell.code) + QStringLiteral("y"));
        QCOMPARE(memo().selStart(), 2);
        QCOMPARE(memo().selLength(), 0);
        QCOMPARE(app::state().TextModified, 1);
    }
}

void TestCharTools::everyPictureCellInsertsItsCodePoint() {
    app::state().IsWin9x = 1;
    app::state().Form1->AccentPAD2Click();
    QVERIFY(app::state().accent2form != nullptr);
    for (const PadCell& cell : kDesignCells) {
        setEditor(QString(), 0, 0);
        // The middle of the drawn cell.
        const QPoint at(28 * (cell.column - 1) + 12, 28 * (cell.row - 1) + 12);
        QTest::mouseClick(app::state().accent2form->Image1, Qt::LeftButton, {}, at);
        QCOMPARE(editorText(), QString(QChar(cell.code)));
    }
    // Clicks in a gap between rows insert nothing.
    setEditor(QString(), 0, 0);
    QTest::mouseClick(app::state().accent2form->Image1, Qt::LeftButton, {}, QPoint(100, 27));
    QCOMPARE(editorText(), QString());
}

void TestCharTools::padLayout() {
    app::state().Form1->AccentPAD1Click();
    QCOMPARE(app::state().accentform->windowTitle(), QStringLiteral("Accent PAD"));
    // The grid with a 4-pixel margin on every side.
    QCOMPARE(app::state().accentform->size(), QSize(397, 229));
    QCOMPARE(app::state().accentform->focusWidget(), app::state().accentform->ButtonA0);
    QCOMPARE(app::state().accentform->ButtonA0->objectName(), QStringLiteral("ButtonA0"));
    // Tab runs row by row, left to right.
    const auto& buttons = app::state().accentform->buttons();
    for (std::size_t i = 0; i + 1 < buttons.size(); ++i)
        QCOMPARE(buttons[i]->nextInFocusChain(), static_cast<QWidget*>(buttons[i + 1]));
    // Closing only hides.
    app::state().accentform->close();
    QVERIFY(app::state().accentform != nullptr);
    QVERIFY(!app::state().accentform->isVisible());
}

void TestCharTools::insertReplacesTheSelection() {
    setEditor(QStringLiteral("Xéa"), 1, 2);
    app::state().Form1->AccentPAD1Click();
    QTest::mouseClick(app::state().accentform->findChild<QPushButton*>(QStringLiteral("ButtonSs")),
                      Qt::LeftButton);
    QCOMPARE(editorText(), QStringLiteral("Xß"));
    QCOMPARE(memo().selStart(), 2);
    QCOMPARE(memo().selLength(), 0);
    QCOMPARE(app::state().TextModified, 1);
}

void TestCharTools::insertGoesToTheFindEntryWhileItIsShown() {
    setEditor(QStringLiteral("text"), 2, 0);
    app::state().searchform->Edit1->setText(QStringLiteral("abcd"));
    app::state().searchform->Edit1->setSelection(1, 2);
    app::state().searchform->show();
    QVERIFY(app::state().searchform->isVisible());
    QWidget* focused = QApplication::focusWidget();
    InsertPadChar(0x00DF);
    QCOMPARE(app::state().searchform->Edit1->text(), QStringLiteral("aßd"));
    QCOMPARE(app::state().searchform->Edit1->cursorPosition(), 2);
    QVERIFY(!app::state().searchform->Edit1->hasSelectedText());
    QCOMPARE(editorText(), QStringLiteral("text"));
    QCOMPARE(app::state().TextModified, 0);
    QCOMPARE(QApplication::focusWidget(), focused);

    // Once the dialog is hidden the editor is the target again.
    app::state().searchform->hide();
    InsertPadChar(0x00DF);
    QCOMPARE(editorText(), QStringLiteral("teßxt"));
    QCOMPARE(app::state().searchform->Edit1->text(), QStringLiteral("aßd"));
    QCOMPARE(app::state().TextModified, 1);
}

void TestCharTools::combiningAccentFollowsTheLetter() {
    setEditor(QStringLiteral("e"), 1, 0);
    app::state().Form1->AccentPAD1Click();
    QTest::mouseClick(
        app::state().accentform->findChild<QPushButton*>(QStringLiteral("ButtonX301")),
        Qt::LeftButton);
    QCOMPARE(editorText(), QStringLiteral("e\u0301"));
}

void TestCharTools::zeroInsertsNothing() {
    setEditor(QStringLiteral("ab"), 0, 2);
    InsertPadChar(0);
    QCOMPARE(editorText(), QStringLiteral("ab"));
    QCOMPARE(memo().selLength(), 2);
    QCOMPARE(app::state().TextModified, 0);
}

void TestCharTools::padIsCreatedOnce() {
    QCOMPARE(app::state().AccentPadCreated, 0);
    QVERIFY(app::state().accentform == nullptr);
    app::state().Form1->AccentPAD1Click();
    Taccentform* first = app::state().accentform;
    QVERIFY(first != nullptr);
    QVERIFY(first->isVisible());
    QCOMPARE(app::state().AccentPadCreated, 1);
    first->move(300, 200);
    first->close();
    app::state().Form1->AccentPAD2Click();
    QCOMPARE(app::state().accentform, first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->pos(), QPoint(300, 200));
    app::state().Form1->AccentPAD1Click();
    QCOMPARE(app::state().Form1->findChildren<Taccentform*>().size(), 1);
    QVERIFY(app::state().accent2form == nullptr);
}

void TestCharTools::picturePadOnWin9x() {
    app::state().IsWin9x = 1;
    app::state().Form1->AccentPAD1Click();
    app::state().Form1->AccentPAD2Click();
    QVERIFY(app::state().accentform == nullptr);
    QVERIFY(app::state().accent2form != nullptr);
    QCOMPARE(app::state().Form1->findChildren<Taccent2form*>().size(), 1);
    QCOMPARE(app::state().accent2form->windowTitle(), QStringLiteral("Accent PAD"));
    QCOMPARE(app::state().accent2form->Image1->geometry(), QRect(4, 4, 389, 225));
    QCOMPARE(app::state().accent2form->Image1->pixmap().size(), QSize(391, 223));
}

void TestCharTools::padIsFreed() {
    app::state().Form1->AccentPAD1Click();
    QPointer<Taccentform> pad = app::state().accentform;
    tools::freeAccentPad();
    QVERIFY(pad.isNull());
    QVERIFY(app::state().accentform == nullptr);
    QCOMPARE(app::state().AccentPadCreated, 0);
    // A later use creates a fresh pad.
    app::state().Form1->AccentPAD1Click();
    QVERIFY(app::state().accentform != nullptr);
    QCOMPARE(app::state().AccentPadCreated, 1);
}

void TestCharTools::screenKeyboardMenus() {
    Trussiaskbform* keyboard = app::state().russiaskbform;
    QVERIFY(keyboard != nullptr);
    QVERIFY(!keyboard->isVisible());
    QCOMPARE(keyboard->windowTitle(), QStringLiteral("Russia Screen keyboard(key click)"));
    QCOMPARE(keyboard->Image1->pixmap().size(), QSize(616, 168));
    app::state().Form1->Screenkeyboard1Click();
    QVERIFY(keyboard->isVisible());
    keyboard->close();
    QVERIFY(!keyboard->isVisible());
    app::state().Form1->Screenkeyboard2Click();
    QCOMPARE(app::state().russiaskbform, keyboard);
    QVERIFY(keyboard->isVisible());
}

void TestCharTools::keyboardLetters_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("(80,50) Й") << 80 << 50 << QStringLiteral("Й");
    QTest::newRow("(80,65) й") << 80 << 65 << QStringLiteral("й");
    QTest::newRow("(100,50) between keys") << 100 << 50 << QString();
    QTest::newRow("(40,50) wide key") << 40 << 50 << QString();
    QTest::newRow("(130,20) №") << 130 << 20 << QStringLiteral("№");
    QTest::newRow("(478,130) Ё") << 478 << 130 << QStringLiteral("Ё");
    QTest::newRow("(478,150) ё") << 478 << 150 << QStringLiteral("ё");
    QTest::newRow("(250,100) а") << 210 << 100 << QStringLiteral("а");
}

void TestCharTools::keyboardLetters() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QString, inserted);
    app::state().Form1->Screenkeyboard1Click();
    setEditor(QStringLiteral("ab"), 1, 0);
    clickKeyboard(x, y);
    QCOMPARE(editorText(), QStringLiteral("a") + inserted + QStringLiteral("b"));
    QCOMPARE(app::state().TextModified, inserted.isEmpty() ? 0 : 1);
}

void TestCharTools::enterWithoutFindDialog() {
    app::state().Form1->Screenkeyboard1Click();
    setEditor(QStringLiteral("ab"), 1, 0);
    clickKeyboard(560, 100);
    QCOMPARE(editorText(), QStringLiteral("a\r\nb"));
    QCOMPARE(memo().selStart(), 3);
    QCOMPARE(app::state().TextModified, 1);
    QCOMPARE(app::state().FindRequested, 0);
}

void TestCharTools::enterWithFindDialog() {
    app::state().Form1->Screenkeyboard1Click();
    setEditor(QStringLiteral("ab"), 1, 0);
    app::state().searchform->Edit1->setText(QStringLiteral("b"));
    app::state().searchform->show();
    clickKeyboard(560, 100);
    QCOMPARE(app::state().FindRequested, 1);
    QVERIFY(!app::state().searchform->isVisible());
    QCOMPARE(editorText(), QStringLiteral("ab"));
    QCOMPARE(app::state().searchform->Edit1->text(), QStringLiteral("b"));
    QCOMPARE(app::state().TextModified, 0);
}

void TestCharTools::backspaceEditor_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");
    QTest::newRow("empty text") << QString() << 0 << 0 << QString() << 0;
    QTest::newRow("caret at the start") << "abc" << 0 << 0 << "abc" << 0;
    QTest::newRow("abc| -> ab|") << "abc" << 3 << 0 << "ab" << 2;
    QTest::newRow("a|bc -> |bc") << "abc" << 1 << 0 << "bc" << 0;
    QTest::newRow("last three selected: only the last goes") << "abcdef" << 3 << 3 << "abcde" << 5;
    QTest::newRow("surrogate pair before the caret goes whole")
        << QStringLiteral("a\U0001F600b") << 3 << 0 << "ab" << 1;
    QTest::newRow("surrogate pair at the end of a selection")
        << QStringLiteral("x\U0001F600") << 0 << 3 << "x" << 1;
    QTest::newRow("CR LF before the caret goes whole") << "ab\r\ncd" << 4 << 0 << "abcd" << 2;
    QTest::newRow("empty line after a break") << "ab\r\n" << 4 << 0 << "ab" << 2;
    QTest::newRow("combining accent goes alone") << QStringLiteral("e\u0301") << 2 << 0 << "e" << 1;
}

void TestCharTools::backspaceEditor() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, expected);
    QFETCH(int, caret);
    app::state().Form1->Screenkeyboard1Click();
    QString plain = text;
    setEditor(plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")), 0, 0);
    memo().setSelection(start, length);
    clickKeyboard(590, 20);
    QCOMPARE(editorText(), expected);
    QCOMPARE(memo().selStart(), caret);
    QCOMPARE(memo().selLength(), 0);
    // A removal marks the text modified; a backspace that removes nothing does not.
    QCOMPARE(app::state().TextModified, expected == text ? 0 : 1);
}

void TestCharTools::backspaceFindEntry_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");
    QTest::newRow("empty entry") << QString() << 0 << 0 << QString() << 0;
    QTest::newRow("abc| -> ab|") << "abc" << 3 << 0 << "ab" << 2;
    QTest::newRow("selection dropped, unit before its start goes")
        << "abcdef" << 2 << 3 << "acdef" << 1;
    QTest::newRow("selection from the start: nothing goes") << "abc" << 0 << 2 << "abc" << 0;
    QTest::newRow("surrogate pair goes whole")
        << QStringLiteral("\U0001F600z") << 2 << 0 << "z" << 0;
}

void TestCharTools::backspaceFindEntry() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, expected);
    QFETCH(int, caret);
    app::state().Form1->Screenkeyboard1Click();
    setEditor(QStringLiteral("main"), 4, 0);
    app::state().searchform->show();
    app::state().searchform->Edit1->setText(text);
    if (length > 0)
        app::state().searchform->Edit1->setSelection(start, length);
    else
        app::state().searchform->Edit1->setCursorPosition(start);
    clickKeyboard(590, 20);
    QCOMPARE(app::state().searchform->Edit1->text(), expected);
    QCOMPARE(app::state().searchform->Edit1->cursorPosition(), caret);
    QVERIFY(!app::state().searchform->Edit1->hasSelectedText());
    QCOMPARE(editorText(), QStringLiteral("main"));
}

void TestCharTools::kanjiConversion_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("type 1: x李金年y") << 1 << "x李金年y" << 1 << 3 << "x이김년y";
    QTest::newRow("type 2: x李金年y") << 2 << "x李金年y" << 1 << 3 << "x리금연y";
    QTest::newRow("type 1: 日本語") << 1 << "日本語" << 0 << 3 << "일본어";
    QTest::newRow("type 2: 日本語") << 2 << "日本語" << 0 << 3 << "일본어";
    QTest::newRow("only the selection: 日[本]語") << 1 << "日本語" << 1 << 1 << "日본語";
    QTest::newRow("mixed: Aд日かな𠀋本") << 1 << QStringLiteral("Aд日かな\U0002000B本") << 0 << 8
                                         << QStringLiteral("Aд일かな\U0002000B본");
    QTest::newRow("line break kept: 日\\r\\n年") << 2 << "日\r\n年" << 0 << 4 << "일\r\n연";
    QTest::newRow("nothing selected") << 1 << "日本" << 1 << 0 << "日本";
}

void TestCharTools::kanjiConversion() {
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, expected);
    QString plain = text;
    setEditor(plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")), 0, 0);
    memo().setSelection(start, length);
    if (type == 1)
        app::state().Form1->KanjiJapantoHangulSelectArea1Click();
    else
        app::state().Form1->KanjiJapantoHangulSelectAreaType21Click();
    QCOMPARE(editorText(), expected);
    QCOMPARE(memo().selStart(), start);
    QCOMPARE(memo().selLength(), length);
    QCOMPARE(app::state().TextModified, expected == text ? 0 : 1);
}

QTEST_MAIN(TestCharTools)
#include "tst_chartools.moc"
