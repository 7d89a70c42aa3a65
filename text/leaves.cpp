#include "text/leaves.h"

#include "text/allocation.h"
#include "text/arena.h"
#include "text/scan.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace text::detail {

namespace {

Pos unitsOf(const Node* n) {
    return n ? n->units : 0;
}
Pos linesOf(const Node* n) {
    return n ? n->lines : 0;
}
Pos countOf(const Node* n) {
    return n ? n->count : 0;
}

void pull(Node* n) {
    n->count = 1 + countOf(n->left) + countOf(n->right);
    n->units = n->len + unitsOf(n->left) + unitsOf(n->right);
    n->lines = n->lfs + linesOf(n->left) + linesOf(n->right);
}

// Leaves are freed in text order; the slots of neighbouring leaves that lie one after the other
// in an arena go back in one call, so removing a large text takes a few calls to the system,
// not one per leaf. Nothing here allocates, so a failed edit can always let go of its leaves.
class LeafRelease {
public:
    LeafRelease() = default;
    LeafRelease(const LeafRelease&) = delete;
    LeafRelease& operator=(const LeafRelease&) = delete;
    ~LeafRelease() { flush(); }

    void operator()(Node* n) {
        if (Arena* arena = n->arena) {
            if (m_count == 0 || arena != m_arena || n->data != m_next) {
                flush();
                m_arena = arena;
                m_first = n->data;
            }
            ++m_count;
            m_next = n->data + arena->slotUnits();
        } else {
            std::free(n->data);
        }
        delete n;
    }

private:
    void flush() {
        if (m_count > 0)
            m_arena->releaseSlots(m_first, m_count);
        m_count = 0;
    }
    Arena* m_arena = nullptr;
    char16_t* m_first = nullptr;
    char16_t* m_next = nullptr;
    Pos m_count = 0;
};

void freeLeaf(Node* n) {
    LeafRelease release;
    release(n);
}

void freeLeaves(const std::vector<Node*>& dead) {
    LeafRelease release;
    for (Node* n : dead)
        release(n);
}

void freeSubtree(Node* n, LeafRelease& release) {
    if (!n)
        return;
    Node* right = n->right;
    freeSubtree(n->left, release);
    release(n);
    freeSubtree(right, release);
}

void freeTree(Node* root) {
    LeafRelease release;
    freeSubtree(root, release);
}

Node* merge(Node* a, Node* b) {
    if (!a)
        return b;
    if (!b)
        return a;
    if (a->priority > b->priority) {
        a->right = merge(a->right, b);
        pull(a);
        return a;
    }
    b->left = merge(a, b->left);
    pull(b);
    return b;
}

// Splits off the first k leaves into `a`; the rest go to `b`.
void split(Node* t, Pos k, Node*& a, Node*& b) {
    if (!t) {
        a = b = nullptr;
        return;
    }
    if (countOf(t->left) >= k) {
        split(t->left, k, a, t->left);
        pull(t);
        b = t;
    } else {
        split(t->right, k - countOf(t->left) - 1, t->right, b);
        pull(t);
        a = t;
    }
}

void pullAll(Node* n) {
    if (!n)
        return;
    pullAll(n->left);
    pullAll(n->right);
    pull(n);
}

// A leaf's LF units are counted per block once it is looked into, and kept as the count before
// each block, so a look-up anywhere in the leaf scans one block and reads one count.
Pos blockUnits(const Node* n) {
    const Pos b = (n->cap + Node::kBlocks - 1) / Node::kBlocks;
    return std::max<Pos>(64, (b + 15) / 16 * 16);
}

// Counts the blocks from `first` on (the counts up to it are still right). False when there is
// no memory for the table: look-ups then scan the whole leaf.
bool countBlocks(const Node* n, Pos first = 0) {
    if (!n->lfsBeforeBlock) {
        n->lfsBeforeBlock.reset(new (std::nothrow) std::uint32_t[Node::kBlocks]);
        if (!n->lfsBeforeBlock)
            return false;
        first = 0;
    }
    const Pos b = blockUnits(n);
    first = std::min<Pos>(first, Node::kBlocks - 1);
    Pos before = first == 0 ? 0 : n->lfsBeforeBlock[std::size_t(first)];
    for (int i = int(first); i < Node::kBlocks; ++i) {
        n->lfsBeforeBlock[std::size_t(i)] = std::uint32_t(before);
        const Pos from = i * b;
        if (from < n->len)
            before += countLf(n->data + from, std::min(b, n->len - from));
    }
    n->counted = true;
    return true;
}

// LF units in the first `offset` units of a leaf.
Pos lfsInLeafBefore(const Node* n, Pos offset) {
    if (!n->counted && !countBlocks(n))
        return countLf(n->data, offset);
    const Pos b = blockUnits(n);
    const Pos block = std::min<Pos>(offset / b, Node::kBlocks - 1);
    return n->lfsBeforeBlock[std::size_t(block)] + countLf(n->data + block * b, offset - block * b);
}

// Offset of the k-th LF unit (1 <= k <= lfs) of a leaf.
Pos nthLfInLeaf(const Node* n, Pos k) {
    if (!n->counted && !countBlocks(n))
        return nthLf(n->data, n->len, k);
    const Pos b = blockUnits(n);
    // The last block with fewer than k LF units before it holds the k-th.
    const std::uint32_t* const counts = n->lfsBeforeBlock.get();
    const Pos block =
        Pos(std::lower_bound(counts + 1, counts + Node::kBlocks, std::uint32_t(k)) - counts) - 1;
    const Pos from = block * b;
    return from + nthLf(n->data + from, std::min(b, n->len - from), k - counts[block]);
}

} // namespace

