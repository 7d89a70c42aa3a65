// Recovery journals, whole, cut short and damaged. Input: one byte of mode, then
// - mode even: bytes read as a journal file. Reading never fails hard, and the edits read are
//   replayed onto a text buffer without trouble (edits that do not fit end the replay).
// - mode odd: a script of edits (each: a byte of kind, then position, length and units as
//   bytes), written as a journal by the format's own writer, then cut at a point and changed
//   at one byte, both chosen by the input's first bytes after the mode. What is read back must
//   be a prefix of the edits, all of them when nothing was cut or changed, and replaying it
//   must give the text those edits made. (fuzz/make_journal_corpus.py writes inputs.)
#include "recovery/journal.h"
#include "text/textbuffer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_journal: %s\n", what);
        std::abort();
    }
}

constexpr char16_t kAlphabet[8] = {u'a', u'\r', u'\n', u'ж', 0xD800, 0x0000, 0xFFFF, u'z'};
// Replayed texts stay below this many units.
constexpr std::uint64_t kMaxText = 100000;

std::u16string replayed(const std::vector<recovery::Edit>& edits, std::size_t& applied) {
    text::TextBuffer buffer(7);
    applied = recovery::Replay(
        edits, {[&buffer] { return std::uint64_t(buffer.length()); },
                [&buffer](std::uint64_t at, std::uint64_t removed, std::u16string_view units) {
                    if (std::uint64_t(buffer.length()) - removed + units.size() <= kMaxText)
                        buffer.replace(text::Pos(at), text::Pos(removed), units);
                }});
    return buffer.text();
}

void readRaw(const std::uint8_t* data, std::size_t size) {
    recovery::Journal journal;
    if (!recovery::ParseJournal({data, size}, journal))
        return;
    check(journal.intactBytes <= size, "intact bytes beyond the input");
    check(journal.damagedTail == (journal.intactBytes < size), "damaged tail misreported");
    std::size_t applied = 0;
    replayed(journal.edits, applied);
    check(applied <= journal.edits.size(), "more edits applied than read");
}

void writeAndRead(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    const auto byte = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
    const std::uint32_t cut = byte() | (std::uint32_t(byte()) << 8);
    const std::uint32_t flip = byte() | (std::uint32_t(byte()) << 8);
    const std::uint8_t flipBits = byte();

    recovery::Origin origin;
    origin.fromFile = (byte() & 1) != 0;
    origin.fileName = origin.fromFile ? "/home/user/заметки.txt" : "";
    origin.size = byte() * 1000;
    origin.checksum = 0x0123456789ABCDEFULL * byte();
    std::uint64_t chain = 0;
    std::string bytes = recovery::HeaderBytes(4242, origin, chain);
    const std::size_t headerSize = bytes.size();

    // The edits, made to fit the text as it grows, and the text after each.
    std::vector<recovery::Edit> edits;
    std::vector<std::u16string> texts{u""};
    std::u16string model;
    while (at < size && edits.size() < 100) {
        recovery::Edit edit;
        edit.position = model.empty() ? 0 : byte() % (model.size() + 1);
        const std::uint8_t kind = byte();
        if (kind & 1)
            edit.removed = byte() % (model.size() - edit.position + 1);
        const std::size_t count = (kind & 2) ? byte() % 12 : (kind & 4) ? 300 : 0;
        for (std::size_t i = 0; i < count; ++i)
            edit.inserted.push_back(kAlphabet[(i < 12 ? byte() : i) & 7]);
        model.replace(std::size_t(edit.position), std::size_t(edit.removed), edit.inserted);
        bytes += recovery::RecordBytes(edit, chain);
        edits.push_back(std::move(edit));
        texts.push_back(model);
    }

    const bool cutShort = cut < bytes.size();
    if (cutShort)
        bytes.resize(cut);
    const bool changed = flipBits != 0 && flip < bytes.size();
    if (changed)
        bytes[flip] = char(bytes[flip] ^ flipBits);

    recovery::Journal journal;
    const bool read = recovery::ParseJournal(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, journal);
    if (!cutShort && !(changed && flip < headerSize))
        check(read, "a whole header was not read");
    if (!read)
        return;
    check(journal.origin == origin, "the origin read back differs");
    check(journal.edits.size() <= edits.size(), "more edits read than written");
    for (std::size_t i = 0; i < journal.edits.size(); ++i)
        check(journal.edits[i] == edits[i], "an edit read back differs");
    if (!cutShort && !changed)
        check(journal.edits.size() == edits.size() && !journal.damagedTail,
              "an intact journal lost edits");
    std::size_t applied = 0;
    const std::u16string text = replayed(journal.edits, applied);
    check(applied == journal.edits.size(), "a written edit did not fit its text");
    check(text == texts[journal.edits.size()], "the replayed text differs");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1)
        writeAndRead(data + 1, size - 1);
    else
        readRaw(data + 1, size - 1);
    return 0;
}
