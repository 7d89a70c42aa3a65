#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The buffer's units as a sequence of leaves, each a block of at most a few thousand units,
// kept in order in a treap (a binary search tree balanced by random priorities). Every node is
// one leaf and counts the units and LF units of its subtree, so a position or a line is found
// by one descent from the root, O(log n). Edits touch one leaf, or replace the few leaves
// around the edit by new ones. Not safe for two threads at once, readers included: look-ups
// remember the last leaf they found. length(), spans() and copy() remember nothing and may run
// on several threads at once while the tree does not change.
namespace text::detail {

using Pos = std::int64_t;
class Arena;

// One leaf of the text and one node of the treap.
struct Node {
    char16_t* data = nullptr;
    Pos len = 0;
    Pos cap = 0;
    Pos lfs = 0;            // LF units in this leaf
    Arena* arena = nullptr; // owner of `data`, or null when it was allocated alone
    Node* left = nullptr;
    Node* right = nullptr;
    std::uint32_t priority = 0;
    Pos count = 1; // leaves in the subtree
    Pos units = 0; // units in the subtree
    Pos lines = 0; // LF units in the subtree
    // LF units before each block of the leaf, counted when a look-up first needs them. Most
    // leaves of a large file are never looked into, so the table is only made then.
    static constexpr int kBlocks = 64;
    mutable std::unique_ptr<std::uint32_t[]> lfsBeforeBlock;
    mutable bool counted = false;
};

class LeafTree {
public:
    // Leaves made by edits hold up to `chunkUnits` units.
    explicit LeafTree(Pos chunkUnits);
    ~LeafTree();
    LeafTree(const LeafTree&) = delete;
    LeafTree& operator=(const LeafTree&) = delete;

    Pos chunkUnits() const { return m_chunk; }
    Pos length() const;
    Pos lfCount() const;

    // The unit at pos, 0 <= pos < length().
    char16_t at(Pos pos) const;
    // LF units before pos, 0 <= pos <= length().
    Pos lfsBefore(Pos pos) const;
    // Position after the k-th LF unit, 1 <= k <= lfCount().
    Pos afterLf(Pos k) const;
    // Position of the k-th unit that is not an LF, counted from 0 (length() when there are not
    // that many), 0 <= k. One descent and a scan of one leaf.
    Pos nonLfUnit(Pos k) const;
    // Where the line break of the k-th LF unit starts: at the CR just before it, else at the
    // LF itself; 1 <= k <= lfCount().
    Pos breakOf(Pos k) const;

    // Calls visit(std::u16string_view) for [pos, pos + len) (within the text) in order, in
    // pieces as long as the memory allows, until it returns false.
    template <class F> void spans(Pos pos, Pos len, F&& visit) const;
    std::u16string copy(Pos pos, Pos len) const;

    // Every change below either completes or throws std::bad_alloc with the text as it was.

    // Replaces [pos, pos + len) (within the text) by `ins`, which must not point into the text.
    void replace(Pos pos, Pos len, std::u16string_view ins);

    // Sets aside, before a series of replacements, the memory of replacements inserting
    // `inserted` units in all over `edits` edits, so that none of them can fail half way
    // through the series. The replacements then take their leaves from it; releaseSpare()
    // frees what is left.
    void reserveSpare(Pos inserted, Pos edits);
    void releaseSpare();

    // Whether a removal of `len` units is better taken out whole by detach() than copied: it is
    // long, and its two ends lie in different leaves.
    bool detachable(Pos len) const { return len >= 64 * m_chunk && len > 2 * m_largestLeaf; }
    // Takes [pos, pos + len) (within the text, detachable(len)) out of the text as a tree of
    // its own, without copying its units but for the parts of the two leaves at its ends; the
    // caller owns the tree until it gives it back with attach() or frees it with freeDetached().
    Node* detach(Pos pos, Pos len);
    // Puts a detached tree back at pos (0 <= pos <= length()): the leaf holding pos is cut
    // there.
    void attach(Pos pos, Node* detached);
    static void freeDetached(Node* detached);

