// The buffer: the units in a tree of leaves (text/leaves.h), the undo history as the edits
// themselves (what each removed and inserted), and the listeners.
#include "text/textbuffer.h"

#include "text/arena.h"
#include "text/history.h"
#include "text/leaves.h"
#include "text/scan.h"

#include <algorithm>
#include <vector>

namespace text {

namespace {

using detail::kCr;

Pos countLf(std::u16string_view units) {
    return detail::countLf(units.data(), Pos(units.size()));
}

} // namespace

// ---- TextBuilder --------------------------------------------------------------------------

// The text goes straight into arenas, which the buffer takes over as they are.
struct TextBuilder::Impl {
    explicit Impl(Pos slot) : slotUnits(std::max<Pos>(slot, 2)) {}
    ~Impl() {
        for (detail::Arena* a : arenas)
            detail::Arena::destroy(a);
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    Pos slotUnits;
    std::vector<detail::Arena*> arenas; // the last one takes the next units
    Pos length = 0;

    // LF units written so far.
    Pos lines() const {
        Pos n = 0;
        for (const detail::Arena* a : arenas) {
            for (Pos i = 0; i < a->usedSlots(); ++i)
                n += a->slotLines(i);
        }
        return n;
    }

    // A new arena for at least `units` more units; without an estimate each one is twice the
    // last, up to 64 Mi units.
    void grow(Pos units) {
        Pos want = arenas.empty() ? Pos{64} * 1024 : arenas.back()->slots() * slotUnits * 2;
        want = std::max(std::min(want, Pos{64} * 1024 * 1024), units);
        arenas.push_back(detail::Arena::create(slotUnits, (want + slotUnits - 1) / slotUnits));
    }
};

TextBuilder::TextBuilder() : TextBuilder(kDefaultChunkUnits) {}
TextBuilder::TextBuilder(Pos chunkUnits) : m_impl(std::make_unique<Impl>(chunkUnits)) {}
TextBuilder::~TextBuilder() = default;
TextBuilder::TextBuilder(TextBuilder&&) noexcept = default;
TextBuilder& TextBuilder::operator=(TextBuilder&&) noexcept = default;

void TextBuilder::append(std::u16string_view units) {
    if (!m_impl)
        m_impl = std::make_unique<Impl>(kDefaultChunkUnits);
    Impl& d = *m_impl;
    while (!units.empty()) {
        if (d.arenas.empty() || d.arenas.back()->room() == 0)
            d.grow(Pos(units.size()));
        const Pos n = d.arenas.back()->append(units);
        units.remove_prefix(std::size_t(n));
        d.length += n;
    }
}

char16_t* TextBuilder::beginAppend(Pos units) {
    if (!m_impl)
        m_impl = std::make_unique<Impl>(kDefaultChunkUnits);
    Impl& d = *m_impl;
    units = std::max<Pos>(units, 1);
    if (d.arenas.empty() || d.arenas.back()->room() < units)
        d.grow(units);
    return d.arenas.back()->tail();
}

void TextBuilder::endAppend(Pos units) {
    if (units <= 0 || !m_impl || m_impl->arenas.empty())
        return;
    detail::Arena& a = *m_impl->arenas.back();
    units = std::min(units, a.room());
    a.commit(units);
    m_impl->length += units;
}

Pos TextBuilder::length() const {
    return m_impl ? m_impl->length : 0;
}

void TextBuilder::reserve(Pos units) {
    if (!m_impl)
        m_impl = std::make_unique<Impl>(kDefaultChunkUnits);
    Impl& d = *m_impl;
    if (units <= 0 || (!d.arenas.empty() && d.arenas.back()->room() >= units))
        return;
    // One arena for all of it: reserved pages that are never written cost no memory, and the
    // unwritten end is given back when the buffer takes the text.
    if (!d.arenas.empty() && d.arenas.back()->used() == 0) {
        detail::Arena::destroy(d.arenas.back());
        d.arenas.pop_back();
    }
    d.arenas.push_back(detail::Arena::create(d.slotUnits, (units + d.slotUnits - 1) / d.slotUnits));
}

// ---- TextBuffer ---------------------------------------------------------------------------

struct TextBuffer::Impl {
    explicit Impl(Pos chunkUnits) : units(chunkUnits) {}