LeafTree::LeafTree(Pos chunkUnits)
    : m_chunk(std::max<Pos>(chunkUnits, 2)), m_largestLeaf(m_chunk) {}

LeafTree::~LeafTree() {
    freeTree(m_root);
    releaseSpare();
}

Pos LeafTree::length() const {
    return unitsOf(m_root);
}

Pos LeafTree::lfCount() const {
    return linesOf(m_root);
}

// The treap of the leaves in order, from their priorities, in linear time.
Node* LeafTree::build(Node* const* leaves, std::size_t count) {
    std::vector<Node*>& spine = m_spine;
    spine.clear();
    for (std::size_t i = 0; i < count; ++i) {
        Node* n = leaves[i];
        n->left = n->right = nullptr;
        Node* last = nullptr;
        while (!spine.empty() && spine.back()->priority < n->priority) {
            last = spine.back();
            spine.pop_back();
        }
        n->left = last;
        if (!spine.empty())
            spine.back()->right = n;
        spine.push_back(n);
    }
    if (spine.empty())
        return nullptr;
    Node* root = spine.front();
    spine.clear();
    pullAll(root);
    return root;
}

void LeafTree::roomForBuild(std::size_t leaves) {
    if (m_spine.capacity() >= leaves)
        return;
    noteAllocation();
    m_spine.reserve(std::max(leaves, m_spine.capacity() * 2));
}

std::uint32_t LeafTree::nextPriority() {
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return m_random;
}

Node* LeafTree::newLeaf() {
    if (m_spare.empty())
        return allocLeaf();
    Node* n = m_spare.back();
    m_spare.pop_back();
    return n;
}

Node* LeafTree::allocLeaf() {
    noteAllocation();
    auto* n = new Node;
    n->data = static_cast<char16_t*>(std::malloc(std::size_t(m_chunk) * 2));
    if (!n->data) {
        delete n;
        throw std::bad_alloc();
    }
    n->cap = m_chunk;
    n->priority = nextPriority();
    return n;
}

void LeafTree::reserveSpare(Pos inserted, Pos edits) {
    // An edit makes the leaves of its window: at most four leaves' units beside its own.
    const Pos window = 4 * m_largestLeaf;
    const Pos need = leavesFor(inserted + window * edits) + edits;
    try {
        if (m_spare.capacity() < m_spare.size() + std::size_t(need)) {
            noteAllocation();
            m_spare.reserve(m_spare.size() + std::size_t(need));
        }
        for (Pos i = 0; i < need; ++i)
            m_spare.push_back(allocLeaf());
        const std::size_t most = std::size_t(leavesFor(window + inserted) + 1);
        roomForBuild(most);
        if (m_fresh.capacity() < most) {
            noteAllocation();
            m_fresh.reserve(most);
        }
    } catch (...) {
        releaseSpare();
        throw;
    }
}

