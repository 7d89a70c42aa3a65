// Costs that must not grow with the document: one keystroke of each input engine, one caret
// panel refresh and one click, at the end of a large document against an empty one.
#include "app/appstate.h"
#include "benchtable.h"
#include "guiapp.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

namespace {

QString largeText(std::size_t megabytes) {
    // Russian prose lines of varied length, about `megabytes` MB as UTF-8.
    const QString words[] = {u"привет"_qs, u"мир"_qs,  u"текст"_qs,     u"редактор"_qs,
                             u"ввод"_qs,   u"файл"_qs, u"сохранить"_qs, u"строка"_qs};
    QString text;
    const qsizetype targetUnits = static_cast<qsizetype>(megabytes) * 1000 * 1000 / 2;
    text.reserve(targetUnits + 200);
    std::size_t i = 0;
    while (text.size() < targetUnits) {
        const std::size_t words_in_line = 3 + (i * 7) % 13;
        for (std::size_t w = 0; w < words_in_line; ++w) {
            text += words[(i + w * 3) % 8];
            text += u' ';
        }
        text += u'\n';
        ++i;
    }
    return text;
}

struct Figures {
    double romanized = 0;
    double direct = 0;
    double caret = 0;
    double click = 0;
};

// Seconds per operation, measured at the end of the given text.
Figures measure(const QString& text) {
    bench::guiApp();
    app::state().reset();
    createApplicationWindows({u"toviloeditru-bench"_qs});
    app::state().Form1->show();
    app::state().Form1->Memo1->setPlainText(text);
    app::state().Form1->memoTarget().setSelStart(app::state().Form1->memoTarget().length());
    QApplication::processEvents();
    constexpr int kKeys = 2000;
    Figures f;

    app::state().Form1->KoreaRomaIME1Click();
    f.romanized = bench::bestSeconds([&] {
                      for (int i = 0; i < kKeys; ++i)
                          bench::sendKey(app::state().Form1->Memo1, Qt::Key_B,
                                         u"b"_qs); // cycles б ъ ь in place
                  }) /
                  kKeys;

    app::state().Form1->KoreaDirectIME1Click();
    f.direct = bench::bestSeconds([&] {
                   for (int i = 0; i < kKeys; ++i) {
                       bench::sendKey(app::state().Form1->Memo1, Qt::Key_F, u"f"_qs);
                       bench::sendKey(app::state().Form1->Memo1, Qt::Key_Backspace, u"\b"_qs);
                   }
               }) /
               (2 * kKeys);

    f.caret = bench::bestSeconds([&] {
                  for (int i = 0; i < kKeys; ++i)
                      app::state().Form1->Memo1KeyUp();
              }) /
              kKeys;

    app::state().Form1->Memo1->ensureCursorVisible();
    QApplication::processEvents();
    const QPoint at = app::state().Form1->Memo1->cursorRect().center();
    f.click = bench::bestSeconds([&] {
                  for (int i = 0; i < kKeys / 4; ++i) {
                      QMouseEvent press(QEvent::MouseButtonPress, at,
                                        app::state().Form1->Memo1->viewport()->mapToGlobal(at),
                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                      QApplication::sendEvent(app::state().Form1->Memo1->viewport(), &press);
                      QMouseEvent release(QEvent::MouseButtonRelease, at,
                                          app::state().Form1->Memo1->viewport()->mapToGlobal(at),
                                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
                      QApplication::sendEvent(app::state().Form1->Memo1->viewport(), &release);
                  }
              }) /
              (kKeys / 4);
    app::state().TextModified = 0;
    destroyApplicationWindows();
    return f;
}

void editorSuite(bench::Table& table, const bench::Options& options) {
    const Figures empty = measure(QString());
    const Figures large = measure(largeText(options.megabytes));
    const std::string size = std::to_string(options.megabytes) + " MB";
    auto row = [&](const char* what, double ours, double reference) {
        bench::Row r;
        r.name = std::string(what) + " at end of " + size + " vs empty";
        r.ours = ours * 1e6;
        r.reference = reference * 1e6;
        r.unit = "us/op";
        r.target = 1.3;
        table.add(r);
    };
    row("romanized keystroke (b cycling)", large.romanized, empty.romanized);
    row("direct keystroke (f, Backspace)", large.direct, empty.direct);
    row("caret panel refresh", large.caret, empty.caret);
    row("click in the editor", large.click, empty.click);
}

} // namespace

TOVILO_BENCH_SUITE("editor", editorSuite);
