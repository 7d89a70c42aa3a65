// The editor view on its own buffer: a keystroke, a caret move, a click and a repaint at the end
// of a large text cost what they cost in an empty one.
#include "benchtable.h"
#include "guiapp.h"
#include "prosetext.h"
#include "view/memoview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <ctime>
#include <random>
#include <type_traits>

namespace {

// Russian prose lines of varied length, about `megabytes` MB as UTF-8, straight into a builder.
text::TextBuilder largeText(std::size_t megabytes) {
    const std::u16string words[] = {u"привет", u"мир",  u"текст",     u"редактор",
                                    u"ввод",   u"файл", u"сохранить", u"строка"};
    return bench::proseText(megabytes, words);
}

struct Figures {
    double keystroke = 0;
    double caret = 0;
    double click = 0;
    double paint = 0;
};

// Seconds per operation at the end of the text.
Figures measure(text::TextBuilder builder) {
    bench::guiApp();
    MemoView view;
    view.resize(800, 600);
    view.show();
    view.buffer().assign(std::move(builder));
    view.setSelStart(view.length());
    QApplication::processEvents();
    constexpr int kOps = 2000;
    Figures f;
    f.keystroke = bench::bestSeconds([&] {
                      for (int i = 0; i < kOps; ++i) {
                          bench::sendKey(&view, Qt::Key_F, u"ф"_qs);
                          bench::sendKey(&view, Qt::Key_Backspace, u"\b"_qs);
                      }
                  }) /
                  (2 * kOps);
    f.caret = bench::bestSeconds([&] {
                  for (int i = 0; i < kOps; ++i) {
                      bench::sendKey(&view, Qt::Key_Left, QString());
                      bench::sendKey(&view, Qt::Key_Right, QString());
                  }
              }) /
              (2 * kOps);
    const QPoint at = view.cursorRect().center();
    f.click = bench::bestSeconds([&] {
                  for (int i = 0; i < kOps / 4; ++i) {
                      const QPoint global = view.viewport()->mapToGlobal(at);
                      QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                        Qt::LeftButton, Qt::NoModifier);
                      QApplication::sendEvent(view.viewport(), &press);
                      QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                          Qt::NoButton, Qt::NoModifier);
                      QApplication::sendEvent(view.viewport(), &release);
                  }
              }) /
              (kOps / 4);
    f.paint = bench::bestSeconds([&] {
                  for (int i = 0; i < kOps / 20; ++i)
                      view.viewport()->repaint();
              }) /
              (kOps / 20);
    return f;
}

// 1 MiB of random bytes as a UTF-16 BE file gives: random units, a line break every 32768
// units or so, marks, surrogates and every script.
QString randomUnits(unsigned start) {
    std::mt19937 random(start);
    QString units(512 * 1024, Qt::Uninitialized);
    for (QChar& unit : units)
        unit = QChar(static_cast<char16_t>(random() & 0xFFFF));
    return units;
}

// Processor time of the whole process in seconds (the caret's timer runs on this thread).
double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct FirstScreen {
    double paint = 0; // wall seconds from the text to the first screen painted
    double idle = 0;  // processor seconds during 2 s of idling afterwards
};

// The text set and the first screen painted, then two seconds of the event loop with nothing to
// do but blink the caret.
template <class Widget> FirstScreen firstScreen(const QString& text, bool wrap) {
    bench::guiApp();
    Widget widget;
    if constexpr (std::is_same_v<Widget, MemoView>)
        widget.setWordWrap(wrap);
    else
        widget.setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    widget.resize(800, 600);
    widget.show();
    widget.activateWindow();
    widget.setFocus();
    QApplication::processEvents();
    FirstScreen f;
    QElapsedTimer wall;
    wall.start();
    widget.setPlainText(text);
    widget.viewport()->repaint();
    f.paint = double(wall.nsecsElapsed()) * 1e-9;
    QApplication::processEvents();
    const double before = processSeconds();
    QEventLoop idle;
    QTimer::singleShot(2000, &idle, &QEventLoop::quit);
    idle.exec();
    f.idle = processSeconds() - before;
    return f;
}

