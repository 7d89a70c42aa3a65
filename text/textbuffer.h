#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>

// The editor's text: UTF-16 units exactly as the user's file and typing made them. A line
// break is the two units CR LF; every other unit (U+2029, U+2028, U+FDD0, NUL, lone
// surrogates, U+FEFF, a lone CR) is an ordinary unit of its line. Plain C++ without Qt.
//
// Positions and lengths count UTF-16 units from 0; lines count from 0. Out-of-range
// arguments are clamped to the text, never undefined.
//
// One thread at a time, readers included (look-ups remember the last leaves they found), but
// for length(), text(pos, len) and forEachSpan(), which remember nothing: several threads may
// run those at once while no thread edits the buffer.
namespace text {

using Pos = std::int64_t;

// Units per leaf of the buffer's storage unless a test asks for other sizes.
inline constexpr Pos kDefaultChunkUnits = 4096;

// What one edit did, sent to the listeners once the buffer holds the new text. Line numbers
// are those before the edit.
struct Change {
    Pos position = 0;      // first unit touched
    Pos removed = 0;       // units removed at position
    Pos inserted = 0;      // units inserted at position, after the removal
    Pos firstLine = 0;     // line of position
    Pos linesRemoved = 0;  // line ends (LF units) removed
    Pos linesInserted = 0; // line ends (LF units) inserted
};

// Thrown by an edit (undo and redo included) that cannot get the memory it needs. The edit
// has changed nothing: the text, the undo history, the save point, the revision and the
// listeners are as they were before it.
class OutOfMemory : public std::bad_alloc {
public:
    explicit OutOfMemory(std::int64_t bytes) : m_bytes(bytes) {}
    const char* what() const noexcept override { return "not enough memory"; }
    // Bytes of text the edit asked for: two for each unit it inserts or removes, whichever is
    // more.
    std::int64_t bytes() const { return m_bytes; }

private:
    std::int64_t m_bytes;
};

class BufferListener {
public:
    virtual ~BufferListener() = default;
    // After every edit, undo and redo step included. A listener may read the buffer but must
    // not change it while it is told.
    virtual void textChanged(const Change& change) = 0;
    // After the whole text was replaced by assign(): every line may be new.
    virtual void textReset() {}
    // After atSavePoint() changed its answer.
    virtual void savePointChanged(bool atSavePoint) { (void)atSavePoint; }
};

// Collects the text of a new buffer piece by piece (a file being decoded) without undo
// history, so the buffer being shown keeps its old text until the new one is complete.
class TextBuilder {
public:
    TextBuilder();
    // Cuts the text into leaves of `chunkUnits` units (at least 2); small sizes are for tests
    // and the fuzzer, which must cross leaf boundaries often.
    explicit TextBuilder(Pos chunkUnits);
    ~TextBuilder();
    TextBuilder(TextBuilder&&) noexcept;
    TextBuilder& operator=(TextBuilder&&) noexcept;

