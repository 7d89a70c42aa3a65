// The text buffer against a plain model: random edits, groups, undo, redo, save points, whole-text
// assignments and built texts spliced in, with every look-up checked after every step.
// Input: one byte that picks the leaf size (2 to 17 units, or the default), then steps, each
// one byte of kind followed by its argument bytes and four bytes that pick the range read back
// (fuzz/make_textbuffer_corpus.py writes the same format). Inserted units come from a
// small alphabet of the units that matter to lines (CR, LF, U+2029, U+FDD0, NUL, lone
// surrogates) so that short inputs make many lines.
// Kind bytes from 240 up begin a group of a run of like edits, or end the run.
// The model keeps the text as one std::u16string and its history as whole-text snapshots.
// A listener keeps its own copy of the text from the changes it is told, which must end equal.
#include "text/textbuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using text::Pos;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_textbuffer: %s\n", what);
        std::abort();
    }
}

constexpr char16_t kAlphabet[16] = {u'a',   u'b',   u'\r',  u'\n', u'\r',  u'\n', 0x2029, 0xFDD0,
                                    0x0000, 0xD800, 0xDC00, u'ж',  0xFEFF, u'\t', 0xFDD1, u'z'};

// Texts stay below this many units, so that each step can be checked whole.
constexpr std::size_t kMaxText = 3000;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_at >= m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint32_t word() { return byte() | (std::uint32_t(byte()) << 8); }
    // Units from the alphabet; a high count byte asks for a long run that crosses leaves.
    std::u16string units() {
        const std::uint8_t n = byte();
        std::u16string out;
        const std::size_t count = n < 200 ? n % 12 : (n - 199) * 37;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t b = i < 12 || n < 200 ? byte() : std::uint8_t(i * 7 + n);
            out.push_back(kAlphabet[b & 15]);
        }
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

Pos lfIn(std::u16string_view s) {
    return Pos(std::count(s.begin(), s.end(), u'\n'));
}

// A copy of the text kept from the changes alone.
class Mirror : public text::BufferListener {
public:
    explicit Mirror(const text::TextBuffer& b) : m_b(b), m_saved(b.atSavePoint()) {}

    void textChanged(const text::Change& c) override {
        check(c.position >= 0 && c.removed >= 0 && c.inserted >= 0 &&
                  std::size_t(c.position + c.removed) <= text.size(),
              "change outside the old text");
        const std::u16string_view old(text);
        check(c.firstLine == lfIn(old.substr(0, std::size_t(c.position))), "change firstLine");
        check(c.linesRemoved == lfIn(old.substr(std::size_t(c.position), std::size_t(c.removed))),
              "change linesRemoved");
        const std::u16string ins = m_b.text(c.position, c.inserted);
        check(c.linesInserted == lfIn(ins), "change linesInserted");
        text.replace(std::size_t(c.position), std::size_t(c.removed), ins);
        check(Pos(text.size()) == m_b.length(), "told before the buffer holds the new text");
        ++changes;
    }
    void textReset() override {
        text = m_b.text();
        ++changes;
    }
    void savePointChanged(bool at) override {
        check(at == m_b.atSavePoint(), "savePointChanged disagrees with atSavePoint");
        check(at != m_saved, "savePointChanged without a change");
        m_saved = at;
    }

    std::u16string text;
    std::uint64_t changes = 0;
    bool saved() const { return m_saved; }

private:
    const text::TextBuffer& m_b;
    bool m_saved;
};

// The buffer's history as snapshots: states[i] is the text after i steps, notes[i] the note
// of step i + 1.
struct Model {
    std::u16string text;
    std::vector<std::u16string> states{std::u16string()};
    std::vector<Pos> notes;
    std::size_t applied = 0;
    std::ptrdiff_t savePoint = 0;
    int depth = 0;
    bool stepOpen = false;
    int groupRun = 0; // run of the open group
    int lastRun = 0;  // run that may join the last step
    Pos note = -1;

    bool atSavePoint() const { return savePoint == std::ptrdiff_t(applied); }
    // Whatever comes between two groups of a run but an edit of the run ends it.
    void endStep() {
        stepOpen = false;
        lastRun = 0;
    }