    detail::LeafTree units;

    detail::History history;
    std::size_t applied = 0;      // steps [0, applied) are done; the rest can be redone
    std::ptrdiff_t savePoint = 0; // value of `applied` at the save point; -1 when lost
    int groupDepth = 0;
    bool stepOpen = false; // the last step takes the next edit of the open group
    int groupRun = 0;      // run of the open group (0: none)
    int lastRun = 0;       // run whose next group may join the last step (0: none)
    detail::History::Note note;
    std::uint64_t revision = 0;
    std::vector<BufferListener*> listeners;

    Pos length() const { return units.length(); }
    Pos clampPos(Pos pos) const { return std::clamp<Pos>(pos, 0, length()); }

    bool atSavePoint() const {
        return savePoint >= 0 && static_cast<std::size_t>(savePoint) == applied;
    }

    template <class F> void notify(F&& f) {
        // A copy, so a listener may add or remove listeners while being told; one removed
        // meanwhile is not told any more.
        const std::vector<BufferListener*> copy = listeners;
        for (BufferListener* listener : copy) {
            if (std::find(listeners.begin(), listeners.end(), listener) != listeners.end())
                f(*listener);
        }
    }

    // Replaces [pos, pos + len) (already clamped) by `ins`, which must not point into the
    // text, and tells the listeners; `removed` holds the units being removed.
    void apply(Pos pos, Pos len, std::u16string_view ins, std::u16string_view removed) {
        Change change;
        change.position = pos;
        change.removed = len;
        change.inserted = Pos(ins.size());
        change.firstLine = units.lfsBefore(pos);
        change.linesRemoved = countLf(removed);
        change.linesInserted = countLf(ins);
        units.replace(pos, len, ins);
        ++revision;
        notify([&](BufferListener& l) { l.textChanged(change); });
    }

    void setSavePointState(bool before) {
        const bool after = atSavePoint();
        if (after != before)
            notify([&](BufferListener& l) { l.savePointChanged(after); });
    }

    // The step the next edit belongs to: the open group's, or a new one.
    void stepForEdit() {
        if (stepOpen)
            return;
        // A group of a run goes on with the run's step while that is the last step done and the
        // text after it is not the saved one.
        if (groupRun != 0 && groupRun == lastRun && applied > 0 && applied == history.steps() &&
            savePoint != static_cast<std::ptrdiff_t>(applied)) {
            stepOpen = true;
            return;
        }
        // A new step: what could be redone is gone, and with it a save point there.
        history.truncate(applied);
        if (savePoint > static_cast<std::ptrdiff_t>(applied))
            savePoint = -1;
        history.beginStep(note);
        ++applied;
        stepOpen = groupDepth > 0;
        lastRun = groupRun;
    }

