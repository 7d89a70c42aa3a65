// The text buffer on a text the size of a --mb MB UTF-8 file of Russian lines: loading it
// through a TextBuilder beside a plain copy of the same units, saving it through its spans
// beside encoding one array, a keystroke and line look-ups at its end beside an empty text or
// its start, and a search through its spans beside one search over a contiguous array. The
// "text-leaves" suite measures the other leaf sizes and the cost a gap buffer would pay, which
// chose the structure.
#include "benchtable.h"
#include "encoding/textwriter.h"
#include "encoding/utf8writer.h"
#include "text/textbuffer.h"
#include "text/textspans.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using text::Pos;

const char16_t* const kLines[] = {
    u"Съешь же ещё этих мягких французских булок, да выпей чаю.",
    u"Москва - столица России.",
    u"Программа для редактирования текста на русском языке.",
    u"Широкая электрификация южных губерний даст мощный толчок подъёму.",
    u"В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!",
    u"Tovilo 0.81: ввод латиницей, 2024.",
};
constexpr std::u16string_view kNeedle = u"найди-меня";

// Lines with CR LF ends until their UTF-8 form reaches `megabytes` MB, then the needle.
std::u16string makeText(std::size_t megabytes) {
    std::u16string text;
    std::size_t bytes = 0;
    std::uint32_t state = 777;
    while (bytes < megabytes * 1000000) {
        state = state * 1103515245u + 12345u;
        const std::u16string_view line = kLines[(state >> 16) % std::size(kLines)];
        text += line;
        text += u"\r\n";
        for (const char16_t u : line)
            bytes += u < 0x80 ? 1 : 2;
        bytes += 2;
    }
    text += kNeedle;
    return text;
}

long residentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// Loads the text the way a decoder does: an estimate first, then pieces of 64 Ki units.
void load(text::TextBuffer& b, const std::u16string& t, Pos chunk) {
    text::TextBuilder builder(chunk);
    builder.reserve(Pos(t.size()));
    for (std::size_t at = 0; at < t.size(); at += 65536)
        builder.append(std::u16string_view(t).substr(at, 65536));
    b.assign(std::move(builder));
}

// Where `needle` first occurs, searching span by span; a match that straddles two spans is
// found in the joint of the last units of one and the first of the next.
Pos findInSpans(const text::TextBuffer& b, std::u16string_view needle) {
    Pos found = -1;
    Pos spanStart = 0;
    std::u16string joint; // the last needle.size() - 1 units before spanStart
    b.forEachSpan(0, b.length(), [&](std::u16string_view span) {
        if (!joint.empty()) {
            const std::size_t keep = joint.size();
            joint.append(span.substr(0, needle.size() - 1));
            const std::size_t at = joint.find(needle);
            if (at != std::u16string::npos) {
                found = spanStart - Pos(keep) + Pos(at);
                return false;
            }
            joint.erase(0,
                        joint.size() > needle.size() - 1 ? joint.size() - (needle.size() - 1) : 0);
        }
        const std::size_t at = span.find(needle);
        if (at != std::u16string_view::npos) {
            found = spanStart + Pos(at);
            return false;
        }
        const std::size_t tail = std::min(span.size(), needle.size() - 1);
        joint.append(span.substr(span.size() - tail));
        if (joint.size() > needle.size() - 1)
            joint.erase(0, joint.size() - (needle.size() - 1));
        spanStart += Pos(span.size());
        return true;
    });
    return found;
}

// Seconds per call of f, over `n` calls.
template <class F> double perCall(int n, F&& f) {
    return bench::bestSeconds([&] {
               for (int i = 0; i < n; ++i)
                   f(i);
           }) /
           n;
}

// A keystroke and its deletion at pos, or at the end when pos is -1 (each one edit and one
// undo step).
double keystrokes(text::TextBuffer& b, Pos pos = -1) {
    return perCall(20000, [&](int) {
        const Pos at = pos < 0 ? b.length() : pos;
        b.insert(at, u"ж");
        b.remove(at, 1);
    });
}

// Line of a position near `pos`, the start and end of that line, and the unit there.
double lookups(const text::TextBuffer& b, Pos pos) {
    volatile Pos sink = 0;
    const double s = perCall(100000, [&](int i) {
        const Pos p = std::max<Pos>(0, std::min(b.length(), pos + (i & 63)));
        const Pos line = b.lineOf(p);
        sink = sink + b.lineStart(line) + b.lineEnd(line) + b.at(p);
    });
    return s;
}