    void edit(Pos pos, Pos len, std::u16string_view ins) {
        pos = std::clamp<Pos>(pos, 0, Pos(text.size()));
        len = std::clamp<Pos>(len, 0, Pos(text.size()) - pos);
        if (len == 0 && ins.empty())
            return;
        text.replace(std::size_t(pos), std::size_t(len), ins);
        if (!stepOpen && groupRun != 0 && groupRun == lastRun && applied > 0 &&
            applied + 1 == states.size() && !atSavePoint())
            stepOpen = true;
        if (stepOpen) {
            states.back() = text;
            return;
        }
        states.resize(applied + 1);
        notes.resize(applied);
        if (savePoint > std::ptrdiff_t(applied))
            savePoint = -1;
        states.push_back(text);
        notes.push_back(note);
        ++applied;
        stepOpen = depth > 0;
        lastRun = groupRun;
    }
    void assign(std::u16string t) {
        text = std::move(t);
        states = {text};
        notes.clear();
        applied = 0;
        savePoint = 0;
        endStep();
    }
};

void checkLookups(const text::TextBuffer& b, const std::u16string& t, Input& in) {
    const Pos len = Pos(t.size());
    check(b.length() == len, "length");
    check(b.text() == t, "text");
    std::vector<Pos> starts{0};
    for (Pos i = 0; i < len; ++i) {
        if (t[std::size_t(i)] == u'\n')
            starts.push_back(i + 1);
    }
    const Pos lines = Pos(starts.size());
    check(b.lineCount() == lines, "lineCount");
    // Every position and line of a short text; a sample of a long one.
    const Pos stride = len < 400 ? 1 : len / 97 + 1;
    Pos line = 0;
    for (Pos p = 0; p <= len + 1; p += (p < 3 || p + 3 > len) ? 1 : stride) {
        while (line + 1 < lines && starts[std::size_t(line + 1)] <= p)
            ++line;
        check(b.at(p) == (p < len ? t[std::size_t(p)] : 0), "at");
        check(b.lineOf(p) == line, "lineOf");
    }
    check(b.at(-1) == 0 && b.lineOf(-1) == 0, "look-ups before the text");
    const Pos lineStride = lines < 200 ? 1 : lines / 53 + 1;
    for (Pos l = 0; l < lines; l += (l < 3 || l + 3 > lines) ? 1 : lineStride) {
        const Pos start = starts[std::size_t(l)];
        Pos end = len;
        if (l + 1 < lines) {
            end = starts[std::size_t(l + 1)] - 1;
            if (end > start && t[std::size_t(end - 1)] == u'\r')
                --end;
        }
        check(b.lineStart(l) == start, "lineStart");
        check(b.lineEnd(l) == end, "lineEnd");
    }
    check(b.lineStart(lines + 3) == starts.back() && b.lineEnd(-2) == b.lineEnd(0),
          "line numbers clamped");

    // One range chosen by the input, read as a copy and as spans.
    const Pos pos = Pos(in.word() % std::uint32_t(len + 2)) - 1;
    const Pos n = Pos(in.word() % std::uint32_t(len + 2));
    const Pos from = std::clamp<Pos>(pos, 0, len);
    const std::u16string want =
        t.substr(std::size_t(from), std::size_t(std::clamp<Pos>(n, 0, len - from)));
    check(b.text(pos, n) == want, "text(pos, len)");
    std::u16string spans;
    bool emptySpan = false;
    b.forEachSpan(pos, n, [&](std::u16string_view s) {
        emptySpan = emptySpan || s.empty();
        spans.append(s);
        return true;
    });
    check(!emptySpan, "empty span");
    check(spans == want, "spans");
    int calls = 0;
    b.forEachSpan(pos, n, [&](std::u16string_view) { return ++calls < 0; });
    check(calls == (want.empty() ? 0 : 1), "spans go on after false");
}

