#include "Scatter/BoxIndex.h"

#include <algorithm>
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
struct BoxIndex::Probe {
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

namespace {

} // namespace

BoxIndex::InnerArray::~InnerArray() { nimbalFree(block_); }

void BoxIndex::InnerArray::push(const Inner& node) {
    if (size_ == capacity_) {
        const int64_t grown = std::max<int64_t>(2 * int64_t(capacity_), 64);
        if (grown > INT32_MAX) throw std::bad_alloc();
        void* block = nimbalMalloc(size_t(grown) * sizeof(Inner) + sizeof(Inner));
        auto* aligned = reinterpret_cast<Inner*>((reinterpret_cast<uintptr_t>(block) + sizeof(Inner) - 1) &
                                                 ~uintptr_t(sizeof(Inner) - 1));
        if (size_ > 0) std::memcpy(static_cast<void*>(aligned), data_, size_t(size_) * sizeof(Inner));
        nimbalFree(block_);
        block_ = block;
        data_ = aligned;
        capacity_ = int32_t(grown);
    }
    data_[size_++] = node;
}

void BoxIndex::clear() noexcept {
    inners_.clear();
    leaves_.clear();
    root_ = 0;
    stored_ = 0;
    relayoutAt_ = FIRST_RELAYOUT;
}

bool BoxIndex::leafOverlaps(int32_t leaf, const AlignedBox& box) const {
    const Leaf& l = leaves_.data()[leaf];
    for (int32_t k = 0; k < l.count; ++k)
        if (touches(l.boxes[k], box)) return true;
    return false;
}

bool BoxIndex::overlapsAny(const AlignedBox& box) const {
    // Stored boxes and bounds are proper; a query that is not overlaps
    // nothing, as AlignedBox::overlaps says.
    if (stored_ == 0 || !isProper(box) || !touches(rootBounds_, box)) return false;
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

void BoxIndex::overlapsAny(const AlignedBox* boxes, bool* hits, int32_t n) const {
    NIMBAL_ASSERT(n >= 0 && n <= MAX_BATCH);
    // A walk keeps the references still to visit; leaves wait there too,
    // so that they are read only after they were asked for.
    constexpr int32_t WALK_DEPTH = 48;
    struct Walk {
        int32_t box;
        int32_t top;
        int32_t pending[WALK_DEPTH];
    };
    Walk walks[MAX_BATCH];
    Probe probes[MAX_BATCH];
    int32_t order[MAX_BATCH];  // the walks still going, by index
    int32_t active = 0;
    for (int32_t i = 0; i < n; ++i) {
        hits[i] = false;
        const AlignedBox& box = boxes[i];
        if (stored_ == 0 || !isProper(box) || !touches(rootBounds_, box)) continue;
        probes[i] = Probe(box);
        order[active] = active;
        Walk& w = walks[active++];
        w.box = i;
        w.top = 1;
        w.pending[0] = root_;
    }
    const Inner* inners = inners_.data();
    const Leaf* leaves = leaves_.data();
    while (active > 0) {
        for (int32_t a = 0; a < active;) {
            Walk& w = walks[order[a]];
            const AlignedBox& box = boxes[w.box];
            const int32_t ref = w.pending[--w.top];
            bool finished = false;
            if (isLeaf(ref)) {
                finished = leafOverlaps(~ref, box);
                hits[w.box] = finished;
            } else {
                const Inner& node = inners[ref];
                const int touched = probes[w.box].children(node);
                for (int c = 0; c < 2 && !finished; ++c) {
                    if (!(touched >> c & 1)) continue;
                    const int32_t child = node.child[c];
                    if (w.top == WALK_DEPTH) {
                        // Deeper than a walk holds: this box asks alone.
                        hits[w.box] = overlapsAny(box);
                        finished = true;
                        break;
                    }
                    w.pending[w.top++] = child;
                    if (isLeaf(child)) {
                        // The count and the first boxes; a leaf is rarely full.
                        const char* leaf = reinterpret_cast<const char*>(leaves + ~child);
                        __builtin_prefetch(leaf);
                        __builtin_prefetch(leaf + 64);
                        __builtin_prefetch(leaf + 128);
                    } else {
                        __builtin_prefetch(inners + child);
                    }
                }
            }
            if (finished || w.top == 0)
                order[a] = order[--active];
            else
                ++a;
        }
    }
}

bool BoxIndex::takeSecond(const Inner& node, const AlignedBox& box) {
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

void BoxIndex::insert(const AlignedBox& box) {
    // A NaN bound would spread into every bound above it; such a box
    // overlaps nothing anyway. An inverted one overlaps nothing either.
    if (!isProper(box)) return;
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
int32_t BoxIndex::split(int32_t leafIndex) {
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

void BoxIndex::relayout() {
    InnerArray inners;
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

int32_t BoxIndex::depth() const {
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

} // namespace Nimbal