void LeafTree::releaseSpare() {
    for (Node* n : m_spare) {
        std::free(n->data);
        delete n;
    }
    m_spare.clear();
}

Node* LeafTree::leafAt(Pos index, Pos& start) const {
    Node* n = m_root;
    start = 0;
    while (n) {
        const Pos lc = countOf(n->left);
        if (index < lc) {
            n = n->left;
            continue;
        }
        start += unitsOf(n->left);
        if (index == lc)
            return n;
        index -= lc + 1;
        start += n->len;
        n = n->right;
    }
    return nullptr;
}

LeafTree::Spot LeafTree::findUnit(Pos pos) const {
    Spot s;
    Node* n = m_root;
    while (n) {
        const Pos lu = unitsOf(n->left);
        if (pos < lu) {
            n = n->left;
            continue;
        }
        pos -= lu;
        s.start += lu;
        s.line += linesOf(n->left);
        s.index += countOf(n->left);
        if (pos < n->len) {
            s.leaf = n;
            s.offset = pos;
            return s;
        }
        pos -= n->len;
        s.start += n->len;
        s.line += n->lfs;
        s.index += 1;
        n = n->right;
    }
    return s;
}

// The leaf where an insertion at pos goes: the one that ends at pos rather than the one that
// starts there, so typing at the end of a leaf fills it.
LeafTree::Spot LeafTree::findInsert(Pos pos) const {
    Spot s;
    Node* n = m_root;
    while (n) {
        if (n->left && pos <= n->left->units) {
            n = n->left;
            continue;
        }
        const Pos lu = unitsOf(n->left);
        pos -= lu;
        s.start += lu;
        if (pos <= n->len) {
            s.leaf = n;
            s.offset = pos;
            return s;
        }
        pos -= n->len;
        s.start += n->len;
        n = n->right;
    }
    return s;
}

const LeafTree::Last& LeafTree::remember(const Node* leaf, Pos start, Pos line) const {
    Last& entry = m_last[m_older];
    entry = {leaf, start, line};
    m_older ^= 1;
    return entry;
}

const Node* LeafTree::leafOfUnit(Pos pos, Pos& start, Pos& line) const {
    auto holds = [pos](const Last& c) {
        return c.leaf && pos >= c.start && pos < c.start + c.leaf->len;
    };
    const Last* hit = holds(m_last[0]) ? &m_last[0] : holds(m_last[1]) ? &m_last[1] : nullptr;
    if (!hit) {
        const Spot s = findUnit(pos);
        hit = &remember(s.leaf, s.start, s.line);
    }
    const Last& c = *hit;
    start = c.start;
    line = c.line;
    return c.leaf;
}

const Node* LeafTree::leafOfLf(Pos k, Pos& start, Pos& line, Pos& offset) const {
    auto holds = [k](const Last& c) { return c.leaf && k > c.line && k <= c.line + c.leaf->lfs; };
    const Last* hit = holds(m_last[0]) ? &m_last[0] : holds(m_last[1]) ? &m_last[1] : nullptr;
    if (!hit) {
        Spot s;
        Node* n = m_root;
        Pos left = k;
        while (n) {
            const Pos ll = linesOf(n->left);
            if (left <= ll) {
                n = n->left;
                continue;
            }
            left -= ll;
            s.start += unitsOf(n->left);
            s.line += ll;
            if (left <= n->lfs) {
                s.leaf = n;
                break;
            }
            left -= n->lfs;
            s.start += n->len;
            s.line += n->lfs;
            n = n->right;
        }
        if (!s.leaf)
            return nullptr;
        hit = &remember(s.leaf, s.start, s.line);
    }
    const Last& c = *hit;
    start = c.start;
    line = c.line;
    offset = nthLfInLeaf(c.leaf, k - c.line);
    return c.leaf;
}

char16_t LeafTree::at(Pos pos) const {
    Pos start = 0, line = 0;
    return leafOfUnit(pos, start, line)->data[pos - start];
}

Pos LeafTree::lfsBefore(Pos pos) const {
    if (pos >= length())
        return lfCount();
    Pos start = 0, line = 0;
    const Node* n = leafOfUnit(pos, start, line);
    return line + lfsInLeafBefore(n, pos - start);
}

Pos LeafTree::afterLf(Pos k) const {
    Pos start = 0, line = 0, offset = 0;
    return leafOfLf(k, start, line, offset) ? start + offset + 1 : length();
}

