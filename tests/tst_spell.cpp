// Spell checking with the installed Hunspell dictionaries: words with and without stress
// marks, the suggestions keeping the mark, the underline drawn under a flagged word, and the
// context menu's spell items with the user's word list across a restart. Without the
// dictionaries the tests are skipped.
#include "shell/spellmarks.h"
#include "spell/checker.h"
#include "spell/words.h"
#include "view/memoview.h"
#include "windowrun.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QTest>

namespace {

std::u16string units(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.constData()),
                          std::size_t(text.size()));
}

QString qs(const std::u16string& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

spell::Dictionaries* dictionaries() {
    static std::unique_ptr<spell::Dictionaries> loaded =
        spell::Dictionaries::load({"/usr/share/hunspell"});
    return loaded && loaded->hasAny() ? loaded.get() : nullptr;
}

QStringList captions(const QList<QAction*>& actions) {
    QStringList list;
    for (const QAction* action : actions)
        list << (action->isSeparator() ? u"-"_qs : action->text());
    return list;
}

} // namespace

Q_DECLARE_METATYPE(spell::Verdict)

class TstSpell : public QObject {
    Q_OBJECT
private slots:
    void words_data();
    void words();
    void check_data();
    void check();
    void underlineUnderTheWord_data();
    void underlineUnderTheWord();
    void contextMenuAndOwnWords();
};

void TstSpell::words_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("marks stay with their letters")
        << u"за\u0301мок, замо\u0301к!"_qs << QStringList{u"за\u0301мок"_qs, u"замо\u0301к"_qs};
    QTest::newRow("hyphen and apostrophe join letters")
        << u"кто-то don't - end-"_qs << QStringList{u"кто-то"_qs, u"don't"_qs, u"end"_qs};
    QTest::newRow("a run touching digits is a code")
        << u"5го abc12 x_y слово"_qs << QStringList{u"слово"_qs};
    QTest::newRow("Latin and Cyrillic side by side")
        << u"Qt и Hunspell"_qs << QStringList{u"Qt"_qs, u"и"_qs, u"Hunspell"_qs};
    QTest::newRow("a lone mark is no word") << u" \u0301 "_qs << QStringList{};
}

void TstSpell::words() {
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QStringList found;
    const std::u16string line = units(text);
    for (const spell::WordSpan& span : spell::findWords(line))
        found << qs(line.substr(span.start, span.length));
    QCOMPARE(found, words);
}

void TstSpell::check_data() {
    QTest::addColumn<QString>("word");
    QTest::addColumn<spell::Verdict>("verdict");
    // A suggestion that must be among the first five (stress marks included), or none.
    QTest::addColumn<QString>("suggestion");
    using spell::Verdict;
    QTest::newRow("за́мок accepted") << u"за\u0301мок"_qs << Verdict::Correct << QString();
    QTest::newRow("замо́к accepted") << u"замо\u0301к"_qs << Verdict::Correct << QString();
    QTest::newRow("замок without mark accepted") << u"замок"_qs << Verdict::Correct << QString();
    QTest::newRow("за̀мок grave accepted") << u"за\u0300мок"_qs << Verdict::Correct << QString();
    QTest::newRow("ЗА́МОК capitals accepted") << u"ЗА\u0301МОК"_qs << Verdict::Correct << QString();
    QTest::newRow("Я́ capital vowel accepted") << u"Я\u0301"_qs << Verdict::Correct << QString();
    QTest::newRow("что-ни́будь hyphenated accepted")
        << u"что-ни\u0301будь"_qs << Verdict::Correct << QString();
    QTest::newRow("за́мо́к doubled stress")
        << u"за\u0301мо\u0301к"_qs << Verdict::MisplacedStress << u"за\u0301мок"_qs;
    QTest::newRow("за́́мок two marks on one vowel")
        << u"за\u0301\u0301мок"_qs << Verdict::MisplacedStress << u"за\u0301мок"_qs;
    QTest::newRow("слон́ stress on consonant")
        << u"слон\u0301"_qs << Verdict::MisplacedStress << u"слон"_qs;
    QTest::newRow("ё́лка stress on ё") << u"ё\u0301лка"_qs << Verdict::MisplacedStress << u"ёлка"_qs;
    QTest::newRow("превет misspelled") << u"превет"_qs << Verdict::Misspelled << u"привет"_qs;
    QTest::newRow("за́мак misspelled keeps the mark")
        << u"за\u0301мак"_qs << Verdict::Misspelled << u"за\u0301мок"_qs;
    QTest::newRow("малоко́ misspelled keeps the mark")
        << u"малоко\u0301"_qs << Verdict::Misspelled << u"молоко\u0301"_qs;
    QTest::newRow("пре́вет stressed vowel gone")
        << u"пре\u0301вет"_qs << Verdict::Misspelled << u"привет"_qs;
    QTest::newRow("зам́ак misspelled with a misplaced mark")
        << u"зам\u0301ак"_qs << Verdict::Misspelled << u"замок"_qs;
    QTest::newRow("hello accepted") << u"hello"_qs << Verdict::Correct << QString();
    QTest::newRow("helo misspelled") << u"helo"_qs << Verdict::Misspelled << u"hello"_qs;
}

