#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The buffer's units as a sequence of leaves, each a block of at most a few thousand units,
// kept in order in a treap (a binary search tree balanced by random priorities). Every node is
// one leaf and counts the units and LF units of its subtree, so a position or a line is found
// by one descent from the root, O(log n). Edits touch one leaf, or split and join the few
// leaves around the edit. Not safe for two threads at once, readers included: look-ups
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
    // LF units before each block of the leaf, counted when a look-up first needs them.
    static constexpr int kBlocks = 64;
    mutable std::uint32_t lfsBeforeBlock[kBlocks] = {};
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

    // Replaces [pos, pos + len) (within the text) by `ins`, which must not point into the text.
    void replace(Pos pos, Pos len, std::u16string_view ins);

    // Drops the text and takes the written slots of the arenas as the new one.
    void reset(const std::vector<Arena*>& arenas);
    // Puts the written slots of the arenas at pos (0 <= pos <= length()) as leaves of their
    // own, without copying them: the leaf holding pos is cut there and the new leaves go
    // between its halves. O(log n) plus the number of new leaves plus one leaf's units.
    void splice(Pos pos, const std::vector<Arena*>& arenas);

private:
    struct Spot;
    Spot findUnit(Pos pos) const;
    Spot findInsert(Pos pos, std::vector<Node*>& path) const;
    bool replaceInLeaf(Pos pos, Pos len, std::u16string_view ins);
    void replaceInWindow(Pos pos, Pos len, std::u16string_view ins);
    void evenOut(std::vector<Node*>& leaves);
    void makeLeaves(std::u16string_view units, std::vector<Node*>& out);
    void takeArena(Arena* arena, std::vector<Node*>& out);
    Node* newLeaf();
    std::uint32_t nextPriority();
    // Leaves shorter than this are joined with a neighbour after an edit.
    Pos smallLeaf() const { return m_chunk / 4 > 1 ? m_chunk / 4 : 1; }
    // Leaves cut by an edit are filled this far, to leave room for typing.
    Pos fillTarget() const { return m_chunk * 3 / 4 > 1 ? m_chunk * 3 / 4 : 1; }

    // The leaf holding `pos` and the stack of nodes whose right part follows it.
    const Node* firstLeaf(Pos pos, Pos& offset, std::vector<const Node*>& stack) const;
    static const Node* nextLeaf(const Node* n, std::vector<const Node*>& stack);

    const Pos m_chunk;
    Node* m_root = nullptr;
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
    if (len <= 0)
        return;
    std::vector<const Node*> stack;
    Pos offset = 0;
    const char16_t* runStart = nullptr;
    Pos runLen = 0;
    // Leaves that lie next to each other in memory (full slots of one arena) are one piece.
    for (const Node* n = firstLeaf(pos, offset, stack); n && len > 0; n = nextLeaf(n, stack)) {
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