Pos LeafTree::nonLfUnit(Pos k) const {
    // Subtrees count their units and their LF units; the difference is what is counted here.
    const Node* n = m_root;
    Pos start = 0;
    while (n) {
        const Pos left = unitsOf(n->left) - linesOf(n->left);
        if (k < left) {
            n = n->left;
            continue;
        }
        k -= left;
        start += unitsOf(n->left);
        if (k < n->len - n->lfs) {
            for (Pos i = 0; i < n->len; ++i) {
                if (n->data[i] != kLf && k-- == 0)
                    return start + i;
            }
        }
        k -= n->len - n->lfs;
        start += n->len;
        n = n->right;
    }
    return length();
}

Pos LeafTree::breakOf(Pos k) const {
    Pos start = 0, line = 0, offset = 0;
    const Node* n = leafOfLf(k, start, line, offset);
    if (!n)
        return length();
    const Pos lf = start + offset;
    const char16_t before = offset > 0 ? n->data[offset - 1] : lf > 0 ? at(lf - 1) : 0;
    return before == kCr ? lf - 1 : lf;
}

std::u16string LeafTree::copy(Pos pos, Pos len) const {
    std::u16string out;
    out.reserve(std::size_t(std::max<Pos>(len, 0)));
    spans(pos, len, [&](std::u16string_view piece) {
        out.append(piece);
        return true;
    });
    return out;
}

void LeafTree::arenaLeaves(Arena* arena, std::vector<Node*>& out) {
    const Pos slots = arena->usedSlots();
    const std::size_t mark = out.size();
    m_largestLeaf = std::max(m_largestLeaf, arena->slotUnits());
    if (out.capacity() < mark + std::size_t(slots)) {
        noteAllocation();
        out.reserve(std::max(mark + std::size_t(slots), out.capacity() * 2));
    }
    try {
        for (Pos i = 0; i < slots; ++i) {
            noteAllocation();
            auto* n = new Node;
            n->data = arena->slot(i);
            n->len = arena->slotLength(i);
            n->cap = arena->slotUnits();
            n->lfs = arena->slotLines(i);
            n->arena = arena;
            n->priority = nextPriority();
            out.push_back(n);
        }
    } catch (...) {
        // The slots are still the arena's: only the nodes go.
        for (std::size_t k = mark; k < out.size(); ++k)
            delete out[k];
        out.resize(mark);
        throw;
    }
}

void LeafTree::reset(const std::vector<Arena*>& arenas) {
    std::vector<Node*> leaves;
    try {
        for (Arena* arena : arenas)
            arenaLeaves(arena, leaves);
        roomForBuild(leaves.size());
    } catch (...) {
        for (Node* n : leaves)
            delete n;
        throw;
    }
    forget();
    freeTree(m_root);
    m_root = nullptr;
    for (Arena* arena : arenas)
        arena->handOver(arena->usedSlots());
    m_root = build(leaves);
}

void LeafTree::splice(Pos pos, const std::vector<Arena*>& arenas) {
    std::vector<Node*> fresh;
    std::vector<Node*> tail;
    std::vector<Node*> leaves;
    Spot s;
    const bool cut = m_root && pos < length();
    try {
        for (Arena* arena : arenas)
            arenaLeaves(arena, fresh);
        if (cut) {
            s = findUnit(pos);
            // The leaf keeps its head; its tail goes to new leaves after the spliced ones.
            if (s.offset > 0) {
                const std::u16string_view rest(s.leaf->data + s.offset,
                                               std::size_t(s.leaf->len - s.offset));
                makeLeaves(&rest, 1, tail);
            }
        }
        noteAllocation();
        leaves.reserve(fresh.size() + tail.size() + 1);
        roomForBuild(leaves.capacity());
    } catch (...) {
        for (Node* n : fresh)
            delete n;
        freeLeaves(tail);
        throw;
    }
    for (Arena* arena : arenas)
        arena->handOver(arena->usedSlots());
    if (fresh.empty())
        return;
    forget();
    Node* before = m_root;
    Node* after = nullptr;
    if (cut) {
        Node* rest = nullptr;
        Node* leaf = nullptr;
        split(m_root, s.index, before, rest);
        split(rest, 1, leaf, after);
        if (s.offset == 0) {
            leaves.insert(leaves.end(), fresh.begin(), fresh.end());
            leaves.push_back(leaf);
        } else {
            leaves.push_back(leaf);
            leaves.insert(leaves.end(), fresh.begin(), fresh.end());
            leaves.insert(leaves.end(), tail.begin(), tail.end());
            leaf->len = s.offset;
            leaf->lfs = countLf(leaf->data, leaf->len);
            leaf->counted = false;
        }
    } else {
        leaves.insert(leaves.end(), fresh.begin(), fresh.end());
    }
    m_root = nullptr;
    evenOut(leaves);
    m_root = merge(merge(before, build(leaves)), after);
}