    // Drops the text and takes the written slots of the arenas as the new one. The arenas
    // belong to the tree afterwards, and stay the caller's when it throws.
    void reset(const std::vector<Arena*>& arenas);
    // Puts the written slots of the arenas at pos (0 <= pos <= length()) as leaves of their
    // own, without copying them: the leaf holding pos is cut there and the new leaves go
    // between its halves. O(log n) plus the number of new leaves plus one leaf's units. The
    // arenas belong to the tree afterwards, and stay the caller's when it throws.
    void splice(Pos pos, const std::vector<Arena*>& arenas);

private:
    // A leaf found by a descent, with what comes before it.
    struct Spot {
        Node* leaf = nullptr;
        Pos offset = 0; // within the leaf
        Pos start = 0;  // position of the leaf's first unit
        Pos line = 0;   // LF units before the leaf
        Pos index = 0;  // leaves before the leaf
    };
    Spot findUnit(Pos pos) const;
    Spot findInsert(Pos pos) const;
    // The leaf with `index` leaves before it, and the position of its first unit.
    Node* leafAt(Pos index, Pos& start) const;
    bool replaceInLeaf(Pos pos, Pos len, std::u16string_view ins);
    void replaceInWindow(Pos pos, Pos len, std::u16string_view ins);
    void evenOut(std::vector<Node*>& leaves);
    // Leaves holding the units of `pieces` in order, appended to `out` (which the caller frees
    // when this throws).
    void makeLeaves(const std::u16string_view* pieces, std::size_t count, std::vector<Node*>& out);
    // Most leaves makeLeaves makes of that many units.
    Pos leavesFor(Pos units) const { return (units + fillTarget() - 1) / fillTarget(); }
    // One leaf for each written slot of the arena, appended to `out`; the arena keeps its
    // slots until handOver().
    void arenaLeaves(Arena* arena, std::vector<Node*>& out);
    // The treap of the leaves, built in `m_spine` (which has room for them all).
    Node* build(const std::vector<Node*>& leaves) { return build(leaves.data(), leaves.size()); }
    Node* build(Node* const* leaves, std::size_t count);
    void roomForBuild(std::size_t leaves);
    // A leaf of chunkUnits() units of room: a spare one when there is one.
    Node* newLeaf();
    Node* allocLeaf();
    std::uint32_t nextPriority();
    // Leaves shorter than this are joined with a neighbour after an edit.
    Pos smallLeaf() const { return m_chunk / 4 > 1 ? m_chunk / 4 : 1; }
    // Leaves cut by an edit are filled this far, to leave room for typing.
    Pos fillTarget() const { return m_chunk * 3 / 4 > 1 ? m_chunk * 3 / 4 : 1; }

    const Pos m_chunk;
    Node* m_root = nullptr;
    std::vector<Node*> m_spare; // leaves set aside by reserveSpare()
    Pos m_largestLeaf;          // room of the largest leaf the tree has held
    std::vector<Node*> m_spine; // the right spine of a treap being built
    std::vector<Node*> m_fresh; // the new leaves of an edit
    std::uint32_t m_random = 0x9E3779B9u;

    // The leaves the last two look-ups found: the view asks about the same few lines many times
    // in a row (often on both sides of a leaf boundary), and those look-ups then skip the
    // descent. Kept through edits inside one leaf, dropped by any other change of the tree.
    struct Last {
        const Node* leaf = nullptr;
        Pos start = 0;
        Pos line = 0;
    };
    mutable Last m_last[2];
    mutable int m_older = 0; // the entry a miss replaces
    const Last& remember(const Node* leaf, Pos start, Pos line) const;
    void forget() { m_last[0] = m_last[1] = {}; }
    // The leaf holding unit pos (0 <= pos < length()) or the k-th LF (k >= 1), through the
    // cache; `offset` gets the offset of the unit or of the LF.
    const Node* leafOfUnit(Pos pos, Pos& start, Pos& line) const;
    const Node* leafOfLf(Pos k, Pos& start, Pos& line, Pos& offset) const;
};

template <class F> void LeafTree::spans(Pos pos, Pos len, F&& visit) const {
    if (len <= 0 || !m_root)
        return;
    // Leaf by leaf through their indices, which needs no memory (an undo copies the text this
    // way while it must not fail).
    const Spot first = findUnit(pos);
    Pos offset = first.offset;
    const Pos leaves = m_root->count;
    const char16_t* runStart = nullptr;
    Pos runLen = 0;
    // Leaves that lie next to each other in memory (full slots of one arena) are one piece.
    Pos start = 0;
    for (Pos i = first.index; i < leaves && len > 0; ++i) {
        const Node* n = i == first.index ? first.leaf : leafAt(i, start);
        const Pos take = n->len - offset < len ? n->len - offset : len;
        const char16_t* p = n->data + offset;
        offset = 0;
        len -= take;
        if (runStart && reinterpret_cast<std::uintptr_t>(runStart + runLen) ==
                            reinterpret_cast<std::uintptr_t>(p)) {
            runLen += take;
            continue;
        }
        if (runStart && !visit(std::u16string_view(runStart, std::size_t(runLen))))
            return;
        runStart = p;
        runLen = take;
    }
    if (runStart)
        visit(std::u16string_view(runStart, std::size_t(runLen)));
}

} // namespace text::detail