void randomSuite(bench::Table& table) {
    // Once before measuring: the fonts of every script are found and loaded in the first
    // layouts of a process, whichever widget lays them out.
    firstScreen<MemoView>(randomUnits(1), false);
    for (const bool wrap : {false, true}) {
        const QString text = randomUnits(wrap ? 3 : 2);
        const FirstScreen ours = firstScreen<MemoView>(text, wrap);
        const FirstScreen reference = firstScreen<QPlainTextEdit>(text, wrap);
        const std::string mode = wrap ? ", wrap on" : ", wrap off";
        bench::Row paint;
        paint.name = "view: first screen of 1 MiB random UTF-16 BE" + mode + " vs QPlainTextEdit";
        paint.ours = ours.paint * 1e3;
        paint.reference = reference.paint * 1e3;
        paint.unit = "ms";
        paint.target = 1.3;
        paint.note = "aim: under 100 ms";
        table.add(paint);
        bench::Row idle;
        idle.name = "view: processor time idling 2 s after it" + mode + " vs QPlainTextEdit";
        idle.ours = ours.idle * 1e3;
        idle.reference = reference.idle * 1e3;
        idle.unit = "ms";
        idle.target = 1.3;
        table.add(idle);
    }
}

// A line of `megabytes` MB of words: End, Ctrl+End, a typed letter, Home and Up/Down each with
// its paint, against the same on a line of one screen.
double longLineKeys(std::size_t megabytes, bool wrap) {
    bench::guiApp();
    MemoView view;
    view.setWordWrap(wrap);
    view.resize(800, 600);
    view.show();
    const qsizetype words = megabytes > 0 ? qsizetype(megabytes) * 1000 * 1000 / 10 : 60;
    view.setPlainText(QStringLiteral("word ").repeated(words) + QStringLiteral("\ntail"));
    view.viewport()->repaint();
    QApplication::processEvents();
    const double seconds = bench::bestSeconds([&] {
        bench::sendKey(&view, Qt::Key_End, QString(), Qt::ControlModifier);
        view.viewport()->repaint();
        bench::sendKey(&view, Qt::Key_Up, QString());
        view.viewport()->repaint();
        bench::sendKey(&view, Qt::Key_End, QString());
        view.viewport()->repaint();
        bench::sendKey(&view, Qt::Key_Y, QStringLiteral("y"));
        view.viewport()->repaint();
        bench::sendKey(&view, Qt::Key_Home, QString());
        view.viewport()->repaint();
        bench::sendKey(&view, Qt::Key_Down, QString());
        view.viewport()->repaint();
        bench::sendKey(&view, Qt::Key_Home, QString(), Qt::ControlModifier);
        view.viewport()->repaint();
    });
    return seconds / 7;
}

void viewSuite(bench::Table& table, const bench::Options& options) {
    randomSuite(table);
    for (const bool wrap : {false, true}) {
        bench::Row r;
        r.name = "view: a key and its paint on a line of " + std::to_string(options.megabytes) +
                 " MB" + (wrap ? ", wrap on" : ", wrap off") + " vs one screen";
        r.ours = longLineKeys(options.megabytes, wrap) * 1e3;
        r.reference = longLineKeys(0, wrap) * 1e3;
        r.unit = "ms/key";
        r.target = 1.5;
        table.add(r);
    }
    const Figures empty = measure(text::TextBuilder());
    const Figures screen = measure(largeText(0));
    const Figures large = measure(largeText(options.megabytes));
    const std::string size = std::to_string(options.megabytes) + " MB";
    auto row = [&](const char* what, double ours, double reference, const char* against) {
        bench::Row r;
        r.name = std::string("view: ") + what + " at end of " + size + " vs " + against;
        r.ours = ours * 1e6;
        r.reference = reference * 1e6;
        r.unit = "us/op";
        r.target = 1.3;
        table.add(r);
    };
    row("keystroke (ф, Backspace)", large.keystroke, empty.keystroke, "empty");
    // In an empty text Left, Right and a click at the caret move nothing and an empty view draws
    // nothing: these compare with one screen of the same lines, where the same work is done.
    row("caret move (Left, Right)", large.caret, screen.caret, "one screen");
    row("click at the caret", large.click, screen.click, "one screen");
    row("repaint", large.paint, screen.paint, "one screen");
}

} // namespace

TOVILO_BENCH_SUITE("view", viewSuite);