Node* LeafTree::detach(Pos pos, Pos len) {
    const Spot a = findUnit(pos);
    const Spot b = findUnit(pos + len - 1);
    const Pos aKeeps = a.offset;    // A's units before the range stay
    const Pos bFrom = b.offset + 1; // and B's from here on
    // The parts of the end leaves inside the range are copied into leaves of their own first.
    std::vector<Node*>& ends = m_fresh;
    ends.clear();
    std::size_t headLeaves = 0;
    try {
        if (aKeeps > 0) {
            const std::u16string_view part(a.leaf->data + aKeeps,
                                           std::size_t(a.leaf->len - aKeeps));
            makeLeaves(&part, 1, ends);
        }
        headLeaves = ends.size();
        if (bFrom < b.leaf->len) {
            const std::u16string_view part(b.leaf->data, std::size_t(bFrom));
            makeLeaves(&part, 1, ends);
        }
        roomForBuild(ends.size());
    } catch (...) {
        freeLeaves(ends);
        ends.clear();
        throw;
    }
    forget();
    Node* left = nullptr;
    Node* rest = nullptr;
    Node* range = nullptr;
    Node* right = nullptr;
    split(m_root, a.index, left, rest);
    split(rest, b.index - a.index + 1, range, right);
    Node* first = nullptr;
    Node* inner = nullptr;
    Node* last = nullptr;
    split(range, 1, first, rest);
    split(rest, countOf(rest) - 1, inner, last);
    Node* out = inner;
    if (aKeeps > 0) {
        first->len = aKeeps;
        first->lfs = countLf(first->data, aKeeps);
        first->counted = false;
        pull(first);
        left = merge(left, first);
        out = merge(build(ends.data(), headLeaves), out);
    } else {
        out = merge(first, out);
    }
    if (bFrom < last->len) {
        std::memmove(last->data, last->data + bFrom, std::size_t(last->len - bFrom) * 2);
        last->len -= bFrom;
        last->lfs = countLf(last->data, last->len);
        last->counted = false;
        pull(last);
        right = merge(last, right);
        out = merge(out, build(ends.data() + headLeaves, ends.size() - headLeaves));
    } else {
        out = merge(out, last);
    }
    ends.clear();
    m_root = merge(left, right);
    return out;
}

void LeafTree::attach(Pos pos, Node* detached) {
    if (!detached)
        return;
    Spot s;
    const bool cut = m_root && pos < length() && (s = findUnit(pos)).offset > 0;
    std::vector<Node*>& tail = m_fresh;
    tail.clear();
    try {
        if (cut) {
            const std::u16string_view part(s.leaf->data + s.offset,
                                           std::size_t(s.leaf->len - s.offset));
            makeLeaves(&part, 1, tail);
        }
        roomForBuild(tail.size());
    } catch (...) {
        freeLeaves(tail);
        tail.clear();
        throw;
    }
    forget();
    if (!m_root || pos >= length()) {
        m_root = merge(m_root, detached);
        return;
    }
    Node* before = nullptr;
    Node* rest = nullptr;
    split(m_root, s.index, before, rest);
    if (!cut) {
        m_root = merge(merge(before, detached), rest);
        return;
    }
    Node* leaf = nullptr;
    Node* after = nullptr;
    split(rest, 1, leaf, after);
    leaf->len = s.offset;
    leaf->lfs = countLf(leaf->data, leaf->len);
    leaf->counted = false;
    pull(leaf);
    Node* tailTree = build(tail);
    tail.clear();
    m_root = merge(merge(merge(merge(before, leaf), detached), tailTree), after);
}

