#include "text/leaves.h"

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

void freeLeaf(Node* n) {
    if (n->arena)
        n->arena->releaseSlots(n->data, 1);
    else
        std::free(n->data);
    delete n;
}

// Frees leaves given in text order; the slots of neighbouring leaves that lie one after the
// other in an arena go back in one call, so removing a large text takes a few calls to the
// system, not one per leaf.
void freeLeaves(const std::vector<Node*>& dead) {
    std::size_t i = 0;
    while (i < dead.size()) {
        Node* first = dead[i];
        std::size_t j = i + 1;
        if (Arena* arena = first->arena) {
            const auto slotBytes = std::uintptr_t(arena->slotUnits()) * 2;
            while (j < dead.size() && dead[j]->arena == arena &&
                   reinterpret_cast<std::uintptr_t>(dead[j]->data) ==
                       reinterpret_cast<std::uintptr_t>(dead[j - 1]->data) + slotBytes)
                ++j;
            arena->releaseSlots(first->data, Pos(j - i));
        } else {
            std::free(first->data);
        }
        for (std::size_t k = i; k < j; ++k)
            delete dead[k];
        i = j;
    }
}

void collect(Node* n, std::vector<Node*>& out) {
    if (!n)
        return;
    collect(n->left, out);
    out.push_back(n);
    collect(n->right, out);
}

