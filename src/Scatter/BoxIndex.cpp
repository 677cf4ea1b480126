#include "Scatter/BoxIndex.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core-interface/Exception.h"

namespace Nimbal {

namespace {

inline AlignedBox unite(const AlignedBox& a, const AlignedBox& b) {
    return {Pos(std::min(a.min.x, b.min.x), std::min(a.min.y, b.min.y), std::min(a.min.z, b.min.z)),
            Pos(std::max(a.max.x, b.max.x), std::max(a.max.y, b.max.y), std::max(a.max.z, b.max.z))};
}

// Whether two boxes that are known to be proper (no NaN, minimum not above
// maximum) overlap: then the four comparisons of AlignedBox::overlaps come
// down to two per axis.
inline bool touches(const AlignedBox& a, const AlignedBox& b) {
    return (a.min.x <= b.max.x) & (b.min.x <= a.max.x) & (a.min.y <= b.max.y) & (b.min.y <= a.max.y) &
           (a.min.z <= b.max.z) & (b.min.z <= a.max.z);
}

// Whether any of n proper boxes touches the proper box q. With SSE2 a box is
// tested by two loads that cover it, [min.x min.y min.z max.x] and
// [min.z max.x max.y max.z], each against q's bounds in three lanes; the
// fourth lane holds an infinity that no proper bound is beyond.
struct TouchQuery {
#if defined(__SSE2__)
    __m128 upper, lower;
    explicit TouchQuery(const AlignedBox& q)
        : upper(_mm_setr_ps(q.max.x, q.max.y, q.max.z, INFINITY)),
          lower(_mm_setr_ps(-INFINITY, q.min.x, q.min.y, q.min.z)) {}
    // The lanes in which box b keeps within q's bounds: 0xF when it touches.
    int lanes(const AlignedBox& b) const {
        const float* f = &b.min.x;
        return _mm_movemask_ps(_mm_and_ps(_mm_cmple_ps(_mm_loadu_ps(f), upper), _mm_cmpge_ps(_mm_loadu_ps(f + 2), lower)));
    }
    bool touchesAny(const AlignedBox* boxes, int32_t n) const {
        int32_t k = 0;
        // Two boxes a step, with one branch for both.
        for (; k + 2 <= n; k += 2)
            if (int(lanes(boxes[k]) == 0xF) | int(lanes(boxes[k + 1]) == 0xF)) return true;
        return k < n && lanes(boxes[k]) == 0xF;
    }
#else
    AlignedBox q;
    explicit TouchQuery(const AlignedBox& box) : q(box) {}
    bool touchesAny(const AlignedBox* boxes, int32_t n) const {
        for (int32_t k = 0; k < n; ++k)
            if (Nimbal::touches(boxes[k], q)) return true;
        return false;
    }
#endif
};
static_assert(sizeof(AlignedBox) == 6 * sizeof(float));

inline bool isProper(const AlignedBox& b) {
    return b.min.x <= b.max.x && b.min.y <= b.max.y && b.min.z <= b.max.z;
}

// How much a child's bounds would grow by taking a box: volume first; flat
// and point boxes grow no volume, so surface, then edge length settle ties.
struct Growth {
    float dx, dy, dz;  // extent of the bounds
    float ex, ey, ez;  // extent with the box
    float volume() const { return ex * ey * ez - dx * dy * dz; }
    float area() const { return (ex * ey + ey * ez + ez * ex) - (dx * dy + dy * dz + dz * dx); }
    float edges() const { return (ex + ey + ez) - (dx + dy + dz); }
};

inline Growth growth(const AlignedBox& bounds, const AlignedBox& box) {
    const AlignedBox u = unite(bounds, box);
    return {bounds.max.x - bounds.min.x, bounds.max.y - bounds.min.y, bounds.max.z - bounds.min.z,
            u.max.x - u.min.x,           u.max.y - u.min.y,           u.max.z - u.min.z};
}

inline bool secondGrowsLess(const Growth& first, const Growth& second) {
    const float v1 = first.volume(), v2 = second.volume();
    if (v1 != v2) return v2 < v1;
    const float a1 = first.area(), a2 = second.area();
    if (a1 != a2) return a2 < a1;
    return second.edges() < first.edges();
}

inline bool isLeaf(int32_t ref) { return ref < 0; }

} // namespace

// A query box in the lanes of an inner node: which children does it touch?
struct BoxIndex::Tree::Probe {
#if defined(__SSE2__)
    __m128 qa, qb, qc;
    Probe() = default;
    explicit Probe(const AlignedBox& q)
        : qa(_mm_setr_ps(q.max.x, q.max.x, q.max.y, q.max.y)),
          qb(_mm_setr_ps(q.max.z, q.max.z, -q.min.x, -q.min.x)),
          qc(_mm_setr_ps(-q.min.y, -q.min.y, -q.min.z, -q.min.z)) {}
    // Bit k set when child k is touched.
    int children(const Inner& node) const {
        const __m128 ok = _mm_and_ps(_mm_and_ps(_mm_cmple_ps(_mm_loadu_ps(node.a), qa), _mm_cmple_ps(_mm_loadu_ps(node.b), qb)),
                                     _mm_cmple_ps(_mm_loadu_ps(node.c), qc));
        const int m = _mm_movemask_ps(ok);
        return m & (m >> 2) & 3;
    }
#else
    float qa[4], qb[4], qc[4];
    Probe() = default;
    explicit Probe(const AlignedBox& q)
        : qa{q.max.x, q.max.x, q.max.y, q.max.y},
          qb{q.max.z, q.max.z, -q.min.x, -q.min.x},
          qc{-q.min.y, -q.min.y, -q.min.z, -q.min.z} {}
    int children(const Inner& node) const {
        int m = 0;
        for (int l = 0; l < 4; ++l)
            m |= int((node.a[l] <= qa[l]) & (node.b[l] <= qb[l]) & (node.c[l] <= qc[l])) << l;
        return m & (m >> 2) & 3;
    }
#endif
};

void BoxIndex::Tree::clear() noexcept {
    inners_.clear();
    leaves_.clear();
    root_ = 0;
    stored_ = 0;
    relayoutAt_ = FIRST_RELAYOUT;
}

bool BoxIndex::Tree::leafOverlaps(int32_t leaf, const AlignedBox& box) const {
    const Leaf& l = leaves_.data()[leaf];
    return TouchQuery(box).touchesAny(l.boxes, l.count);
}

bool BoxIndex::Tree::overlapsAny(const AlignedBox& box) const {
    // Stored boxes and bounds are proper, and so are queries.
    if (stored_ == 0 || !touches(rootBounds_, box)) return false;
    if (isLeaf(root_)) return leafOverlaps(~root_, box);
    const Inner* inners = inners_.data();
    // The tree is as deep as its insertion order made it; a deep one spills
    // into the heap rather than the call stack.
    int32_t pending[64];
    int32_t top = 0;
    Stack<int32_t> spill;
    pending[top++] = root_;
    const Probe probe(box);
    for (;;) {
        int32_t index;
        if (top > 0)
            index = pending[--top];
        else if (!spill.isEmpty())
            index = spill.pop();
        else
            return false;
        const Inner& node = inners[index];
        const int touched = probe.children(node);
        for (int c = 0; c < 2; ++c) {
            if (!(touched >> c & 1)) continue;
            const int32_t ref = node.child[c];
            if (isLeaf(ref)) {
                if (leafOverlaps(~ref, box)) return true;
            } else if (top < 64) {
                pending[top++] = ref;
            } else {
                spill.push(ref);
            }
        }
    }
}

bool BoxIndex::Tree::takeSecond(const Inner& node, const AlignedBox& box) {
#if defined(__SSE2__)
    // Both children's volumes, before and after taking the box, lane by
    // lane: in the node's layout a union is a lane-wise minimum, and an
    // extent is -(negated maximum + minimum). Same operations in the same
    // order as the plain computation below, so the same results.
    const __m128 a = _mm_loadu_ps(node.a), b = _mm_loadu_ps(node.b), c = _mm_loadu_ps(node.c);
    const __m128 ua = _mm_min_ps(a, _mm_setr_ps(box.min.x, box.min.x, box.min.y, box.min.y));
    const __m128 ub = _mm_min_ps(b, _mm_setr_ps(box.min.z, box.min.z, -box.max.x, -box.max.x));
    const __m128 uc = _mm_min_ps(c, _mm_setr_ps(-box.max.y, -box.max.y, -box.max.z, -box.max.z));
    const auto volumes = [](__m128 a, __m128 b, __m128 c) {
        const __m128 negZero = _mm_set1_ps(-0.f);
        const __m128 xy = _mm_xor_ps(_mm_add_ps(_mm_shuffle_ps(b, c, _MM_SHUFFLE(1, 0, 3, 2)), a), negZero);
        const __m128 z = _mm_xor_ps(_mm_add_ps(_mm_movehl_ps(c, c), b), negZero);
        return _mm_mul_ps(_mm_mul_ps(xy, _mm_movehl_ps(xy, xy)), z);
    };
    float before[4], after[4];
    _mm_storeu_ps(before, volumes(a, b, c));
    _mm_storeu_ps(after, volumes(ua, ub, uc));
    const float v1 = after[0] - before[0], v2 = after[1] - before[1];
    if (v1 != v2) return v2 < v1;
#endif
    return secondGrowsLess(growth(node.bounds(0), box), growth(node.bounds(1), box));
}

void BoxIndex::Tree::insert(const AlignedBox& box) {
    if (stored_ == 0) {
        clear();
        Leaf& leaf = leaves_.emplace();
        leaf.boxes[0] = box;
        leaf.count = 1;
        root_ = ~0;
        rootBounds_ = box;
        stored_ = 1;
        return;
    }
    rootBounds_ = unite(rootBounds_, box);
    int32_t parent = -1, slot = 0;
    int32_t ref = root_;
    while (!isLeaf(ref)) {
        Inner& node = inners_[ref];
        slot = takeSecond(node, box) ? 1 : 0;
        node.setBounds(slot, unite(node.bounds(slot), box));
        parent = ref;
        ref = node.child[slot];
    }
    Leaf& leaf = leaves_[~ref];
    leaf.boxes[leaf.count++] = box;
    ++stored_;
    if (leaf.count <= LEAF_BOXES) return;
    const int32_t inner = split(~ref);
    if (parent < 0)
        root_ = inner;
    else
        inners_[parent].child[slot] = inner;
    if (inners_.size() >= relayoutAt_) {
        relayout();
        relayoutAt_ = inners_.size() > INT32_MAX / 2 ? INT32_MAX : 2 * inners_.size();
    }
}

// Halves the bucket at the median centre along the axis where the centres
// spread most; the first half stays in the leaf, the second moves to a new
// one, and an inner node over both takes the leaf's place.
int32_t BoxIndex::Tree::split(int32_t leafIndex) {
    AlignedBox boxes[LEAF_BOXES + 1];
    const int32_t count = leaves_[leafIndex].count;
    std::copy(leaves_[leafIndex].boxes, leaves_[leafIndex].boxes + count, boxes);

    Pos lo = boxes[0].min + Dir(boxes[0].max), hi = lo;
    for (int32_t k = 1; k < count; ++k) {
        const Pos c = boxes[k].min + Dir(boxes[k].max);
        lo = min(lo, c);
        hi = max(hi, c);
    }
    const Dir spread(hi - lo);
    const int axis = spread.x >= spread.y ? (spread.x >= spread.z ? 0 : 2) : (spread.y >= spread.z ? 1 : 2);
    // Insertion sort: eleven boxes, and no scratch memory.
    for (int32_t k = 1; k < count; ++k) {
        const AlignedBox b = boxes[k];
        const float key = b.min[axis] + b.max[axis];
        int32_t m = k;
        for (; m > 0 && key < boxes[m - 1].min[axis] + boxes[m - 1].max[axis]; --m) boxes[m] = boxes[m - 1];
        boxes[m] = b;
    }

    const int32_t half = count / 2;
    Inner node;
    Leaf second;
    second.count = count - half;
    AlignedBox secondBounds = boxes[half];
    for (int32_t k = half; k < count; ++k) {
        second.boxes[k - half] = boxes[k];
        secondBounds = unite(secondBounds, boxes[k]);
    }
    node.setBounds(1, secondBounds);
    leaves_.push(second);
    node.child[0] = ~leafIndex;
    node.child[1] = ~(leaves_.size() - 1);

    Leaf& first = leaves_[leafIndex];
    first.count = half;
    AlignedBox firstBounds = boxes[0];
    for (int32_t k = 0; k < half; ++k) {
        first.boxes[k] = boxes[k];
        firstBounds = unite(firstBounds, boxes[k]);
    }
    node.setBounds(0, firstBounds);
    inners_.push(node);
    return inners_.size() - 1;
}

void BoxIndex::Tree::relayout() {
    LineArray<Inner> inners;
    Stack<Leaf> leaves;
    leaves.reserve(leaves_.size());
    // The old reference still to place, and the slot that will point at it.
    struct Pending {
        int32_t ref;
        int32_t parent, slot;
    };
    Stack<Pending> pending;
    pending.push({root_, -1, 0});
    while (!pending.isEmpty()) {
        const Pending p = pending.pop();
        int32_t fresh;
        if (isLeaf(p.ref)) {
            leaves.push(leaves_[~p.ref]);
            fresh = ~(leaves.size() - 1);
        } else {
            const Inner old = inners_[p.ref];
            inners.push(old);
            fresh = inners.size() - 1;
            pending.push({old.child[1], fresh, 1});
            pending.push({old.child[0], fresh, 0});
        }
        if (p.parent < 0)
            root_ = fresh;
        else
            inners[p.parent].child[p.slot] = fresh;
    }
    inners_.swap(inners);
    leaves_.swap(leaves);
}

int32_t BoxIndex::Tree::depth() const {
    if (stored_ == 0) return 0;
    int32_t deepest = 0;
    Stack<int32_t> pending, levels;
    pending.push(root_);
    levels.push(1);
    while (!pending.isEmpty()) {
        const int32_t ref = pending.pop();
        const int32_t level = levels.pop();
        deepest = std::max(deepest, level);
        if (isLeaf(ref)) continue;
        for (int32_t c : inners_[ref].child) {
            pending.push(c);
            levels.push(level + 1);
        }
    }
    return deepest;
}


// ---------------------------------------------------------------------------
// The grid

namespace {

// Cells on an axis run from -CELL_LIMIT to CELL_LIMIT, which with the two
// held values beyond fits in 21 bits; a box beyond them is an outlier.
constexpr int32_t CELL_LIMIT = (1 << 20) - 2;
// Cells are this many times the median extent of the latest boxes on each
// axis. Larger cells mean fewer of them to look up per query and more boxes
// to read in each; scatters of alike instances did best around here.
constexpr double CELL_PER_EXTENT = 6.0;
// No axis gets cells smaller than this share of the largest axis's, so that
// a flat layout still has cells across its flat axis.
constexpr double FLAT_SHARE = 1.0 / 256.0;
// A layer of boxes at most this many times thinner than their widest spread
// gets one cell across.
constexpr double THIN_LAYER = 16.0;
// How many of the latest boxes choose the cell size.
constexpr int32_t SAMPLE = 256;
// The grid is checked when the index reaches this size and each time it
// doubles.
constexpr int32_t FIRST_CHECK = 4096;
// Below this many filed boxes the grid stays in the caches, and asking
// memory ahead for it would only cost.
constexpr int32_t PREFETCH_FROM = 100000;
constexpr int32_t NO_BLOCK = -1;

// Asks memory for the line at p. The empty statement after it keeps the
// hint: to the optimiser a prefetch has no effect, so a function that only
// prefetches would count as doing nothing and its calls would be dropped.
inline void fetch(const void* p) {
    __builtin_prefetch(p);
    asm volatile("" : : "r"(p));
}

// The floor of t, held beyond +-CELL_LIMIT; it never decreases as t grows.
inline int32_t cellOf(double t) {
    if (!(t >= -double(CELL_LIMIT))) return -CELL_LIMIT - 1;
    if (t >= double(CELL_LIMIT) + 1.0) return CELL_LIMIT + 1;
    // Floor without a library call.
    const int32_t c = int32_t(t);
    return double(c) > t ? c - 1 : c;
}

// Room in a cell's block for `count` boxes: 2, 4, 8, ...; log2 of it.
inline int capacityLog(int32_t count) { return count <= 2 ? 1 : 32 - __builtin_clz(uint32_t(count - 1)); }

} // namespace

#define NIMBAL_FOR_CELLS(p, x, y, z)                          \
    for (int32_t z = (p).first[2]; z <= (p).last[2]; ++z)     \
        for (int32_t y = (p).first[1]; y <= (p).last[1]; ++y) \
            for (int32_t x = (p).first[0]; x <= (p).last[0]; ++x)

BoxIndex::BoxIndex() noexcept {
    for (int32_t& head : freeBlocks_) head = NO_BLOCK;
}

inline void BoxIndex::place(const AlignedBox& box, Placed& p) const {
    // A bound's distance from the origin times the inverse cell size, in
    // double: the rounding of neither step decreases as the bound grows, nor
    // does cellOf, so a point shared by two boxes falls in a cell that both
    // reach. Written straight into `p`: a copy of it read back whole would
    // wait for its parts to be stored.
    for (int axis = 0; axis < 3; ++axis) {
        p.first[axis] = cellOf((double(box.min[axis]) - origin_[axis]) * inverseCell_[axis]);
        p.last[axis] = cellOf((double(box.max[axis]) - origin_[axis]) * inverseCell_[axis]);
    }
}

bool BoxIndex::fitsGrid(const Placed& p) {
    for (int axis = 0; axis < 3; ++axis)
        if (p.last[axis] - p.first[axis] > 1 || p.first[axis] < -CELL_LIMIT || p.last[axis] > CELL_LIMIT) return false;
    return true;
}

inline uint64_t BoxIndex::keyOf(int32_t x, int32_t y, int32_t z) {
    constexpr int32_t BIAS = CELL_LIMIT + 1;
    return uint64_t(uint32_t(x + BIAS)) << 42 | uint64_t(uint32_t(y + BIAS)) << 21 | uint64_t(uint32_t(z + BIAS));
}

inline uint32_t BoxIndex::homeOf(uint64_t key) const {
    return uint32_t((key * 0x9E3779B97F4A7C15ull) >> slotShift_);
}

inline const BoxIndex::Slot* BoxIndex::findSlot(uint64_t key) const {
    const uint32_t mask = uint32_t(slots_.size() - 1);
    const Slot* slots = slots_.data();
    for (uint32_t i = homeOf(key);; i = (i + 1) & mask) {
        const Slot& s = slots[i];
        if (s.count == 0) return nullptr;
        if (s.key == key) return &s;
    }
}

void BoxIndex::prefetchSlots(const Placed& p) const {
    NIMBAL_FOR_CELLS(p, x, y, z) fetch(slots_.data() + homeOf(keyOf(x, y, z)));
}

void BoxIndex::prefetchBoxes(const Placed& p) const {
    NIMBAL_FOR_CELLS(p, x, y, z) {
        const Slot* s = findSlot(keyOf(x, y, z));
        if (!s) continue;
        const char* first = reinterpret_cast<const char*>(pool_.data() + s->offset);
        const char* last = reinterpret_cast<const char*>(pool_.data() + s->offset + s->count) - 1;
        for (const char* line = first; line <= last; line += 64) fetch(line);
        fetch(last);
    }
}

bool BoxIndex::gridOverlaps(const Placed& p, const AlignedBox& box) const {
    // A stored box and the query that overlap share a point on each axis,
    // and the cell of that point is among the cells of both.
    const AlignedBox* pool = pool_.data();
    const TouchQuery query(box);
    NIMBAL_FOR_CELLS(p, x, y, z) {
        const Slot* s = findSlot(keyOf(x, y, z));
        if (s && query.touchesAny(pool + s->offset, s->count)) return true;
    }
    return false;
}

bool BoxIndex::scanOverlaps(const AlignedBox& box) const {
    return TouchQuery(box).touchesAny(all_.data(), all_.size());
}

bool BoxIndex::wholeOverlaps(const AlignedBox& box) {
    for (; wholeCount_ < all_.size(); ++wholeCount_) whole_.insert(all_[wholeCount_]);
    return whole_.overlapsAny(box);
}

bool BoxIndex::overlapsAny(const AlignedBox& box) {
    Lookup lookup;
    prepare(box, lookup);
    return overlapsAny(lookup);
}

void BoxIndex::overlapsAny(const AlignedBox* boxes, bool* hits, int32_t n) {
    NIMBAL_ASSERT(n >= 0 && n <= MAX_BATCH);
    for (int32_t i = 0; i < n; ++i) hits[i] = overlapsAny(boxes[i]);
}

void BoxIndex::prepare(const AlignedBox& box, Lookup& lookup) const {
    lookup.box = box;
    lookup.grid = -1;
    if (!hasGrid_ || !isProper(box)) return;
    place(box, lookup.placed);
    lookup.grid = layout_;
}

bool BoxIndex::overlapsAny(Lookup& lookup) {
    // A query that is not proper overlaps nothing, as AlignedBox::overlaps
    // says; everything stored is proper.
    const AlignedBox& box = lookup.box;
    if (all_.isEmpty() || !isProper(box)) return false;
    if (!hasGrid_) return scanOverlaps(box);
    if (lookup.grid != layout_) prepare(box, lookup);
    ++queries_;
    if (lookup.placed.cells() > MAX_CELLS) {
        ++wideQueries_;
        return wholeOverlaps(box);
    }
    return gridOverlaps(lookup.placed, box) || (outliers_.size() > 0 && outliers_.overlapsAny(box));
}

void BoxIndex::prefetch(const Lookup& lookup, int step) const {
    if (lookup.grid != layout_ || !hasGrid_ || gridEntries_ < PREFETCH_FROM || lookup.placed.cells() > BOX_CELLS)
        return;
    if (step == 0)
        prefetchSlots(lookup.placed);
    else if (step == 1)
        prefetchBoxes(lookup.placed);
}

void BoxIndex::insert(const AlignedBox& box) {
    Lookup lookup;
    lookup.box = box;
    insert(lookup);
}

void BoxIndex::insert(const Lookup& lookup) {
    // A NaN bound would spread into every bound above it in a hierarchy;
    // such a box overlaps nothing anyway. An inverted one overlaps nothing
    // either.
    const AlignedBox& box = lookup.box;
    if (!isProper(box)) return;
    all_.push(box);
    if (!hasGrid_) {
        if (all_.size() >= FIRST_GRID) regrid();
        return;
    }
    if (lookup.grid == layout_)
        fileAt(box, lookup.placed);
    else
        file(box);
    if (all_.size() >= nextCheck_) {
        if (gridIsPoor()) regrid();
        nextCheck_ = all_.size() > INT32_MAX / 2 ? INT32_MAX : 2 * all_.size();
        queries_ = wideQueries_ = 0;
    }
}

void BoxIndex::file(const AlignedBox& box) {
    Placed p;
    place(box, p);
    fileAt(box, p);
}

void BoxIndex::fileAt(const AlignedBox& box, const Placed& p) {
    if (!fitsGrid(p)) {
        outliers_.insert(box);
        return;
    }
    NIMBAL_FOR_CELLS(p, x, y, z) addToCell(keyOf(x, y, z), box);
    ++gridBoxes_;
}

#undef NIMBAL_FOR_CELLS

void BoxIndex::addToCell(uint64_t key, const AlignedBox& box) {
    if (2 * (int64_t(usedSlots_) + 1) > slots_.size()) growTable();
    const uint32_t mask = uint32_t(slots_.size() - 1);
    uint32_t i = homeOf(key);
    while (slots_[int32_t(i)].count != 0 && slots_[int32_t(i)].key != key) i = (i + 1) & mask;
    Slot& s = slots_[int32_t(i)];
    if (s.count == 0) {
        s.key = key;
        s.offset = allocate(capacityLog(1));
        ++usedSlots_;
    } else if (s.count >= 2 && (s.count & (s.count - 1)) == 0) {
        // Full: the boxes move to a block twice as large.
        const int k = capacityLog(s.count);
        const int32_t moved = allocate(k + 1);
        std::memcpy(static_cast<void*>(pool_.data() + moved), pool_.data() + s.offset,
                    size_t(s.count) * sizeof(AlignedBox));
        release(s.offset, k);
        s.offset = moved;
    }
    pool_[s.offset + s.count++] = box;
    ++gridEntries_;
}

int32_t BoxIndex::allocate(int k) {
    int32_t& head = freeBlocks_[k];
    if (head != NO_BLOCK) {
        const int32_t block = head;
        std::memcpy(&head, &pool_[block], sizeof head);
        return block;
    }
    if (pool_.size() > INT32_MAX - (int32_t(1) << k)) throw std::bad_alloc();
    return pool_.extend(int32_t(1) << k);
}

// A block given back keeps the next free block of its size in its first
// bytes.
void BoxIndex::release(int32_t offset, int k) {
    std::memcpy(static_cast<void*>(&pool_[offset]), &freeBlocks_[k], sizeof(int32_t));
    freeBlocks_[k] = offset;
}

void BoxIndex::growTable() {
    // The old table becomes the spare, whose storage a later growth reuses.
    slots_.swap(spareSlots_);
    const LineArray<Slot>& old = spareSlots_;
    const int64_t capacity = std::max<int64_t>(1024, 2 * int64_t(old.size()));
    if (capacity > (int64_t(1) << 30)) throw std::bad_alloc();
    slots_.assign(int32_t(capacity), Slot{0, 0, 0});
    slotShift_ = 64 - std::countr_zero(uint64_t(capacity));
    const uint32_t mask = uint32_t(capacity - 1);
    for (int32_t k = 0; k < old.size(); ++k) {
        const Slot& s = old[k];
        if (s.count == 0) continue;
        uint32_t i = homeOf(s.key);
        while (slots_[int32_t(i)].count != 0) i = (i + 1) & mask;
        slots_[int32_t(i)] = s;
    }
}

bool BoxIndex::gridIsPoor() const {
    // Many boxes beside the grid, many queries beside it, or crowded cells.
    return outliers_.size() * 8 > all_.size() || wideQueries_ * 8 > queries_ ||
           gridEntries_ > 64 * int64_t(usedSlots_);
}

void BoxIndex::regrid() {
    const int32_t n = std::min(all_.size(), SAMPLE);
    const AlignedBox* sample = all_.data() + (all_.size() - n);
    float extents[SAMPLE];
    double cell[3] = {0.0, 0.0, 0.0};
    double largest = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        int32_t m = 0;
        for (int32_t k = 0; k < n; ++k) {
            const float e = sample[k].max[axis] - sample[k].min[axis];
            if (std::isfinite(e)) extents[m++] = e;
        }
        if (m == 0) continue;
        std::nth_element(extents, extents + m / 2, extents + m);
        cell[axis] = CELL_PER_EXTENT * double(extents[m / 2]);
        largest = std::max(largest, cell[axis]);
    }
    if (!(largest > 0.0) || !std::isfinite(largest)) {
        // Points, or boxes of no usable size: cells from how far apart the
        // boxes lie.
        largest = 0.0;
        for (int axis = 0; axis < 3; ++axis) {
            double lo = INFINITY, hi = -INFINITY;
            for (int32_t k = 0; k < n; ++k) {
                const double v = sample[k].min[axis];
                if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
            }
            if (hi > lo) largest = std::max(largest, (hi - lo) / 16.0);
        }
        if (!(largest > 0.0) || !std::isfinite(largest)) largest = 1.0;
    }
    // Boxes lying in a thin layer across an axis, as on a gently rolling
    // ground, share one cell across it, with the layer in its middle: a
    // question then reads fewer cells, and a box is filed in fewer.
    double low[3], thickness[3], widest = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        double lo = INFINITY, hi = -INFINITY;
        for (int32_t k = 0; k < n; ++k) {
            const double a = sample[k].min[axis], b = sample[k].max[axis];
            if (std::isfinite(a) && std::isfinite(b)) lo = std::min(lo, a), hi = std::max(hi, b);
        }
        low[axis] = lo;
        thickness[axis] = hi >= lo ? hi - lo : 0.0;
        widest = std::max(widest, thickness[axis]);
    }
    for (int axis = 0; axis < 3; ++axis) {
        double size = std::max(cell[axis], largest * FLAT_SHARE);
        origin_[axis] = 0.0;
        if (thickness[axis] * THIN_LAYER < widest && std::isfinite(widest) && std::isfinite(low[axis])) {
            size = std::max(size, 2.0 * thickness[axis]);
            origin_[axis] = low[axis] - (size - thickness[axis]) / 2.0;
        }
        inverseCell_[axis] = std::isfinite(size) ? 1.0 / size : 1.0 / largest;
    }

    hasGrid_ = true;
    ++regrids_;
    ++layout_;
    slots_.clear();
    spareSlots_.clear();
    usedSlots_ = 0;
    growTable();
    pool_.clear();
    for (int32_t& head : freeBlocks_) head = NO_BLOCK;
    gridBoxes_ = 0;
    gridEntries_ = 0;
    outliers_.clear();
    for (const AlignedBox& b : all_) file(b);
    if (nextCheck_ == 0) nextCheck_ = FIRST_CHECK;
}

void BoxIndex::clear() noexcept {
    all_.clear();
    hasGrid_ = false;
    slots_.clear();
    spareSlots_.clear();
    usedSlots_ = 0;
    pool_.clear();
    for (int32_t& head : freeBlocks_) head = NO_BLOCK;
    gridBoxes_ = gridEntries_ = 0;
    outliers_.clear();
    whole_.clear();
    wholeCount_ = 0;
    wideQueries_ = queries_ = 0;
    nextCheck_ = 0;
    regrids_ = 0;
}

int32_t BoxIndex::depth() const { return std::max(outliers_.depth(), whole_.depth()); }

} // namespace Nimbal
