#include "tools/accenttable.h"
#include "tools/padmap.h"

#include <QTest>

using tools::KeyAction;

class TestPadMap : public QObject {
    Q_OBJECT
private slots:
    void accentCell_data();
    void accentCell();
    void accentCellCentres();
    void keyboard_data();
    void keyboard();
    void keyboardLetterHalves();
};

void TestPadMap::accentCell_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("row"); // 0: nothing
    QTest::addColumn<int>("column");
    QTest::newRow("(26,25) -> row 1 column 1") << 26 << 25 << 1 << 1;
    QTest::newRow("(27,25) -> row 1 column 2") << 27 << 25 << 1 << 2;
    QTest::newRow("(26,26) in the gap below row 1") << 26 << 26 << 0 << 0;
    QTest::newRow("(390,200) -> row 8 column 14") << 390 << 200 << 8 << 14;
    QTest::newRow("(391,200) right of the grid") << 391 << 200 << 0 << 0;
    QTest::newRow("(-40,-40) above and left -> row 1 column 1") << -40 << -40 << 1 << 1;
    QTest::newRow("(0,5000) far below -> row 8") << 0 << 5000 << 8 << 1;
    QTest::newRow("(0,196) first line of row 8") << 0 << 196 << 8 << 1;
    for (int row = 1; row < 8; ++row) {
        const int gap = 28 * row - 2;
        QTest::addRow("y %d last line of row %d", gap - 1, row) << 100 << gap - 1 << row << 4;
        QTest::addRow("y %d gap after row %d", gap, row) << 100 << gap << 0 << 0;
        QTest::addRow("y %d gap after row %d", gap + 1, row) << 100 << gap + 1 << 0 << 0;
        QTest::addRow("y %d first line of row %d", gap + 2, row + 1)
            << 100 << gap + 2 << row + 1 << 4;
    }
    for (int column = 2; column <= 14; ++column) {
        QTest::addRow("x %d first of column %d", 28 * column - 29, column)
            << 28 * column - 29 << 30 << 2 << column;
        QTest::addRow("x %d last of column %d", 28 * column - 30, column - 1)
            << 28 * column - 30 << 30 << 2 << column - 1;
    }
}

void TestPadMap::accentCell() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, row);
    QFETCH(int, column);
    const int expected = row == 0 ? -1 : 14 * (row - 1) + column - 1;
    QCOMPARE(tools::accentKeyIndexAt(x, y), expected);
}

// A click anywhere inside a drawn cell of the picture gives that cell's character.
void TestPadMap::accentCellCentres() {
    for (int row = 1; row <= 8; ++row) {
        for (int column = 1; column <= 14; ++column) {
            const int left = 28 * (column - 1);
            const int top = 28 * (row - 1);
            const int expected = 14 * (row - 1) + column - 1;
            for (const auto& [dx, dy] : {std::pair{0, 0}, {25, 0}, {0, 25}, {25, 25}, {13, 13}}) {
                const tools::PadPoint at = tools::accentPointFromPicture(left + dx, top + dy);
                QCOMPARE(tools::accentKeyIndexAt(at.x, at.y), expected);
            }
        }
    }
}