// After an undo or redo, the text differs from the one before only inside the restored range.
void checkRestored(const text::TextBuffer::Restored& r, bool expected, const std::u16string& before,
                   const std::u16string& after) {
    check(r.done == expected, "Restored.done");
    if (!r.done)
        return;
    check(r.position >= 0 && r.length >= 0 && std::size_t(r.position + r.length) <= after.size(),
          "Restored outside the text");
    const std::size_t head = std::size_t(r.position);
    const std::size_t tail = after.size() - head - std::size_t(r.length);
    check(head <= before.size() && tail <= before.size() - head, "Restored range too small");
    check(before.compare(0, head, after, 0, head) == 0, "text changed before the Restored range");
    check(before.compare(before.size() - tail, tail, after, after.size() - tail, tail) == 0,
          "text changed after the Restored range");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    Input in(data, size);
    const std::uint8_t sizeKey = in.byte();
    const Pos chunk = sizeKey >= 240 ? text::kDefaultChunkUnits : 2 + sizeKey % 16;
    text::TextBuffer b(chunk);
    Mirror mirror(b);
    b.addListener(&mirror);
    Model m;
    std::uint64_t revision = b.revision();

    for (int step = 0; step < 400 && !in.empty(); ++step) {
        const std::uint8_t kindByte = in.byte();
        const int kind = kindByte >= 240 ? 12 + kindByte % 2 : kindByte % 12;
        const Pos len = Pos(m.text.size());
        // Each step started now carries the number of this step as its note.
        b.setNote({step, -step});
        m.note = step;
        switch (kind) {
        case 0:
        case 1: {
            const Pos pos = Pos(in.word() % std::uint32_t(len + 3)) - 1;
            const std::u16string u = in.units();
            if (m.text.size() + u.size() > kMaxText)
                break;
            b.insert(pos, u);
            m.edit(pos, 0, u);
            break;
        }
        case 2: {
            const Pos pos = Pos(in.word() % std::uint32_t(len + 3)) - 1;
            const std::uint8_t key = in.byte();
            const Pos n = key < 230 ? key % 9 : Pos(in.word());
            b.remove(pos, n);
            m.edit(pos, n, {});
            break;
        }
        case 3: {
            const Pos pos = Pos(in.word() % std::uint32_t(len + 1));
            const Pos n = Pos(in.byte() % 12);
            const std::u16string u = in.units();
            if (m.text.size() + u.size() > kMaxText)
                break;
            b.replace(pos, n, u);
            m.edit(pos, n, u);
            break;
        }
        case 4:
        case 5: {
            const std::u16string before = m.text;
            const bool can = m.applied > 0;
            check(b.canUndo() == can, "canUndo");
            const auto r = b.undo();
            m.endStep();
            if (can)
                m.text = m.states[--m.applied];
            checkRestored(r, can, before, m.text);
            if (can)
                check(r.note.first == m.notes[m.applied] && r.note.second == -r.note.first,
                      "undo's note");
            break;
        }
        case 6: {
            const std::u16string before = m.text;
            const bool can = m.applied + 1 < m.states.size();
            check(b.canRedo() == can, "canRedo");
            const auto r = b.redo();
            m.endStep();
            if (can)
                m.text = m.states[++m.applied];
            checkRestored(r, can, before, m.text);
            if (can)
                check(r.note.first == m.notes[m.applied - 1], "redo's note");
            break;
        }
        case 7:
            if (m.depth < 5) {
                b.beginGroup();
                ++m.depth;
            }
            break;
        case 8:
            b.endGroup();
            if (m.depth > 0 && --m.depth == 0) {
                m.stepOpen = false;
                m.groupRun = 0;
            }
            break;
        case 9:
            b.setSavePoint();
            m.endStep();
            m.savePoint = std::ptrdiff_t(m.applied);
            break;
        case 10: {
            const bool at = m.atSavePoint();
            b.clearHistory();
            m.states = {m.text};
            m.notes.clear();
            m.applied = 0;
            m.savePoint = at ? 0 : -1;
            m.endStep();
            break;
        }
        case 12:
            // A group of one of three runs of like edits.
            if (m.depth < 5) {
                const int run = 1 + in.byte() % 3;
                b.beginGroup(run);
                if (m.depth++ == 0)
                    m.groupRun = run;
            }
            break;
        case 13:
            b.endRun();
            m.lastRun = 0;
            break;
        default: {
            // A text appended to a builder in pieces, perhaps with room reserved first; it
            // becomes the whole text, or is spliced in at a position as one edit.
            const std::uint8_t how = in.byte();
            text::TextBuilder builder(how & 1 ? chunk : text::kDefaultChunkUnits);
            if (in.byte() & 1)
                builder.reserve(Pos(in.byte()) * 3);
            std::u16string t;
            const int pieces = in.byte() % 6;
            for (int i = 0; i < pieces; ++i) {
                std::u16string u = in.units();
                if (t.size() + u.size() > kMaxText)
                    break;
                builder.append(u);
                t += u;
            }
            check(builder.length() == Pos(t.size()), "builder length");
            if (how & 2) {
                const Pos pos = Pos(in.word() % std::uint32_t(len + 3)) - 1;
                if (m.text.size() + t.size() > kMaxText)
                    break;
                b.insert(pos, std::move(builder));
                m.edit(pos, 0, t);
            } else {
                b.assign(std::move(builder));
                m.assign(t);
            }
            check(builder.length() == 0, "builder not emptied");
            break;
        }
        }
        check(b.atSavePoint() == m.atSavePoint(), "atSavePoint");
        check(mirror.saved() == b.atSavePoint(), "savePointChanged missed");
        check(b.canUndo() == (m.applied > 0), "canUndo after step");
        check(b.canRedo() == (m.applied + 1 < m.states.size()), "canRedo after step");
        check(mirror.text == m.text, "listener's copy");
        check(b.revision() - revision == mirror.changes, "revision counts the changes");
        checkLookups(b, m.text, in);
    }
    b.removeListener(&mirror);
    return 0;
}