void TstSpell::check() {
    QFETCH(QString, word);
    QFETCH(spell::Verdict, verdict);
    QFETCH(QString, suggestion);
    spell::Dictionaries* loaded = dictionaries();
    if (!loaded)
        QSKIP("no ru_RU and en_US Hunspell dictionaries in /usr/share/hunspell");
    spell::Checker checker(loaded);
    QCOMPARE(checker.check(units(word)), verdict);
    QStringList suggestions;
    for (const std::u16string& found : checker.suggest(units(word)))
        suggestions << qs(found);
    QVERIFY(suggestions.size() <= 5);
    if (verdict == spell::Verdict::Correct)
        QVERIFY(suggestions.isEmpty());
    if (!suggestion.isEmpty())
        QVERIFY2(suggestions.contains(suggestion), qPrintable(suggestions.join(u' ')));
}

void TstSpell::underlineUnderTheWord_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("wordStart"); // a buffer position: CR LF between lines
    QTest::addColumn<int>("wordLength");
    QTest::addColumn<QColor>("color"); // invalid: no underline at all
    QTest::newRow("превет red") << u"мир превет мир"_qs << 4 << 6 << SpellMarks::kMisspelledColor;
    QTest::newRow("зам́ок blue") << u"мир зам\u0301ок мир"_qs << 4 << 6 << SpellMarks::kStressColor;
    QTest::newRow("за́мок none") << u"мир за\u0301мок мир"_qs << 4 << 6 << QColor();
    QTest::newRow("second line, превет red")
        << u"мир\nмир превет"_qs << 9 << 6 << SpellMarks::kMisspelledColor;
}

void TstSpell::underlineUnderTheWord() {
    QFETCH(QString, text);
    QFETCH(int, wordStart);
    QFETCH(int, wordLength);
    QFETCH(QColor, color);
    WindowRun run;
    run.start();
    if (!SpellMarks::waitForDictionaries(60000))
        QSKIP("no Hunspell dictionaries installed");
    TForm1& form = *app::state().Form1;
    form.show();
    MemoView& memo = *form.Memo1;
    memo.setPlainText(text);
    memo.clearFocus(); // no caret in the picture
    QVERIFY(form.spellMarks().checkLinesInSight());
    QImage picture(memo.viewport()->size(), QImage::Format_RGB32);
    memo.viewport()->render(&picture);
    const QRect from = memo.positionRect(wordStart);
    const QRect to = memo.positionRect(wordStart + wordLength);
    QVERIFY(!from.isEmpty() && to.left() > from.left());
    int under = 0;
    int elsewhere = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            if (pixel != SpellMarks::kMisspelledColor && pixel != SpellMarks::kStressColor)
                continue;
            const bool inPlace = pixel == color && x >= from.left() && x <= to.left() &&
                                 y >= from.top() + from.height() / 2 && y < from.bottom() + 1;
            ++(inPlace ? under : elsewhere);
        }
    }
    QCOMPARE(elsewhere, 0);
    if (color.isValid())
        QVERIFY2(under > (to.left() - from.left()) / 2, qPrintable(QString::number(under)));
    else
        QCOMPARE(under, 0);
}