    void edit(Pos pos, Pos len, std::u16string_view ins) {
        pos = clampPos(pos);
        len = std::clamp<Pos>(len, 0, length() - pos);
        if (len == 0 && ins.empty())
            return;
        const bool before = atSavePoint();
        stepForEdit();
        // The history's own copies feed the edit, so `ins` may even be a piece of this text.
        const detail::History::Edit& e = history.add(pos, len, ins, [&](char16_t* to) {
            units.spans(pos, len, [&](std::u16string_view piece) {
                to = std::copy(piece.begin(), piece.end(), to);
                return true;
            });
        });
        apply(pos, len, history.insertedUnits(e), history.removedUnits(e));
        setSavePointState(before);
    }
};

namespace {

// Maps a position through one edit at `pos` that replaced `removed` units by `inserted`.
Pos mapThrough(Pos p, Pos pos, Pos removed, Pos inserted) {
    if (p <= pos)
        return p;
    if (p >= pos + removed)
        return p - removed + inserted;
    return pos + inserted;
}

// Grows the range [lo, hi) of text an undo or redo has put back by one more edit.
void extendRestored(TextBuffer::Restored& r, Pos pos, Pos removed, Pos inserted) {
    if (!r.done) {
        r.done = true;
        r.position = pos;
        r.length = inserted;
        return;
    }
    const Pos lo = std::min(mapThrough(r.position, pos, removed, inserted), pos);
    const Pos hi =
        std::max(mapThrough(r.position + r.length, pos, removed, inserted), pos + inserted);
    r.position = lo;
    r.length = hi - lo;
}

} // namespace

TextBuffer::TextBuffer() : TextBuffer(kDefaultChunkUnits) {}
TextBuffer::TextBuffer(Pos chunkUnits) : m_impl(std::make_unique<Impl>(chunkUnits)) {}
TextBuffer::~TextBuffer() = default;

Pos TextBuffer::length() const {
    return m_impl->length();
}

char16_t TextBuffer::at(Pos pos) const {
    if (pos < 0 || pos >= m_impl->length())
        return 0;
    return m_impl->units.at(pos);
}

Pos TextBuffer::lineCount() const {
    return m_impl->units.lfCount() + 1;
}

Pos TextBuffer::lineOf(Pos pos) const {
    return m_impl->units.lfsBefore(m_impl->clampPos(pos));
}

Pos TextBuffer::positionSkippingLfs(Pos offset) const {
    return m_impl->units.nonLfUnit(std::max<Pos>(offset, 0));
}

Pos TextBuffer::lineStart(Pos line) const {
    const detail::LeafTree& t = m_impl->units;
    line = std::clamp<Pos>(line, 0, t.lfCount());
    return line == 0 ? 0 : t.afterLf(line);
}

Pos TextBuffer::lineEnd(Pos line) const {
    const detail::LeafTree& t = m_impl->units;
    line = std::clamp<Pos>(line, 0, t.lfCount());
    if (line == t.lfCount())
        return t.length();
    // A CR just before the LF is always on the line: the line before ends at an LF.
    return t.breakOf(line + 1);
}

std::u16string TextBuffer::text(Pos pos, Pos len) const {
    pos = m_impl->clampPos(pos);
    len = std::clamp<Pos>(len, 0, length() - pos);
    return m_impl->units.copy(pos, len);
}

std::u16string TextBuffer::text() const {
    return m_impl->units.copy(0, length());
}

void TextBuffer::forEachSpan(Pos pos, Pos len,
                             const std::function<bool(std::u16string_view)>& visit) const {
    pos = m_impl->clampPos(pos);
    len = std::clamp<Pos>(len, 0, length() - pos);
    m_impl->units.spans(pos, len, visit);
}

void TextBuffer::insert(Pos pos, std::u16string_view units) {
    m_impl->edit(pos, 0, units);
}

void TextBuffer::insert(Pos pos, TextBuilder&& builder) {
    Impl& d = *m_impl;
    if (!builder.m_impl || builder.m_impl->length == 0)
        return;
    TextBuilder::Impl& b = *builder.m_impl;
    pos = d.clampPos(pos);
    const bool before = d.atSavePoint();
    Change change;
    change.position = pos;
    change.inserted = b.length;
    change.firstLine = d.units.lfsBefore(pos);
    change.linesInserted = b.lines();
    d.stepForEdit();
    // The units stay where the builder put them; the history copies them out of the text only
    // if the step is undone.
    d.history.addSpliced(pos, 0, b.length, [](char16_t*) {});
    std::vector<detail::Arena*> arenas;
    arenas.swap(b.arenas);
    b.length = 0;
    d.units.splice(pos, arenas);
    ++d.revision;
    d.notify([&](BufferListener& l) { l.textChanged(change); });
    d.setSavePointState(before);
}

void TextBuffer::remove(Pos pos, Pos len) {
    m_impl->edit(pos, len, {});
}

void TextBuffer::replace(Pos pos, Pos len, std::u16string_view units) {
    m_impl->edit(pos, len, units);
}

void TextBuffer::assign(TextBuilder&& builder) {
    Impl& d = *m_impl;
    std::vector<detail::Arena*> arenas;
    if (builder.m_impl) {
        arenas.swap(builder.m_impl->arenas);
        builder.m_impl->length = 0;
    }
    const bool before = d.atSavePoint();
    d.units.reset(arenas);
    d.history.clear();
    d.applied = 0;
    d.savePoint = 0;
    d.stepOpen = false;
    d.lastRun = 0;
    ++d.revision;
    d.notify([](BufferListener& l) { l.textReset(); });
    d.setSavePointState(before);
}

void TextBuffer::assign(std::u16string_view units) {
    TextBuilder builder(m_impl->units.chunkUnits());
    builder.reserve(Pos(units.size()));
    builder.append(units);
    assign(std::move(builder));
}

void TextBuffer::beginGroup() {
    beginGroup(0);
}

void TextBuffer::beginGroup(int run) {
    if (m_impl->groupDepth++ == 0)
        m_impl->groupRun = run;
}

void TextBuffer::endGroup() {
    if (m_impl->groupDepth == 0)
        return;
    if (--m_impl->groupDepth == 0) {
        m_impl->stepOpen = false;
        m_impl->groupRun = 0;
    }
}

void TextBuffer::endRun() {
    m_impl->lastRun = 0;
}

void TextBuffer::setNote(Note note) {
    m_impl->note = {note.first, note.second};
}

bool TextBuffer::canUndo() const {
    return m_impl->applied > 0;
}

bool TextBuffer::canRedo() const {
    return m_impl->applied < m_impl->history.steps();
}

TextBuffer::Restored TextBuffer::undo() {
    Impl& d = *m_impl;
    // An undo inside an open group ends the group's step here; later edits start a new one.
    d.stepOpen = false;
    d.lastRun = 0;
    Restored restored;
    if (d.applied == 0)
        return restored;
    const bool before = d.atSavePoint();
    --d.applied;
    restored.note = {d.history.note(d.applied).first, d.history.note(d.applied).second};
    detail::History& h = d.history;
    for (const auto* e = h.end(d.applied); e != h.begin(d.applied);) {
        --e;
        h.storeInserted(*e, [&](char16_t* to) {
            d.units.spans(e->position, e->inserted, [&](std::u16string_view piece) {
                to = std::copy(piece.begin(), piece.end(), to);
                return true;
            });
        });
        d.apply(e->position, e->inserted, h.removedUnits(*e), h.insertedUnits(*e));
        extendRestored(restored, e->position, e->inserted, e->removed);
    }
    d.setSavePointState(before);
    return restored;
}

TextBuffer::Restored TextBuffer::redo() {
    Impl& d = *m_impl;
    d.stepOpen = false;
    d.lastRun = 0;
    Restored restored;
    if (d.applied >= d.history.steps())
        return restored;
    const bool before = d.atSavePoint();
    const detail::History& h = d.history;
    const std::size_t step = d.applied++;
    restored.note = {h.note(step).first, h.note(step).second};
    for (const auto* e = h.begin(step); e != h.end(step); ++e) {
        d.apply(e->position, e->removed, h.insertedUnits(*e), h.removedUnits(*e));
        extendRestored(restored, e->position, e->removed, e->inserted);
    }
    d.setSavePointState(before);
    return restored;
}

void TextBuffer::clearHistory() {
    Impl& d = *m_impl;
    const bool at = d.atSavePoint();
    d.history.clear();
    d.applied = 0;
    d.savePoint = at ? 0 : -1;
    d.stepOpen = false;
    d.lastRun = 0;
}

void TextBuffer::setSavePoint() {
    Impl& d = *m_impl;
    const bool before = d.atSavePoint();
    // Edits after this point in an open group must not count as saved.
    d.stepOpen = false;
    d.lastRun = 0;
    d.savePoint = static_cast<std::ptrdiff_t>(d.applied);
    d.setSavePointState(before);
}

bool TextBuffer::atSavePoint() const {
    return m_impl->atSavePoint();
}

std::uint64_t TextBuffer::revision() const {
    return m_impl->revision;
}

void TextBuffer::addListener(BufferListener* listener) {
    if (listener && std::find(m_impl->listeners.begin(), m_impl->listeners.end(), listener) ==
                        m_impl->listeners.end())
        m_impl->listeners.push_back(listener);
}

void TextBuffer::removeListener(BufferListener* listener) {
    auto& l = m_impl->listeners;
    l.erase(std::remove(l.begin(), l.end(), listener), l.end());
}

} // namespace text