void LeafTree::freeDetached(Node* detached) {
    freeTree(detached);
}

// Leaves holding the pieces' units: filled to the fill target (leaves meant to be edited), or
// for a large text one arena of full leaves that are read as one piece. The spare leaves of a
// series of edits are used first.
void LeafTree::makeLeaves(const std::u16string_view* pieces, std::size_t count,
                          std::vector<Node*>& out) {
    Pos total = 0;
    for (std::size_t i = 0; i < count; ++i)
        total += Pos(pieces[i].size());
    if (total == 0)
        return;
    if (total >= m_chunk * 64 && m_spare.empty()) {
        Arena* arena = Arena::create(m_chunk, (total + m_chunk - 1) / m_chunk);
        try {
            for (std::size_t i = 0; i < count; ++i)
                arena->append(pieces[i]);
            arenaLeaves(arena, out);
        } catch (...) {
            Arena::destroy(arena);
            throw;
        }
        arena->handOver(arena->usedSlots());
        return;
    }
    const Pos leaves = leavesFor(total);
    if (out.capacity() < out.size() + std::size_t(leaves)) {
        noteAllocation();
        out.reserve(std::max(out.size() + std::size_t(leaves), out.capacity() * 2));
    }
    std::size_t piece = 0;
    Pos inPiece = 0;
    Pos done = 0;
    for (Pos i = 0; i < leaves; ++i) {
        const Pos size = (total - done) / (leaves - i);
        Node* n = newLeaf();
        n->len = 0;
        n->counted = false;
        while (n->len < size) {
            while (inPiece == Pos(pieces[piece].size())) {
                ++piece;
                inPiece = 0;
            }
            const Pos take = std::min(size - n->len, Pos(pieces[piece].size()) - inPiece);
            std::memcpy(n->data + n->len, pieces[piece].data() + inPiece, std::size_t(take) * 2);
            n->len += take;
            inPiece += take;
        }
        n->lfs = countLf(n->data, size);
        out.push_back(n);
        done += size;
    }
}

void LeafTree::replace(Pos pos, Pos len, std::u16string_view ins) {
    if (m_root && replaceInLeaf(pos, len, ins))
        return;
    replaceInWindow(pos, len, ins);
}

// The common case: the edit stays inside one leaf, which keeps a healthy size. Needs no memory.
bool LeafTree::replaceInLeaf(Pos pos, Pos len, std::u16string_view ins) {
    const Spot s = findInsert(pos);
    Node* leaf = s.leaf;
    if (!leaf || s.offset + len > leaf->len || (len > 0 && s.offset == leaf->len))
        return false;
    const Pos n = Pos(ins.size());
    const Pos newLen = leaf->len - len + n;
    if (newLen > leaf->cap)
        return false;
    // A leaf that shrinks below the small size is joined with a neighbour by the general case;
    // the only leaf may be short, never empty.
    if (newLen < leaf->len && newLen < smallLeaf() && (m_root->count > 1 || newLen == 0))
        return false;
    char16_t* at = leaf->data + s.offset;
    const Pos lfDelta = countLf(ins.data(), n) - countLf(at, len);
    std::memmove(at + n, at + len, std::size_t(leaf->len - s.offset - len) * 2);
    if (n > 0) // an empty view may have no data at all
        std::memcpy(at, ins.data(), std::size_t(n) * 2);
    leaf->len = newLen;
    leaf->lfs += lfDelta;
    // The units before the edit stayed where they were, and so did their blocks' counts.
    if (leaf->counted)
        countBlocks(leaf, s.offset / blockUnits(leaf));
    // The counts of the nodes on the way down to the leaf, found again by the same descent:
    // each step's choice reads a child that is not counted anew yet.
    Pos p = pos;
    for (Node* node = m_root; node;) {
        node->units += n - len;
        node->lines += lfDelta;
        if (node == leaf)
            break;
        if (node->left && p <= node->left->units) {
            node = node->left;
            continue;
        }
        p -= unitsOf(node->left) + node->len;
        node = node->right;
    }
    // A remembered leaf after this one has moved by the edit.
    for (Last& c : m_last) {
        if (c.leaf && c.leaf != leaf && c.start > s.start) {
            c.start += n - len;
            c.line += lfDelta;
        }
    }
    return true;
}

