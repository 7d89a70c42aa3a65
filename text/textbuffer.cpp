// The buffer: the units in a tree of leaves (text/leaves.h), the undo history as the edits
// themselves (what each removed and inserted), and the listeners.
#include "text/textbuffer.h"

#include "text/allocation.h"
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
        add(detail::Arena::create(slotUnits, (want + slotUnits - 1) / slotUnits));
    }
    // Takes a new arena into the list, freeing it when the list cannot grow.
    void add(detail::Arena* arena) {
        try {
            arenas.push_back(arena);
        } catch (...) {
            detail::Arena::destroy(arena);
            throw;
        }
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

void TextBuilder::append(TextBuilder&& next) {
    if (!next.m_impl || next.m_impl->arenas.empty())
        return;
    if (!m_impl) {
        m_impl = std::move(next.m_impl);
        return;
    }
    Impl& d = *m_impl;
    Impl& n = *next.m_impl;
    // Room first, so that a failure leaves both builders as they were.
    d.arenas.reserve(d.arenas.size() + n.arenas.size());
    d.arenas.insert(d.arenas.end(), n.arenas.begin(), n.arenas.end());
    d.length += n.length;
    n.arenas.clear();
    n.length = 0;
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
    d.add(detail::Arena::create(d.slotUnits, (units + d.slotUnits - 1) / d.slotUnits));
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

    // The listeners as they were when telling began; its room is kept as large as the list,
    // so telling them needs no memory.
    std::vector<BufferListener*> told;

    template <class F> void notify(F&& f) {
        // A copy, so a listener may add or remove listeners while being told; one removed
        // meanwhile is not told any more.
        told.assign(listeners.begin(), listeners.end());
        for (BufferListener* listener : told) {
            if (std::find(listeners.begin(), listeners.end(), listener) != listeners.end())
                f(*listener);
        }
    }

    void setSavePointState(bool before) {
        const bool after = atSavePoint();
        if (after != before)
            notify([&](BufferListener& l) { l.savePointChanged(after); });
    }

    // Whether the next edit starts a new step: not when the open group's step takes it, nor
    // when a group of a run goes on with the run's step (while that is the last step done and
    // the text after it is not the saved one).
    bool startsStep() const {
        if (stepOpen)
            return false;
        return !(groupRun != 0 && groupRun == lastRun && applied > 0 &&
                 applied == history.steps() && savePoint != static_cast<std::ptrdiff_t>(applied));
    }

    // Records an edit whose room was prepared, in a new step or the last one, and tells the
    // listeners. Cannot fail.
    // Takes the step of an edit just added to the history, and tells the listeners. Cannot
    // fail.
    void record(bool newStep, const Change& change, bool before) {
        if (newStep) {
            // What could be redone is gone, and with it a save point there.
            if (savePoint > static_cast<std::ptrdiff_t>(applied))
                savePoint = -1;
            ++applied;
            stepOpen = groupDepth > 0;
            lastRun = groupRun;
        } else {
            stepOpen = true;
        }
        ++revision;
        notify([&](BufferListener& l) { l.textChanged(change); });
        setSavePointState(before);
    }

    // Replaces [pos, pos + len) (already clamped) by `ins`, which must not point into the
    // text, as part of an undo or redo, and tells the listeners.
    void apply(Pos pos, Pos len, std::u16string_view ins, std::u16string_view removed) {
        const Change change = changeAt(pos, len, ins, removed);
        units.replace(pos, len, ins);
        ++revision;
        notify([&](BufferListener& l) { l.textChanged(change); });
    }

    Change changeAt(Pos pos, Pos len, std::u16string_view ins, std::u16string_view removed) const {
        Change change;
        change.position = pos;
        change.removed = len;
        change.inserted = Pos(ins.size());
        change.firstLine = units.lfsBefore(pos);
        change.linesRemoved = countLf(removed);
        change.linesInserted = countLf(ins);
        return change;
    }

    void edit(Pos pos, Pos len, std::u16string_view ins) {
        pos = clampPos(pos);
        len = std::clamp<Pos>(len, 0, length() - pos);
        if (len == 0 && ins.empty())
            return;
        const bool before = atSavePoint();
        const bool newStep = startsStep();
        const Pos inserted = Pos(ins.size());
        // A large removal keeps the leaves that held the units for undo, not a copy of them, so
        // removing a large text needs hardly any memory.
        const bool keepLeaves = units.detachable(len);
        const Pos stored = keepLeaves ? 0 : len;
        // A large insertion goes into the text straight from `ins`; the history copies it out
        // of the text only if the step is undone, into room taken now, so a large paste holds
        // the units once.
        const bool copyLater = inserted >= 64 * units.chunkUnits();
        Change change;
        detail::History::Room room;
        detail::Node* removedLeaves = nullptr;
        // Everything that needs memory comes first: the history's room, which takes copies of
        // the removed and the inserted units (so `ins` may even be a piece of this text), and
        // the change of the text, which either completes or leaves the text as it was.
        try {
            room = history.prepare(stored + inserted, newStep, applied);
            char16_t* to = room.data();
            units.spans(pos, stored, [&](std::u16string_view piece) {
                to = std::copy(piece.begin(), piece.end(), to);
                return true;
            });
            if (!copyLater)
                std::copy(ins.begin(), ins.end(), room.data() + stored);
            const std::u16string_view removed(room.data(), std::size_t(stored));
            // `ins` may be a piece of this text: the text copies it before it lets go of the
            // removed units (which a kept removal still holds).
            const std::u16string_view added =
                copyLater ? ins : std::u16string_view(room.data() + stored, std::size_t(inserted));
            change = changeAt(pos, len, added, removed);
            if (keepLeaves) {
                change.linesRemoved = units.lfsBefore(pos + len) - change.firstLine;
                // Taking the leaves out and inserting cannot fail half way with this set aside.
                units.reserveSpare(inserted, 2);
                removedLeaves = units.detach(pos, len);
                if (inserted > 0)
                    units.replace(pos, 0, added);
                units.releaseSpare();
            } else {
                units.replace(pos, len, added);
            }
        } catch (const std::bad_alloc&) {
            units.releaseSpare();
            throw OutOfMemory(2 * std::max(len, inserted));
        }
        history.add(std::move(room), note, pos, len, inserted, !copyLater, removedLeaves);
        record(newStep, change, before);
    }

    // Undoes or redoes one edit of a step with the memory set aside for it.
    void undoEdit(const detail::History::Edit& e) {
        // The room of the inserted units was taken with the edit, and the text is read without
        // memory of its own.
        history.storeInserted(e, [&](char16_t* to) {
            units.spans(e.position, e.inserted, [&](std::u16string_view piece) {
                to = std::copy(piece.begin(), piece.end(), to);
                return true;
            });
        });
        if (!e.removedAsLeaves) {
            apply(e.position, e.inserted, history.removedUnits(e), history.insertedUnits(e));
            return;
        }
        detail::Node* leaves = history.takeLeaves(e);
        Change change = changeAt(e.position, e.inserted, {}, history.insertedUnits(e));
        change.inserted = e.removed;
        change.linesInserted = leaves->lines;
        if (e.inserted > 0)
            units.replace(e.position, e.inserted, {});
        units.attach(e.position, leaves);
        ++revision;
        notify([&](BufferListener& l) { l.textChanged(change); });
    }

    void redoEdit(const detail::History::Edit& e) {
        if (!e.removedAsLeaves) {
            apply(e.position, e.removed, history.insertedUnits(e), history.removedUnits(e));
            return;
        }
        Change change = changeAt(e.position, e.removed, history.insertedUnits(e), {});
        change.linesRemoved = units.lfsBefore(e.position + e.removed) - change.firstLine;
        history.keepLeaves(e, units.detach(e.position, e.removed));
        if (e.inserted > 0)
            units.replace(e.position, 0, history.insertedUnits(e));
        ++revision;
        notify([&](BufferListener& l) { l.textChanged(change); });
    }

    // Sets aside what undoing or redoing a step will need, so that it cannot fail half way.
    void reserveFor(std::size_t step, bool undoing) {
        Pos inserted = 0;
        Pos edits = 0;
        for (const auto* e = history.begin(step); e != history.end(step); ++e) {
            // Leaves taken out whole go back without a copy.
            inserted += undoing ? (e->removedAsLeaves ? 0 : e->removed) : e->inserted;
            ++edits;
        }
        try {
            units.reserveSpare(inserted, edits);
        } catch (const std::bad_alloc&) {
            throw OutOfMemory(2 * inserted);
        }
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
    const bool newStep = d.startsStep();
    Change change;
    change.position = pos;
    change.inserted = b.length;
    change.firstLine = d.units.lfsBefore(pos);
    change.linesInserted = b.lines();
    detail::History::Room room;
    try {
        // The units stay where the builder put them; the history copies them out of the text
        // only if the step is undone, into room taken now.
        room = d.history.prepare(b.length, newStep, d.applied);
        d.units.splice(pos, b.arenas);
    } catch (const std::bad_alloc&) {
        throw OutOfMemory(2 * b.length);
    }
    b.arenas.clear();
    b.length = 0;
    d.history.add(std::move(room), d.note, pos, 0, change.inserted, false);
    d.record(newStep, change, before);
}

void TextBuffer::remove(Pos pos, Pos len) {
    m_impl->edit(pos, len, {});
}

void TextBuffer::replace(Pos pos, Pos len, std::u16string_view units) {
    m_impl->edit(pos, len, units);
}

void TextBuffer::assign(TextBuilder&& builder) {
    Impl& d = *m_impl;
    static const std::vector<detail::Arena*> none;
    const std::vector<detail::Arena*>& arenas = builder.m_impl ? builder.m_impl->arenas : none;
    Pos length = builder.length();
    try {
        d.told.reserve(d.listeners.size());
        d.units.reset(arenas);
    } catch (const std::bad_alloc&) {
        throw OutOfMemory(2 * length);
    }
    if (builder.m_impl) {
        builder.m_impl->arenas.clear();
        builder.m_impl->length = 0;
    }
    const bool before = d.atSavePoint();
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
    try {
        builder.reserve(Pos(units.size()));
        builder.append(units);
    } catch (const std::bad_alloc&) {
        throw OutOfMemory(2 * Pos(units.size()));
    }
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
    Restored restored;
    if (d.applied > 0)
        d.reserveFor(d.applied - 1, true);
    // An undo inside an open group ends the group's step here; later edits start a new one.
    d.stepOpen = false;
    d.lastRun = 0;
    if (d.applied == 0)
        return restored;
    const bool before = d.atSavePoint();
    --d.applied;
    restored.note = {d.history.note(d.applied).first, d.history.note(d.applied).second};
    detail::History& h = d.history;
    for (const auto* e = h.end(d.applied); e != h.begin(d.applied);) {
        --e;
        d.undoEdit(*e);
        extendRestored(restored, e->position, e->inserted, e->removed);
    }
    d.units.releaseSpare();
    d.setSavePointState(before);
    return restored;
}

TextBuffer::Restored TextBuffer::redo() {
    Impl& d = *m_impl;
    Restored restored;
    if (d.applied < d.history.steps())
        d.reserveFor(d.applied, false);
    d.stepOpen = false;
    d.lastRun = 0;
    if (d.applied >= d.history.steps())
        return restored;
    const bool before = d.atSavePoint();
    const detail::History& h = d.history;
    const std::size_t step = d.applied++;
    restored.note = {h.note(step).first, h.note(step).second};
    for (const auto* e = h.begin(step); e != h.end(step); ++e) {
        d.redoEdit(*e);
        extendRestored(restored, e->position, e->removed, e->inserted);
    }
    d.units.releaseSpare();
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
                        m_impl->listeners.end()) {
        m_impl->listeners.push_back(listener);
        m_impl->told.reserve(m_impl->listeners.size());
    }
}

void TextBuffer::removeListener(BufferListener* listener) {
    auto& l = m_impl->listeners;
    l.erase(std::remove(l.begin(), l.end(), listener), l.end());
}

} // namespace text
