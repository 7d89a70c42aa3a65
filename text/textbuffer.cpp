#include "text/textbuffer.h"

#include <algorithm>
#include <vector>

namespace text {

namespace {

constexpr char16_t kLf = u'\n';
constexpr char16_t kCr = u'\r';

Pos countLf(std::u16string_view units) {
    return static_cast<Pos>(std::count(units.begin(), units.end(), kLf));
}

} // namespace

// ---- TextBuilder --------------------------------------------------------------------------

struct TextBuilder::Impl {
    std::u16string units;
};

TextBuilder::TextBuilder() : m_impl(std::make_unique<Impl>()) {}
TextBuilder::TextBuilder(Pos) : m_impl(std::make_unique<Impl>()) {}
TextBuilder::~TextBuilder() = default;
TextBuilder::TextBuilder(TextBuilder&&) noexcept = default;
TextBuilder& TextBuilder::operator=(TextBuilder&&) noexcept = default;

void TextBuilder::append(std::u16string_view units) {
    if (!m_impl)
        m_impl = std::make_unique<Impl>();
    m_impl->units.append(units);
}

Pos TextBuilder::length() const {
    return m_impl ? static_cast<Pos>(m_impl->units.size()) : 0;
}

void TextBuilder::reserve(Pos units) {
    if (!m_impl)
        m_impl = std::make_unique<Impl>();
    if (units > 0)
        m_impl->units.reserve(m_impl->units.size() + static_cast<std::size_t>(units));
}

// ---- TextBuffer ---------------------------------------------------------------------------

namespace {

// One edit as the history keeps it: at `position`, `removed` gave way to `inserted`.
struct Edit {
    Pos position = 0;
    std::u16string removed;
    std::u16string inserted;
};

// One undo step: the edits of one action, in the order they were made.
struct Step {
    std::vector<Edit> edits;
};

} // namespace

struct TextBuffer::Impl {
    std::u16string units;

    std::vector<Step> steps;
    std::size_t applied = 0;      // steps[0, applied) are done; the rest can be redone
    std::ptrdiff_t savePoint = 0; // value of `applied` at the save point; -1 when lost
    int groupDepth = 0;
    bool stepOpen = false; // steps.back() takes the next edit of the open group
    std::uint64_t revision = 0;
    std::vector<BufferListener*> listeners;

    Pos length() const { return static_cast<Pos>(units.size()); }
    Pos clampPos(Pos pos) const { return std::clamp<Pos>(pos, 0, length()); }

    bool atSavePoint() const {
        return savePoint >= 0 && static_cast<std::size_t>(savePoint) == applied;
    }

    Pos lineOf(Pos pos) const {
        pos = clampPos(pos);
        return countLf(std::u16string_view(units).substr(0, static_cast<std::size_t>(pos)));
    }

    Pos lineCount() const { return countLf(units) + 1; }

    // Position after the `line`-th LF (line 0 starts at 0); `line` within [0, lineCount()).
    Pos lineStart(Pos line) const {
        if (line <= 0)
            return 0;
        Pos seen = 0;
        for (std::size_t i = 0; i < units.size(); ++i) {
            if (units[i] == kLf && ++seen == line)
                return static_cast<Pos>(i) + 1;
        }
        return length();
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

    // Replaces [pos, pos + len) (already clamped) by `ins`, tells the listeners and returns
    // what was removed.
    std::u16string apply(Pos pos, Pos len, std::u16string_view ins) {
        Change change;
        change.position = pos;
        change.removed = len;
        change.inserted = static_cast<Pos>(ins.size());
        change.firstLine = lineOf(pos);
        std::u16string removed =
            units.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(len));
        change.linesRemoved = countLf(removed);
        change.linesInserted = countLf(ins);
        units.replace(static_cast<std::size_t>(pos), static_cast<std::size_t>(len), ins);
        ++revision;
        notify([&](BufferListener& l) { l.textChanged(change); });
        return removed;
    }

    void setSavePointState(bool before) {
        const bool after = atSavePoint();
        if (after != before)
            notify([&](BufferListener& l) { l.savePointChanged(after); });
    }