// The general case: the leaves around the edit, with one neighbour on each side, are replaced
// by new leaves holding what is kept of them and the inserted units. Everything new is made
// before the tree changes, so that a failure leaves it as it was; the units removed in between
// are only let go of.
void LeafTree::replaceInWindow(Pos pos, Pos len, std::u16string_view ins) {
    std::u16string_view pieces[5];
    std::size_t count = 0;
    Pos lo = 0;
    Pos hi = -1;
    if (m_root) {
        const Pos total = m_root->count;
        const Pos first = pos > 0 ? findUnit(pos - 1).index : 0;
        const Pos last = pos + len < length() ? findUnit(pos + len).index : total - 1;
        lo = std::max<Pos>(0, first - 1);
        hi = std::min<Pos>(total - 1, last + 1);
        Pos start = 0;
        for (Pos k = lo; k <= first; ++k) {
            const Node* n = leafAt(k, start);
            const Pos end = std::min(start + n->len, pos);
            if (end > start)
                pieces[count++] = std::u16string_view(n->data, std::size_t(end - start));
        }
        if (!ins.empty())
            pieces[count++] = ins;
        for (Pos k = last; k <= hi; ++k) {
            const Node* n = leafAt(k, start);
            const Pos from = std::max(start, pos + len);
            if (from < start + n->len)
                pieces[count++] = std::u16string_view(n->data + (from - start),
                                                      std::size_t(start + n->len - from));
        }
    } else if (!ins.empty()) {
        pieces[count++] = ins;
    }
    std::vector<Node*>& fresh = m_fresh;
    fresh.clear();
    try {
        makeLeaves(pieces, count, fresh);
        evenOut(fresh);
        roomForBuild(fresh.size());
    } catch (...) {
        freeLeaves(fresh);
        fresh.clear();
        throw;
    }
    forget();
    Node* before = nullptr;
    Node* window = nullptr;
    Node* after = nullptr;
    if (m_root) {
        Node* rest = nullptr;
        split(m_root, lo, before, rest);
        split(rest, hi - lo + 1, window, after);
    }
    freeTree(window);
    m_root = merge(merge(before, build(fresh)), after);
    fresh.clear();
}

// Joins each short leaf with a neighbour, or shares units with it when both do not fit in
// one, so that leaves stay at least smallLeaf() long.
void LeafTree::evenOut(std::vector<Node*>& leaves) {
    std::size_t i = 0;
    while (leaves.size() > 1 && i < leaves.size()) {
        if (leaves[i]->len >= smallLeaf()) {
            ++i;
            continue;
        }
        const std::size_t k = i + 1 < leaves.size() ? i : i - 1;
        Node* a = leaves[k];
        Node* b = leaves[k + 1];
        const Pos total = a->len + b->len;
        if (total <= a->cap) {
            std::memcpy(a->data + a->len, b->data, std::size_t(b->len) * 2);
            a->len = total;
            a->lfs += b->lfs;
            a->counted = false;
            freeLeaf(b);
            leaves.erase(leaves.begin() + std::ptrdiff_t(k) + 1);
            i = k;
        } else if (total <= b->cap) {
            std::memmove(b->data + a->len, b->data, std::size_t(b->len) * 2);
            std::memcpy(b->data, a->data, std::size_t(a->len) * 2);
            b->len = total;
            b->lfs += a->lfs;
            b->counted = false;
            freeLeaf(a);
            leaves.erase(leaves.begin() + std::ptrdiff_t(k));
            i = k;
        } else {
            Pos newA = std::min(a->cap, total / 2);
            if (total - newA > b->cap)
                newA = total - b->cap;
            if (newA < a->len) {
                const Pos move = a->len - newA;
                std::memmove(b->data + move, b->data, std::size_t(b->len) * 2);
                std::memcpy(b->data, a->data + newA, std::size_t(move) * 2);
            } else {
                const Pos move = newA - a->len;
                std::memcpy(a->data + a->len, b->data, std::size_t(move) * 2);
                std::memmove(b->data, b->data + move, std::size_t(b->len - move) * 2);
            }
            a->len = newA;
            b->len = total - newA;
            a->lfs = countLf(a->data, a->len);
            b->lfs = countLf(b->data, b->len);
            a->counted = b->counted = false;
            i = k + 2;
        }
    }
}

} // namespace text::detail