void freeTree(Node* root) {
    std::vector<Node*> leaves;
    collect(root, leaves);
    freeLeaves(leaves);
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

// The treap of the leaves in order, from their priorities, in linear time.
Node* build(const std::vector<Node*>& leaves) {
    std::vector<Node*> spine;
    for (Node* n : leaves) {
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
    pullAll(spine.front());
    return spine.front();
}

// A leaf's LF units are counted per block once it is looked into, and kept as the count before
// each block, so a look-up anywhere in the leaf scans one block and reads one count.
Pos blockUnits(const Node* n) {
    const Pos b = (n->cap + Node::kBlocks - 1) / Node::kBlocks;
    return std::max<Pos>(64, (b + 15) / 16 * 16);
}

// Counts the blocks from `first` on (the counts up to it are still right).
void countBlocks(const Node* n, Pos first = 0) {
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
}

// LF units in the first `offset` units of a leaf.
Pos lfsInLeafBefore(const Node* n, Pos offset) {
    if (!n->counted)
        countBlocks(n);
    const Pos b = blockUnits(n);
    const Pos block = std::min<Pos>(offset / b, Node::kBlocks - 1);
    return n->lfsBeforeBlock[std::size_t(block)] + countLf(n->data + block * b, offset - block * b);
}

// Offset of the k-th LF unit (1 <= k <= lfs) of a leaf.
Pos nthLfInLeaf(const Node* n, Pos k) {
    if (!n->counted)
        countBlocks(n);
    const Pos b = blockUnits(n);
    // The last block with fewer than k LF units before it holds the k-th.
    const std::uint32_t* const counts = n->lfsBeforeBlock;
    const Pos block =
        Pos(std::lower_bound(counts + 1, counts + Node::kBlocks, std::uint32_t(k)) - counts) - 1;
    const Pos from = block * b;
    return from + nthLf(n->data + from, std::min(b, n->len - from), k - counts[block]);
}

} // namespace

// A leaf found by a descent, with what comes before it.
struct LeafTree::Spot {
    Node* leaf = nullptr;
    Pos offset = 0; // within the leaf
    Pos start = 0;  // position of the leaf's first unit
    Pos line = 0;   // LF units before the leaf
    Pos index = 0;  // leaves before the leaf
};

LeafTree::LeafTree(Pos chunkUnits) : m_chunk(std::max<Pos>(chunkUnits, 2)) {}

LeafTree::~LeafTree() {
    freeTree(m_root);
}

Pos LeafTree::length() const {
    return unitsOf(m_root);
}

Pos LeafTree::lfCount() const {
    return linesOf(m_root);
}

std::uint32_t LeafTree::nextPriority() {
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return m_random;
}

Node* LeafTree::newLeaf() {
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
// starts there, so typing at the end of a leaf fills it. Records the descent in `path`.
LeafTree::Spot LeafTree::findInsert(Pos pos, std::vector<Node*>& path) const {
    Spot s;
    Node* n = m_root;
    while (n) {
        path.push_back(n);
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

const Node* LeafTree::firstLeaf(Pos pos, Pos& offset, std::vector<const Node*>& stack) const {
    const Node* n = m_root;
    while (n) {
        const Pos lu = unitsOf(n->left);
        if (pos < lu) {
            stack.push_back(n);
            n = n->left;
            continue;
        }
        pos -= lu;
        if (pos < n->len) {
            offset = pos;
            return n;
        }
        pos -= n->len;
        n = n->right;
    }
    return nullptr;
}

const Node* LeafTree::nextLeaf(const Node* n, std::vector<const Node*>& stack) {
    if (n->right) {
        n = n->right;
        while (n->left) {
            stack.push_back(n);
            n = n->left;
        }
        return n;
    }
    if (stack.empty())
        return nullptr;
    n = stack.back();
    stack.pop_back();
    return n;
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

void LeafTree::takeArena(Arena* arena, std::vector<Node*>& out) {
    const Pos slots = arena->usedSlots();
    for (Pos i = 0; i < slots; ++i) {
        auto* n = new Node;
        n->data = arena->slot(i);
        n->len = arena->slotLength(i);
        n->cap = arena->slotUnits();
        n->lfs = arena->slotLines(i);
        n->arena = arena;
        n->priority = nextPriority();
        out.push_back(n);
    }
    arena->handOver(slots);
}

void LeafTree::reset(const std::vector<Arena*>& arenas) {
    forget();
    freeTree(m_root);
    m_root = nullptr;
    std::vector<Node*> leaves;
    for (Arena* arena : arenas)
        takeArena(arena, leaves);
    m_root = build(leaves);
}

void LeafTree::splice(Pos pos, const std::vector<Arena*>& arenas) {
    std::vector<Node*> leaves;
    std::vector<Node*> fresh;
    for (Arena* arena : arenas)
        takeArena(arena, fresh);
    if (fresh.empty())
        return;
    forget();
    Node* before = m_root;
    Node* after = nullptr;
    if (m_root && pos < length()) {
        const Spot s = findUnit(pos);
        Node* rest = nullptr;
        Node* leaf = nullptr;
        split(m_root, s.index, before, rest);
        split(rest, 1, leaf, after);
        if (s.offset == 0) {
            leaves = std::move(fresh);
            leaves.push_back(leaf);
        } else {
            // The leaf keeps its head; its tail goes to new leaves after the spliced ones.
            leaves.push_back(leaf);
            leaves.insert(leaves.end(), fresh.begin(), fresh.end());
            const Pos tail = leaf->len - s.offset;
            makeLeaves(std::u16string_view(leaf->data + s.offset, std::size_t(tail)), leaves);
            leaf->len = s.offset;
            leaf->lfs = countLf(leaf->data, leaf->len);
            leaf->counted = false;
        }
    } else {
        leaves = std::move(fresh);
    }
    m_root = nullptr;
    evenOut(leaves);
    m_root = merge(merge(before, build(leaves)), after);
}

// Leaves holding `units`, appended to `out`: filled to the fill target (leaves meant to be
// edited), or for a large insertion one arena of full leaves that are read as one piece.
void LeafTree::makeLeaves(std::u16string_view units, std::vector<Node*>& out) {
    const Pos total = Pos(units.size());
    if (total == 0)
        return;
    if (total >= m_chunk * 64) {
        Arena* arena = Arena::create(m_chunk, (total + m_chunk - 1) / m_chunk);
        arena->append(units);
        takeArena(arena, out);
        return;
    }
    const Pos pieces = (total + fillTarget() - 1) / fillTarget();
    Pos done = 0;
    for (Pos i = 0; i < pieces; ++i) {
        const Pos size = (total - done) / (pieces - i);
        Node* n = newLeaf();
        std::memcpy(n->data, units.data() + done, std::size_t(size) * 2);
        n->len = size;
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

// The common case: the edit stays inside one leaf, which keeps a healthy size.
bool LeafTree::replaceInLeaf(Pos pos, Pos len, std::u16string_view ins) {
    std::vector<Node*> path;
    path.reserve(64);
    const Spot s = findInsert(pos, path);
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
    std::memcpy(at, ins.data(), std::size_t(n) * 2);
    leaf->len = newLen;
    leaf->lfs += lfDelta;
    // The units before the edit stayed where they were, and so did their blocks' counts.
    if (leaf->counted)
        countBlocks(leaf, s.offset / blockUnits(leaf));
    for (Node* p : path) {
        p->units += n - len;
        p->lines += lfDelta;
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

// The general case: the leaves around the edit, with one neighbour on each side, are taken
// out of the tree, edited as a list, evened out and put back.
void LeafTree::replaceInWindow(Pos pos, Pos len, std::u16string_view ins) {
    forget();
    std::vector<Node*> leaves;
    Pos windowStart = 0;
    Node* before = nullptr;
    Node* after = nullptr;
    if (m_root) {
        const Pos total = m_root->count;
        const Pos first = pos > 0 ? findUnit(pos - 1).index : 0;
        const Pos last = pos + len < length() ? findUnit(pos + len).index : total - 1;
        const Pos lo = std::max<Pos>(0, first - 1);
        const Pos hi = std::min<Pos>(total - 1, last + 1);
        Node* rest = nullptr;
        Node* window = nullptr;
        split(m_root, lo, before, rest);
        split(rest, hi - lo + 1, window, after);
        m_root = nullptr;
        windowStart = unitsOf(before);
        collect(window, leaves);
    }
    const Pos p = pos - windowStart;

    if (len > 0) {
        Pos start = 0;
        std::vector<Node*> kept;
        std::vector<Node*> dead;
        for (Node* leaf : leaves) {
            const Pos leafStart = start;
            start += leaf->len;
            const Pos from = std::max(p, leafStart);
            const Pos to = std::min(p + len, start);
            if (from < to) {
                const Pos a = from - leafStart;
                const Pos cut = to - from;
                std::memmove(leaf->data + a, leaf->data + a + cut,
                             std::size_t(leaf->len - a - cut) * 2);
                leaf->len -= cut;
                leaf->lfs = countLf(leaf->data, leaf->len);
                leaf->counted = false;
            }
            (leaf->len == 0 ? dead : kept).push_back(leaf);
        }
        freeLeaves(dead);
        leaves.swap(kept);
    }

    if (!ins.empty()) {
        std::size_t j = 0;
        Pos start = 0;
        while (j < leaves.size() && p > start + leaves[j]->len) {
            start += leaves[j]->len;
            ++j;
        }
        std::vector<Node*> fresh;
        if (j == leaves.size()) {
            makeLeaves(ins, fresh);
            leaves.insert(leaves.end(), fresh.begin(), fresh.end());
        } else {
            Node* leaf = leaves[j];
            const Pos offset = p - start;
            const Pos n = Pos(ins.size());
            if (leaf->len + n <= leaf->cap) {
                char16_t* at = leaf->data + offset;
                std::memmove(at + n, at, std::size_t(leaf->len - offset) * 2);
                std::memcpy(at, ins.data(), std::size_t(n) * 2);
                leaf->len += n;
                leaf->lfs += countLf(ins.data(), n);
                leaf->counted = false;
            } else {
                // The leaf keeps its head and takes what fits up to the fill target; the rest
                // of the insertion and the leaf's tail go to new leaves after it.
                std::u16string rest(ins);
                rest.append(leaf->data + offset, std::size_t(leaf->len - offset));
                leaf->len = offset;
                const Pos take = std::clamp<Pos>(std::min(fillTarget(), leaf->cap) - offset, 0,
                                                 Pos(rest.size()));
                std::memcpy(leaf->data + offset, rest.data(), std::size_t(take) * 2);
                leaf->len += take;
                leaf->lfs = countLf(leaf->data, leaf->len);
                leaf->counted = false;
                makeLeaves(std::u16string_view(rest).substr(std::size_t(take)), fresh);
                leaves.insert(leaves.begin() + std::ptrdiff_t(j) + 1, fresh.begin(), fresh.end());
                if (leaf->len == 0) {
                    freeLeaf(leaf);
                    leaves.erase(leaves.begin() + std::ptrdiff_t(j));
                }
            }
        }
    }

    evenOut(leaves);
    m_root = merge(merge(before, build(leaves)), after);
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