    void append(std::u16string_view units);
    // Room for up to `units` more units that a decoder writes in place, valid until the next
    // call on the builder; endAppend(n) then appends the first n of them (n <= units).
    char16_t* beginAppend(Pos units);
    void endAppend(Pos units);
    // Appends the text of `next` (left empty), built with the same leaf size, without copying
    // it: its memory becomes this builder's. Pieces of one text built at once on several
    // threads join this way.
    void append(TextBuilder&& next);
    Pos length() const;
    // Asks for room for `units` more units up front (an estimate from a file's size).
    void reserve(Pos units);

private:
    friend class TextBuffer;
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

class TextBuffer {
public:
    TextBuffer();
    // Keeps the text in leaves of at most `chunkUnits` units (at least 2); small sizes are for
    // tests and the fuzzer.
    explicit TextBuffer(Pos chunkUnits);
    ~TextBuffer();
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // --- Reading. Each costs O(log n) in the length of the text, plus the units returned.
    Pos length() const;
    // The unit at pos, or 0 when pos is outside the text.
    char16_t at(Pos pos) const;
    // Number of lines: the number of LF units plus one. A line ends after its LF.
    Pos lineCount() const;
    // The line that holds pos (pos == length() is on the last line).
    Pos lineOf(Pos pos) const;
    // First unit of a line.
    Pos lineStart(Pos line) const;
    // The position where the text, read with every LF unit left out, has `offset` units before
    // it (a line break CR LF then counts as one unit): the position of the offset-th unit that
    // is not an LF, or length() past the last one.
    Pos positionSkippingLfs(Pos offset) const;
    // End of a line's text: the position of its CR LF (of a lone LF: of the LF), or length()
    // on the last line.
    Pos lineEnd(Pos line) const;
    // A copy of the units [pos, pos + len).
    std::u16string text(Pos pos, Pos len) const;
    // A copy of the whole text (tests and small texts only).
    std::u16string text() const;
    // Hands the units [pos, pos + len) in order as contiguous pieces, without copying them;
    // a piece is valid only during the call. `visit` returns false to stop early.
    void forEachSpan(Pos pos, Pos len, const std::function<bool(std::u16string_view)>& visit) const;

    // --- Editing. Each is one undo step unless a group is open. Cost O(log n) plus the
    // units inserted or removed. An edit, undo(), redo() or assign() that cannot get its memory
    // throws OutOfMemory and leaves the buffer exactly as it was.
    void insert(Pos pos, std::u16string_view units);
    // Inserts the builder's text (which is left empty) at pos without copying it into the
    // buffer: its memory becomes the buffer's. One edit like the others (undo, groups,
    // listeners); costs O(log n) plus the size of the inserted text.
    void insert(Pos pos, TextBuilder&& builder);
    void remove(Pos pos, Pos len);
    void replace(Pos pos, Pos len, std::u16string_view units);

    // Replaces the whole text with the builder's (which is left empty), forgets the undo
    // history and puts the save point there. Listeners get textReset().
    void assign(TextBuilder&& builder);
    void assign(std::u16string_view units);

    // Edits between beginGroup() and the matching endGroup() undo as one step. Groups nest;
    // the outermost one closes the step.
    void beginGroup();
    // The same for the group of one item of a run of like edits (a typed letter, a Backspace):
    // `run` (not 0) names the kind of run. The group's edits join the last step when that step
    // was made by groups of the same run and nothing came between: no other edit, undo, redo,
    // save point, assign(), clearHistory() or endRun(). Otherwise they start a new step that the
    // next group of the run may join. Inside another group it is an ordinary beginGroup().
    void beginGroup(int run);
    void endGroup();
    // The last step takes no more groups of its run.
    void endRun();

    // Two numbers that each step keeps for the buffer's user and undo() hands back (the view
    // keeps there the caret and the anchor as they were before the step); -1 when not given.
    struct Note {
        Pos first = -1;
        Pos second = -1;
    };
    // The note of every step started from now on, until the next call.
    void setNote(Note note);

    // --- Undo and redo.
    // Where a step left its text: the units [position, position + length) now stand where the
    // step was undone or redone (the caret goes to their end). `note` is the note of the step
    // undone or redone.
    struct Restored {
        bool done = false;
        Pos position = 0;
        Pos length = 0;
        Note note;
    };
    bool canUndo() const;
    bool canRedo() const;
    Restored undo();
    Restored redo();
    // Forgets every step; the save point is kept only when it is the present text.
    void clearHistory();

    // The save point: the text as last saved or loaded. It moves with undo and redo, so undoing
    // back to it makes the text unmodified again; an edit after undoing past it loses it.
    void setSavePoint();
    bool atSavePoint() const;

    // Counts every change of the text (edits, undo, redo, assign).
    std::uint64_t revision() const;

    // Listeners are not owned and must be removed before they are destroyed.
    void addListener(BufferListener* listener);
    void removeListener(BufferListener* listener);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace text
