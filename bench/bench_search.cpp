// Finding a word placed at the end of a large text: the find command's search on the editor's
// document beside QString::indexOf over the same text in one string.
#include "benchtable.h"
#include "guiapp.h"
#include "search/docsearch.h"
#include "search/textsearch.h"
#include "shell/memotarget.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <cstdio>

namespace {

void searchSuite(bench::Table& table, const bench::Options& options) {
    bench::guiApp();

    // options.megabytes of UTF-16 text in lines of about 60 letters, the word at its end.
    const QString line =
        QString::fromUtf8("съешь же ещё этих мягких французских булок, да выпей чаю");
    const QString word = QStringLiteral("привет");
    const qsizetype units = qsizetype(options.megabytes) * 1024 * 1024 / 2;
    QString text;
    text.reserve(units + line.size() + word.size() + 1);
    while (text.size() < units) {
        text += line;
        text += u'\n';
    }
    text += word;

    QPlainTextEdit editor;
    editor.setPlainText(text);
    editor.hide();
    MemoTarget memo(&editor);
    const qsizetype expected = memo.length() - word.size();

    qsizetype ours = -1;
    const double oursSeconds =
        bench::bestSeconds([&] { ours = search::findInEditor(memo, *editor.document(), 0, word); });
    qsizetype reference = -1;
    const double referenceSeconds = bench::bestSeconds([&] { reference = text.indexOf(word); });
    if (ours != expected || reference != text.size() - word.size())
        std::fprintf(stderr, "search: wrong hit %lld (expected %lld)\n",
                     static_cast<long long>(ours), static_cast<long long>(expected));
    table.add({"find a word at the end of the text", oursSeconds, referenceSeconds, "s", false, 2.0,
               "QString::indexOf over the same text"});

    // The pieces read through the editor's selection, for comparison.
    qsizetype pieces = -1;
    const double piecesSeconds =
        bench::bestSeconds([&] { pieces = search::findInTarget(memo, 0, word); }, 1);
    if (pieces != expected)
        std::fprintf(stderr, "search: pieces found %lld\n", static_cast<long long>(pieces));
    table.add({"same, 70000-unit pieces through the selection", piecesSeconds, referenceSeconds,
               "s", false, 0, "for comparison only"});
}

} // namespace

TOVILO_BENCH_SUITE("search", searchSuite);