void TestPadMap::keyboard_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("code");
    const int none = int(KeyAction::None);
    const int insert = int(KeyAction::Insert);
    const int enter = int(KeyAction::Enter);
    const int backspace = int(KeyAction::Backspace);
    QTest::newRow("(80,50) -> Й") << 80 << 50 << insert << 0x0419;
    QTest::newRow("(80,65) -> й") << 80 << 65 << insert << 0x0439;
    QTest::newRow("(100,50) between Й and Ц") << 100 << 50 << none << 0;
    QTest::newRow("(40,50) left of Й") << 40 << 50 << none << 0;
    QTest::newRow("(39,10) left edge") << 39 << 10 << none << 0;
    QTest::newRow("(130,-1) above the picture") << 130 << -1 << none << 0;
    QTest::newRow("Enter top left (552,41)") << 552 << 41 << enter << 0;
    QTest::newRow("Enter bottom right (608,116)") << 608 << 116 << enter << 0;
    QTest::newRow("(551,60) left of Enter") << 551 << 60 << none << 0;
    QTest::newRow("(552,40) above Enter") << 552 << 40 << none << 0;
    QTest::newRow("(609,60) right of Enter") << 609 << 60 << none << 0;
    QTest::newRow("(580,117) below Enter") << 580 << 117 << none << 0;
    QTest::newRow("№ left (122,0)") << 122 << 0 << insert << 0x2116;
    QTest::newRow("№ right bottom (158,37)") << 158 << 37 << insert << 0x2116;
    QTest::newRow("(121,10) left of №") << 121 << 10 << none << 0;
    QTest::newRow("(159,10) right of №") << 159 << 10 << none << 0;
    QTest::newRow("(140,38) below the top row") << 140 << 38 << none << 0;
    QTest::newRow("BS left (572,0)") << 572 << 0 << backspace << 0;
    QTest::newRow("BS right bottom (608,37)") << 608 << 37 << backspace << 0;
    QTest::newRow("(571,20) left of BS") << 571 << 20 << none << 0;
    QTest::newRow("(300,20) digit key") << 300 << 20 << none << 0;
    QTest::newRow("row 2 top (62,40) -> Й") << 62 << 40 << insert << 0x0419;
    QTest::newRow("row 2 bottom (547,76) -> ъ") << 547 << 76 << insert << 0x044A;
    QTest::newRow("(100,77) below row 2") << 100 << 77 << none << 0;
    QTest::newRow("(100,79) above row 3") << 100 << 79 << none << 0;
    QTest::newRow("row 3 (72,80) -> Ф") << 72 << 80 << insert << 0x0424;
    QTest::newRow("row 3 (516,116) -> э") << 516 << 116 << insert << 0x044D;
    QTest::newRow("(517,100) right of Э") << 517 << 100 << none << 0;
    QTest::newRow("row 4 (93,121) -> Я") << 93 << 121 << insert << 0x042F;
    QTest::newRow("(93,120) above row 4") << 93 << 120 << none << 0;
    QTest::newRow("row 4 (496,157) -> ё") << 496 << 157 << insert << 0x0451;
    QTest::newRow("(496,158) below the last row") << 496 << 158 << none << 0;
    QTest::newRow("(70,130) wide key left of Я") << 70 << 130 << none << 0;
}

void TestPadMap::keyboard() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, action);
    QFETCH(int, code);
    const tools::KeyboardHit hit = tools::keyboardKeyAt(x, y);
    QCOMPARE(int(hit.action), action);
    if (hit.action == KeyAction::Insert)
        QCOMPARE(int(hit.code), code);
}

// Each letter key switches from capital to small letter exactly at its row's half.
void TestPadMap::keyboardLetterHalves() {
    struct Half {
        int top, lastCapital, bottom;
    };
    const Half rows[] = {{40, 58, 76}, {80, 98, 116}, {121, 139, 157}};
    for (const tools::LetterKey& key : tools::kLetterKeys) {
        const Half& row = rows[key.row - 2];
        for (const int x : {key.left, key.right}) {
            QCOMPARE(tools::keyboardKeyAt(x, row.top).code, key.capital);
            QCOMPARE(tools::keyboardKeyAt(x, row.lastCapital).code, key.capital);
            QCOMPARE(tools::keyboardKeyAt(x, row.lastCapital + 1).code, key.small);
            QCOMPARE(tools::keyboardKeyAt(x, row.bottom).code, key.small);
        }
        QCOMPARE(int(tools::keyboardKeyAt(key.left - 1, row.top).action), int(KeyAction::None));
        QCOMPARE(int(tools::keyboardKeyAt(key.right + 1, row.top).action), int(KeyAction::None));
        // The small letter is the capital's lower case.
        QCOMPARE(QChar(key.capital).toLower(), QChar(key.small));
    }
}

QTEST_APPLESS_MAIN(TestPadMap)
#include "tst_padmap.moc"
