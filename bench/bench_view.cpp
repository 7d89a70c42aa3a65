// The editor view on its own buffer: a keystroke, a caret move, a click and a repaint at the end
// of a large text cost what they cost in an empty one.
#include "benchtable.h"
#include "guiapp.h"
#include "view/memoview.h"

#include <QApplication>
#include <QMouseEvent>

namespace {

// Russian prose lines of varied length, about `megabytes` MB as UTF-8, straight into a builder.
text::TextBuilder largeText(std::size_t megabytes) {
    const std::u16string words[] = {u"привет", u"мир",  u"текст",     u"редактор",
                                    u"ввод",   u"файл", u"сохранить", u"строка"};
    text::TextBuilder builder;
    // No megabytes: one screen of lines.
    const text::Pos target =
        megabytes > 0 ? static_cast<text::Pos>(megabytes) * 1000 * 1000 / 2 : 3000;
    std::u16string line;
    for (std::size_t i = 0; builder.length() < target; ++i) {
        line.clear();
        const std::size_t count = 3 + (i * 7) % 13;
        for (std::size_t w = 0; w < count; ++w) {
            line += words[(i + w * 3) % 8];
            line += u' ';
        }
        line += u"\r\n";
        builder.append(line);
    }
    return builder;
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

void viewSuite(bench::Table& table, const bench::Options& options) {
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