void TstSpell::contextMenuAndOwnWords() {
    WindowRun run;
    run.start();
    if (!SpellMarks::waitForDictionaries(60000))
        QSKIP("no Hunspell dictionaries installed");
    TForm1* form = app::state().Form1;
    form->show();
    const QStringList designed = captions(form->PopupMenu1->actions());
    form->Memo1->setPlainText(u"за\u0301мак товилоск"_qs);
    // A right click on the unit at pos, as the mouse sends it to the editor.
    auto rightClick = [&](int pos) {
        QWidget* port = form->Memo1->viewport();
        const QPoint at = form->Memo1->positionRect(pos).center() + QPoint(2, 0);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, port->mapToGlobal(at));
        QApplication::sendEvent(port, &click);
        form->PopupMenu1->hide();
        return captions(form->PopupMenu1->actions());
    };
    // A suggestion replaces the word, the stress kept, as one undo step.
    QStringList items = rightClick(2);
    QVERIFY(items.size() > 3 && items.size() <= 5 + 3 + designed.size());
    QCOMPARE(items.mid(items.size() - designed.size() - 3),
             QStringList({u"add to dictionary"_qs, u"ignore"_qs, u"-"_qs}) + designed);
    QVERIFY2(items.contains(u"за\u0301мок"_qs), qPrintable(items.join(u' ')));
    form->PopupMenu1->actions().at(items.indexOf(u"за\u0301мок"_qs))->trigger();
    QCOMPARE(form->Memo1->toPlainText(), u"за\u0301мок товилоск"_qs);
    QCOMPARE(form->Memo1->caretPosition(), 6);
    form->Undo1Click();
    QCOMPARE(form->Memo1->toPlainText(), u"за\u0301мак товилоск"_qs);
    // A correct word brings only the designed items.
    form->Memo1->setPlainText(u"за\u0301мок товилоск"_qs);
    QCOMPARE(rightClick(2), designed);
    // "add to dictionary" keeps the word across a restart, in the word list file.
    items = rightClick(9);
    form->PopupMenu1->actions().at(items.indexOf(u"add to dictionary"_qs))->trigger();
    QCOMPARE(rightClick(9), designed);
    QCOMPARE(run.get(u"wordsedit.dat"_qs), u"товилоск\n"_qs.toUtf8());
    // "spell check" off is remembered too.
    QVERIFY(form->spellcheck1->isChecked());
    form->spellcheck1->trigger();
    QVERIFY(!form->spellcheck1->isChecked());
    run.start();
    form = app::state().Form1;
    form->show();
    QVERIFY(!form->spellcheck1->isChecked());
    form->Memo1->setPlainText(u"Товилоск ТОВИЛОСК превет"_qs);
    QCOMPARE(rightClick(20), designed);
    form->spellcheck1->trigger();
    QCOMPARE(rightClick(0), designed);
    QCOMPARE(rightClick(10), designed);
    // "ignore" lasts for this run only.
    items = rightClick(20);
    QCOMPARE(items.mid(items.size() - designed.size() - 3, 3),
             QStringList({u"add to dictionary"_qs, u"ignore"_qs, u"-"_qs}));
    form->PopupMenu1->actions().at(items.indexOf(u"ignore"_qs))->trigger();
    QCOMPARE(rightClick(20), designed);
    run.start();
    form = app::state().Form1;
    form->Memo1->setPlainText(u"превет"_qs);
    QVERIFY(rightClick(2).size() > designed.size());
}

QTEST_MAIN(TstSpell)
#include "tst_spell.moc"
