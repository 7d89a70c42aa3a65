// Finding a word placed at the end of a large text: the find command's search in the editor's
// text buffer beside std::u16string_view::find over the same units in one array.
#include "benchtable.h"
#include "guiapp.h"
#include "search/textsearch.h"
#include "view/memoview.h"

#include <QApplication>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

void searchSuite(bench::Table& table, const bench::Options& options) {
    bench::guiApp();

    // options.megabytes of UTF-16 text in lines of about 60 letters, the word at its end.
    const QString line =
        QString::fromUtf8("съешь же ещё этих мягких французских булок, да выпей чаю");
    const QString word = QStringLiteral("привет");
    const qsizetype size = qsizetype(options.megabytes) * 1024 * 1024 / 2;
    QString text;
    text.reserve(size + line.size() + word.size() + 1);
    while (text.size() < size) {
        text += line;
        text += u'\n';
    }
    text += word;

    MemoView memo;
    memo.setPlainText(text);
    memo.hide();
    const qsizetype expected = memo.length() - word.size();
    const std::u16string flat = memo.buffer().text();
    const std::u16string wanted = word.toStdU16String();

    qsizetype ours = -1;
    const double oursSeconds =
        bench::bestSeconds([&] { ours = search::findInBuffer(memo.buffer(), 0, word); });
    std::size_t reference = 0;
    const double referenceSeconds =
        bench::bestSeconds([&] { reference = std::u16string_view(flat).find(wanted); });
    if (ours != expected || reference != std::size_t(expected))
        std::fprintf(stderr, "search: wrong hit %lld (expected %lld)\n",
                     static_cast<long long>(ours), static_cast<long long>(expected));
    table.add({"find a word at the end of the text", oursSeconds, referenceSeconds, "s", false, 1.5,
               "std::u16string_view::find over the same units in one array"});

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
