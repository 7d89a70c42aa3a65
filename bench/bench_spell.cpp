// Spell checking must not slow typing: a keystroke and the repaint after it at the end of a
// large text, with checking on against off. The lines in sight are checked (and underlined)
// before the measurement; the edits then only drop the results of their line.
#include "app/appstate.h"
#include "benchtable.h"
#include "guiapp.h"
#include "prosetext.h"
#include "shell/settings.h"
#include "shell/spellmarks.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QApplication>
#include <QTemporaryDir>

namespace {

// Russian lines of varied length with a misspelled and a stressed word now and then, about
// `megabytes` MB as UTF-8, straight into a builder.
text::TextBuilder spellText(std::size_t megabytes) {
    const std::u16string words[] = {u"привет", u"мир",         u"превет", u"за\u0301мок",
                                    u"ввод",   u"за\u0301мак", u"строка", u"слон\u0301"};
    return bench::proseText(megabytes, words);
}

void spellSuite(bench::Table& table, const bench::Options& options) {
    bench::guiApp();
    QTemporaryDir folder;
    settings::setFolderOverride(folder.path());
    app::state().reset();
    createApplicationWindows({u"toviloeditru-bench"_qs});
    TForm1& form = *app::state().Form1;
    SpellMarks& spell = form.spellMarks();
    form.resize(800, 600);
    form.show();
    form.Memo1->buffer().assign(spellText(options.megabytes));
    form.Memo1->setSelStart(form.Memo1->length());
    form.Memo1->ensureCursorVisible();
    form.KoreaDirectIME1Click();
    QApplication::processEvents();
    SpellMarks::waitForDictionaries(60000);
    constexpr int kKeys = 400;
    auto typing = [&] {
        for (int i = 0; i < kKeys; ++i) {
            bench::sendKey(form.Memo1, Qt::Key_F, u"f"_qs);
            form.Memo1->viewport()->repaint();
            bench::sendKey(form.Memo1, Qt::Key_Backspace, u"\b"_qs);
            form.Memo1->viewport()->repaint();
        }
    };
    // The same window and text in turns: checking on, with the screen checked and underlined
    // first, and off.
    const auto [on, off] = bench::bestSecondsInTurns(
        [&] {
            spell.setOn(true);
            spell.checkLinesInSight();
            typing();
        },
        [&] {
            spell.setOn(false);
            typing();
        });
    // What the idle timer does once typing pauses: the edited line checked again.
    spell.setOn(true);
    const double check = bench::bestSeconds([&] {
                             for (int i = 0; i < kKeys / 8; ++i) {
                                 bench::sendKey(form.Memo1, Qt::Key_F, u"f"_qs);
                                 spell.checkLinesInSight();
                             }
                         }) /
                         (kKeys / 8);
    app::state().TextModified = 0;
    destroyApplicationWindows();
    settings::setFolderOverride(QString());

    bench::Row row;
    row.name = "keystroke and repaint at end of " + std::to_string(options.megabytes) +
               " MB, spell check on vs off";
    row.ours = on / (2 * kKeys) * 1e6;
    row.reference = off / (2 * kKeys) * 1e6;
    row.unit = "us/op";
    row.target = 1.2;
    row.note =
        "idle check of the screen after an edit: " + std::to_string(static_cast<int>(check * 1e6)) +
        " us";
    table.add(row);
}

} // namespace

TOVILO_BENCH_SUITE("spell", spellSuite);