void textSuite(bench::Table& table, const bench::Options& options) {
    const std::u16string t = makeText(options.megabytes);
    const std::string mb = std::to_string(options.megabytes) + " MB";
    const double units = double(t.size());

    // Loading: the builder's arenas become the buffer, so its cost is one copy of the units
    // into fresh memory, as for the plain copy.
    const double copySeconds = bench::bestSeconds([&] {
        std::unique_ptr<char16_t[]> fresh(new char16_t[t.size()]);
        for (std::size_t at = 0; at < t.size(); at += 65536)
            std::memcpy(fresh.get() + at, t.data() + at,
                        std::min<std::size_t>(65536, t.size() - at) * 2);
        if (fresh[t.size() / 2] == 0)
            std::puts("");
    });
    const double buildSeconds = bench::bestSeconds([&] {
        text::TextBuffer b;
        load(b, t, text::kDefaultChunkUnits);
    });
    table.add({"text: load " + mb + " through TextBuilder", buildSeconds, copySeconds, "s", false,
               1.2, "reference: memcpy of the units into fresh memory"});

    text::TextBuffer big;
    const long before = residentBytes();
    load(big, t, text::kDefaultChunkUnits);
    const long after = residentBytes();
    table.add({"text: memory of the loaded buffer", double(after - before) / units, 2.0,
               "bytes/unit", false, 1.05, "reference: 2 bytes per UTF-16 unit"});

    // Saving: the buffer through its spans beside encoding one array in blocks; both write
    // to the same file.
    {
        const std::string path = options.workDir + "/text-save.txt";
        auto writeTo = [&](auto&& produce) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            produce([fd](std::string_view bytes) {
                return ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
            });
            ::close(fd);
        };
        const auto [ours, plain] = bench::bestWallSecondsInTurns(
            [&] {
                writeTo([&](auto&& write) {
                    enc::WriteText(enc::OutputFormat::Utf8, text::SpansOf(big),
                                   [&](std::string_view bytes) {
                                       return write(bytes) ? enc::FileResult{}
                                                           : enc::FileResult::fromErrno(errno);
                                   });
                });
            },
            [&] {
                writeTo([&](auto&& write) {
                    std::string block(3 * 65536 + 1, '\0');
                    for (std::size_t at = 0; at < t.size(); at += 65536) {
                        const std::size_t n =
                            enc::Utf16ToUtf8(std::u16string_view(t).substr(at, 65536),
                                             reinterpret_cast<std::uint8_t*>(block.data()));
                        write(std::string_view(block.data(), n));
                    }
                });
            });
        table.add({"text: save " + mb + " as UTF-8 through the spans", ours, plain, "s", false, 1.2,
                   "reference: Utf16ToUtf8 of one array, same writes"});
    }

    // The figures of each pair are measured in turns.
    text::TextBuffer empty;
    double bigKey = 1e300, emptyKey = 1e300, endLookups = 1e300, startLookups = 1e300;
    for (int i = 0; i < 5; ++i) {
        bigKey = std::min(bigKey, keystrokes(big));
        emptyKey = std::min(emptyKey, keystrokes(empty));
        endLookups = std::min(endLookups, lookups(big, big.length() - 64));
        startLookups = std::min(startLookups, lookups(big, 0));
    }
    table.add({"text: keystroke at the end of " + mb, bigKey * 1e6, emptyKey * 1e6, "us", false,
               1.3, "reference: the same in an empty text"});

    table.add({"text: lineOf/lineStart/lineEnd/at at the end", endLookups * 1e6, startLookups * 1e6,
               "us", false, 1.3, "reference: the same at the start"});
    table.add({"text: the same look-ups in an empty text", lookups(empty, 0) * 1e6,
               startLookups * 1e6, "us", false, 0, "reference: at the start of " + mb});

    // Search: over the fresh text and after a thousand edits spread over it.
    Pos expected = Pos(t.size() - kNeedle.size());
    volatile Pos got = 0; // kept, so the reference search is not left out
    const auto [spans, contiguous] =
        bench::bestSecondsInTurns([&] { got = findInSpans(big, kNeedle); },
                                  [&] { got = Pos(std::u16string_view(t).find(kNeedle)); });
    if (got != expected)
        std::fprintf(stderr, "bench_text: span find gave %lld\n", static_cast<long long>(Pos(got)));
    table.add({"text: find at the end through the spans", spans, contiguous, "s", false, 1.5,
               "reference: u16string_view::find over one array"});
    for (int i = 0; i < 1000; ++i)
        big.insert(Pos(double(big.length()) * i / 1000.0), u"ё");
    expected += 1000;
    int pieces = 0;
    big.forEachSpan(0, big.length(), [&](std::u16string_view) { return ++pieces > 0; });
    const double editedSpans = bench::bestSeconds([&] { got = findInSpans(big, kNeedle); });
    if (got != expected)
        std::fprintf(stderr, "bench_text: span find gave %lld\n", static_cast<long long>(Pos(got)));
    table.add({"text: the same after 1000 edits spread over it", editedSpans, contiguous, "s",
               false, 1.5, std::to_string(pieces) + " spans"});
}

// The candidates: leaves of other sizes, and what a gap buffer pays to move its gap.
void leavesSuite(bench::Table& table, const bench::Options& options) {
    const std::u16string t = makeText(options.megabytes);
    text::TextBuffer reference;
    load(reference, t, text::kDefaultChunkUnits);
    const double refKey = keystrokes(reference, reference.length() / 2);
    const double refLook = lookups(reference, reference.length() / 2);
    for (const Pos chunk : {Pos(1024), Pos(16384), Pos(65536)}) {
        text::TextBuffer b(chunk);
        load(b, t, chunk);
        const std::string name = "leaves of " + std::to_string(chunk) + " units: ";
        table.add({name + "keystroke in the middle", keystrokes(b, b.length() / 2) * 1e6,
                   refKey * 1e6, "us", false, 0, "reference: leaves of 4096"});
        table.add({name + "look-ups in the middle", lookups(b, b.length() / 2) * 1e6, refLook * 1e6,
                   "us", false, 0, "reference: leaves of 4096"});
    }
    // A gap buffer keeps the text in one array; a keystroke far from the last one moves the
    // gap, one memmove of the units in between.
    std::u16string gap = t;
    const double move =
        bench::bestSeconds([&] { std::memmove(gap.data() + 1, gap.data(), (gap.size() - 1) * 2); });
    const double ours = bench::bestSeconds([&] {
        reference.insert(0, u"a");
        reference.insert(reference.length(), u"b");
    });
    table.add({"gap buffer: type at the start, then at the end", move * 1e6, ours * 1e6, "us",
               false, 0, "ours as the reference: the gap moves across the text"});
}

} // namespace

TOVILO_BENCH_SUITE("text", textSuite);
TOVILO_BENCH_SUITE("text-leaves", leavesSuite);
