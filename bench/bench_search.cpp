// Finding a word placed at the end of a large text: the find command's search in the editor's
// text buffer beside std::u16string_view::find over the same units in one array, as typed and
// with stress marks ignored.
#include "benchtable.h"
#include "guiapp.h"
#include "search/textsearch.h"
#include "text/textbuffer.h"
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

    // Wall clock: the search runs on two threads.
    qsizetype ours = -1;
    std::size_t reference = 0;
    const auto [oursSeconds, referenceSeconds] =
        bench::bestWallSecondsInTurns([&] { ours = search::findInBuffer(memo.buffer(), 0, word); },
                                      [&] { reference = std::u16string_view(flat).find(wanted); });
    if (ours != expected || reference != std::size_t(expected))
        std::fprintf(stderr, "search: wrong hit %lld (expected %lld)\n",
                     static_cast<long long>(ours), static_cast<long long>(expected));
    table.add({"find a word at the end of the text", oursSeconds, referenceSeconds, "s", false, 0.7,
               "std::u16string_view::find over the same units in one array; wall clock"});

    // The same on one thread, as with one core.
    qsizetype alone = -1;
    const double aloneSeconds = bench::bestWallSeconds([&] {
        alone = search::findInBuffer(memo.buffer(), 0, word, search::kChunkUnits,
                                     memo.buffer().length());
    });
    if (alone != expected)
        std::fprintf(stderr, "search: one thread found %lld\n", static_cast<long long>(alone));
    table.add(
        {"same, on one thread", aloneSeconds, referenceSeconds, "s", false, 1.5, "for comparison"});

    // A needle holding a line break keeps the pieces' rules: here the break before the word
    // ends a piece, and nothing is found, on one thread or on two.
    const QString broken = line.right(5) + u"\r\n"_qs + word;
    const qsizetype brokenExpected =
        search::findInBuffer(memo.buffer(), 0, broken, search::kChunkUnits, memo.length());
    qsizetype brokenHit = -1;
    const double brokenSeconds =
        bench::bestWallSeconds([&] { brokenHit = search::findInBuffer(memo.buffer(), 0, broken); });
    if (brokenHit != brokenExpected)
        std::fprintf(stderr, "search: the needle with a line break found %lld\n",
                     static_cast<long long>(brokenHit));
    table.add({"find the last line's end, its line break and the word", brokenSeconds,
               referenceSeconds, "s", false, 0.7, "reference: the word alone, as above"});

    // The pieces read through the editor's selection, for comparison.
    qsizetype pieces = -1;
    const double piecesSeconds =
        bench::bestSeconds([&] { pieces = search::findInTarget(memo, 0, word); }, 1);
    if (pieces != expected)
        std::fprintf(stderr, "search: pieces found %lld\n", static_cast<long long>(pieces));
    table.add({"same, 70000-unit pieces through the selection", piecesSeconds, referenceSeconds,
               "s", false, 0, "for comparison only"});
}

// "ignore stress marks": a text whose words carry stress marks, a stressed word at its end
// searched for without its mark, beside std::u16string_view::find of the word as it stands.
void ignoringMarksSuite(bench::Table& table, const bench::Options& options) {
    const std::u16string line =
        u"съе\u0301шь же ещё э\u0301тих мя\u0301гких францу\u0301зских бу\u0301лок, "
        u"да вы\u0301пей ча\u0301ю\n";
    const std::u16string stressed = u"ча\u0301шка";
    const QString word = QStringLiteral("чашка");
    const std::size_t size = options.megabytes * 1024 * 1024 / 2;
    std::u16string flat;
    flat.reserve(size + line.size() + stressed.size());
    while (flat.size() < size)
        flat += line;
    flat += stressed;
    text::TextBuffer buffer;
    buffer.assign(flat);
    const qsizetype expected = qsizetype(flat.size() - stressed.size());

    search::Hit ours;
    std::size_t reference = 0;
    const auto [oursSeconds, referenceSeconds] = bench::bestWallSecondsInTurns(
        [&] { ours = search::findInBufferIgnoringMarks(buffer, 0, word); },
        [&] { reference = std::u16string_view(flat).find(stressed); });
    if (ours.position != expected || ours.length != qsizetype(stressed.size()) ||
        reference != std::size_t(expected))
        std::fprintf(stderr, "search: ignoring marks, wrong hit %lld+%lld (expected %lld)\n",
                     static_cast<long long>(ours.position), static_cast<long long>(ours.length),
                     static_cast<long long>(expected));
    table.add({"find a word at the end, ignoring stress marks", oursSeconds, referenceSeconds, "s",
               false, 1,
               "std::u16string_view::find of the stressed word in one array; wall clock"});

    search::Hit alone;
    const double aloneSeconds = bench::bestWallSeconds(
        [&] { alone = search::findInBufferIgnoringMarks(buffer, 0, word, buffer.length()); });
    if (alone.position != expected)
        std::fprintf(stderr, "search: ignoring marks on one thread, wrong hit %lld\n",
                     static_cast<long long>(alone.position));
    table.add(
        {"same, on one thread", aloneSeconds, referenceSeconds, "s", false, 2, "for comparison"});
}

} // namespace

TOVILO_BENCH_SUITE("search", searchSuite);
TOVILO_BENCH_SUITE("search ignoring marks", ignoringMarksSuite);