    void edit(Pos pos, Pos len, std::u16string_view ins) {
        pos = clampPos(pos);
        len = std::clamp<Pos>(len, 0, length() - pos);
        if (len == 0 && ins.empty())
            return;
        const bool before = atSavePoint();
        if (!stepOpen) {
            // A new step: what could be redone is gone, and with it a save point there.
            steps.resize(applied);
            if (savePoint > static_cast<std::ptrdiff_t>(applied))
                savePoint = -1;
            steps.emplace_back();
            ++applied;
            stepOpen = groupDepth > 0;
        }
        Edit e;
        e.position = pos;
        e.inserted.assign(ins);
        e.removed = apply(pos, len, ins);
        steps.back().edits.push_back(std::move(e));
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

TextBuffer::TextBuffer() : m_impl(std::make_unique<Impl>()) {}
TextBuffer::TextBuffer(Pos) : m_impl(std::make_unique<Impl>()) {}
TextBuffer::~TextBuffer() = default;

Pos TextBuffer::length() const {
    return m_impl->length();
}

char16_t TextBuffer::at(Pos pos) const {
    if (pos < 0 || pos >= m_impl->length())
        return 0;
    return m_impl->units[static_cast<std::size_t>(pos)];
}

Pos TextBuffer::lineCount() const {
    return m_impl->lineCount();
}

Pos TextBuffer::lineOf(Pos pos) const {
    return m_impl->lineOf(pos);
}

Pos TextBuffer::lineStart(Pos line) const {
    line = std::clamp<Pos>(line, 0, lineCount() - 1);
    return m_impl->lineStart(line);
}

Pos TextBuffer::lineEnd(Pos line) const {
    const Pos count = lineCount();
    line = std::clamp<Pos>(line, 0, count - 1);
    if (line == count - 1)
        return length();
    const Pos start = m_impl->lineStart(line);
    const Pos lf = m_impl->lineStart(line + 1) - 1;
    if (lf > start && at(lf - 1) == kCr)
        return lf - 1;
    return lf;
}

std::u16string TextBuffer::text(Pos pos, Pos len) const {
    pos = m_impl->clampPos(pos);
    len = std::clamp<Pos>(len, 0, length() - pos);
    return m_impl->units.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(len));
}

std::u16string TextBuffer::text() const {
    return m_impl->units;
}

void TextBuffer::forEachSpan(Pos pos, Pos len,
                             const std::function<bool(std::u16string_view)>& visit) const {
    pos = m_impl->clampPos(pos);
    len = std::clamp<Pos>(len, 0, length() - pos);
    if (len > 0)
        visit(std::u16string_view(m_impl->units)
                  .substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(len)));
}

void TextBuffer::insert(Pos pos, std::u16string_view units) {
    m_impl->edit(pos, 0, units);
}

void TextBuffer::remove(Pos pos, Pos len) {
    m_impl->edit(pos, len, {});
}

void TextBuffer::replace(Pos pos, Pos len, std::u16string_view units) {
    m_impl->edit(pos, len, units);
}

void TextBuffer::assign(TextBuilder&& builder) {
    std::u16string units;
    if (builder.m_impl)
        units = std::move(builder.m_impl->units);
    builder.m_impl = std::make_unique<TextBuilder::Impl>();
    const bool before = m_impl->atSavePoint();
    m_impl->units = std::move(units);
    m_impl->steps.clear();
    m_impl->applied = 0;
    m_impl->savePoint = 0;
    m_impl->stepOpen = false;
    ++m_impl->revision;
    m_impl->notify([](BufferListener& l) { l.textReset(); });
    m_impl->setSavePointState(before);
}

void TextBuffer::assign(std::u16string_view units) {
    TextBuilder builder;
    builder.append(units);
    assign(std::move(builder));
}

void TextBuffer::beginGroup() {
    ++m_impl->groupDepth;
}

void TextBuffer::endGroup() {
    if (m_impl->groupDepth == 0)
        return;
    if (--m_impl->groupDepth == 0)
        m_impl->stepOpen = false;
}

bool TextBuffer::canUndo() const {
    return m_impl->applied > 0;
}

bool TextBuffer::canRedo() const {
    return m_impl->applied < m_impl->steps.size();
}

TextBuffer::Restored TextBuffer::undo() {
    Impl& d = *m_impl;
    // An undo inside an open group ends the group's step here; later edits start a new one.
    d.stepOpen = false;
    Restored restored;
    if (d.applied == 0)
        return restored;
    const bool before = d.atSavePoint();
    --d.applied;
    const Step& step = d.steps[d.applied];
    for (auto it = step.edits.rbegin(); it != step.edits.rend(); ++it) {
        const Pos ins = static_cast<Pos>(it->inserted.size());
        d.apply(it->position, ins, it->removed);
        extendRestored(restored, it->position, ins, static_cast<Pos>(it->removed.size()));
    }
    d.setSavePointState(before);
    return restored;
}

TextBuffer::Restored TextBuffer::redo() {
    Impl& d = *m_impl;
    d.stepOpen = false;
    Restored restored;
    if (d.applied >= d.steps.size())
        return restored;
    const bool before = d.atSavePoint();
    const Step& step = d.steps[d.applied];
    ++d.applied;
    for (const Edit& e : step.edits) {
        const Pos rem = static_cast<Pos>(e.removed.size());
        d.apply(e.position, rem, e.inserted);
        extendRestored(restored, e.position, rem, static_cast<Pos>(e.inserted.size()));
    }
    d.setSavePointState(before);
    return restored;
}

void TextBuffer::clearHistory() {
    Impl& d = *m_impl;
    const bool at = d.atSavePoint();
    d.steps.clear();
    d.applied = 0;
    d.savePoint = at ? 0 : -1;
    d.stepOpen = false;
}

void TextBuffer::setSavePoint() {
    Impl& d = *m_impl;
    const bool before = d.atSavePoint();
    // Edits after this point in an open group must not count as saved.
    d.stepOpen = false;
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
