#pragma once

// The accepted instance boxes of a collision-checked scatter. Only insertion
// and the overlap query exist, and the answers never depend on how the boxes
// happen to be filed: a query is true exactly when some stored box overlaps
// it, touching included.
//
// The instances of a scatter are mostly alike in size, so most boxes go into
// a uniform grid of cells a few times larger than a typical box, each box
// into every cell it reaches (at most two per axis), and a query reads the
// cells it reaches. Cells are found through an open-addressed table and keep
// their boxes side by side. Boxes too large for the cells go into a
// bounding-volume hierarchy; a query reaching too many cells asks a second
// hierarchy over all boxes, brought up to date only when such a query comes.
// The cell size is taken from the first boxes, and again from the latest
// ones when too many boxes or queries miss the grid or its cells crowd.
//
// clear() keeps the storage, so that an index used pass after pass does not
// ask the system for fresh memory each time.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "core-interface/Exception.h"
#include "core-interface/Memory.h"
#include "core-interface/Stack.h"
#include "core-interface/Values.h"

namespace Nimbal {

struct AlignedBox {
    Pos min, max;

    // Touching boxes overlap: on every axis the larger minimum is not above
    // the smaller maximum. Written as the four comparisons that statement
    // amounts to, so that a NaN bound, which makes every comparison false,
    // overlaps nothing whichever box holds it.
    bool overlaps(const AlignedBox& o) const {
        return axisOverlaps(min.x, max.x, o.min.x, o.max.x) && axisOverlaps(min.y, max.y, o.min.y, o.max.y) &&
               axisOverlaps(min.z, max.z, o.min.z, o.max.z);
    }

private:
    static bool axisOverlaps(float lo, float hi, float otherLo, float otherHi) {
        return lo <= hi && lo <= otherHi && otherLo <= hi && otherLo <= otherHi;
    }
};

// A growable array in the core's heap whose elements start on a cache line.
template <typename T>
class LineArray {
public:
    LineArray() = default;
    LineArray(const LineArray&) = delete;
    LineArray& operator=(const LineArray&) = delete;
    ~LineArray() { nimbalFree(block_); }
    int32_t size() const noexcept { return size_; }
    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }
    T& operator[](int32_t i) { return data_[i]; }
    const T& operator[](int32_t i) const { return data_[i]; }
    void push(const T& item) {
        if (size_ == capacity_) grow(int64_t(capacity_) * 2);
        data_[size_++] = item;
    }
    // `n` elements, each a copy of `item`; what was there is dropped.
    void assign(int32_t n, const T& item) {
        size_ = 0;
        if (n > capacity_) grow(n);
        for (int32_t k = 0; k < n; ++k) data_[k] = item;
        size_ = n;
    }
    void clear() noexcept { size_ = 0; }
    // Makes room for `n` more elements at the end, left as they are, and
    // returns the index of the first.
    int32_t extend(int32_t n) {
        const int64_t needed = int64_t(size_) + n;
        if (needed > capacity_) grow(std::max(needed, int64_t(capacity_) * 2));
        const int32_t first = size_;
        size_ = int32_t(needed);
        return first;
    }
    void swap(LineArray& o) noexcept {
        std::swap(block_, o.block_);
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
        std::swap(capacity_, o.capacity_);
    }

private:
    static constexpr uintptr_t LINE = 64;
    void grow(int64_t wanted) {
        const int64_t capacity = wanted < 64 ? 64 : wanted;
        if (capacity > INT32_MAX) throw std::bad_alloc();
        const size_t bytes = size_t(capacity) * sizeof(T);
        // Large arrays start on a huge page, so that all of them can be on
        // huge pages: the index reads them at random.
        const uintptr_t align = bytes >= HUGE_PAGE_BYTES ? HUGE_PAGE_BYTES : LINE;
        void* block = nimbalMalloc(bytes + align);
        T* aligned = reinterpret_cast<T*>((reinterpret_cast<uintptr_t>(block) + align - 1) & ~(align - 1));
        if (align == HUGE_PAGE_BYTES) preferHugePages(aligned, bytes);
        if (size_ > 0) std::memcpy(static_cast<void*>(aligned), data_, size_t(size_) * sizeof(T));
        nimbalFree(block_);
        block_ = block;
        data_ = aligned;
        capacity_ = int32_t(capacity);
    }

    void* block_ = nullptr;
    T* data_ = nullptr;
    int32_t size_ = 0;
    int32_t capacity_ = 0;
};

class BoxIndex {
public:
    // A leaf of the hierarchies holding more boxes than this is split in two.
    static constexpr int32_t LEAF_BOXES = 10;

    BoxIndex() noexcept;
    BoxIndex(const BoxIndex&) = delete;
    BoxIndex& operator=(const BoxIndex&) = delete;

    bool isEmpty() const noexcept { return all_.isEmpty(); }
    int64_t size() const noexcept { return all_.size(); }

    // True when some stored box overlaps `box`.
    bool overlapsAny(const AlignedBox& box);
    // The same question for up to MAX_BATCH boxes (hits[i] for boxes[i]).
    static constexpr int32_t MAX_BATCH = 64;
    void overlapsAny(const AlignedBox* boxes, bool* hits, int32_t n);

    // Queries reaching more cells than this ask the hierarchy of all boxes.
    static constexpr int64_t MAX_CELLS = 27;
    // A box that fits the grid reaches at most this many cells.
    static constexpr int32_t BOX_CELLS = 8;
    // The cells a box reaches on each axis. Boxes and queries are placed by
    // the same rounding, which never decreases as a bound grows; the answers
    // rely on nothing else.
    struct Placed {
        int32_t first[3], last[3];
        // Cells reached, or a number above MAX_CELLS.
        int64_t cells() const {
            int64_t n = 1;
            for (int axis = 0; axis < 3 && n <= MAX_CELLS; ++axis) n *= int64_t(last[axis]) - first[axis] + 1;
            return n;
        }
    };
    // A query box placed once for the prefetch steps and the question that
    // follow; placed again should the grid change in between.
    struct Lookup {
        AlignedBox box;
        Placed placed;
        int64_t grid = -1;  // the layout placed in; -1 when not placed
    };
    void prepare(const AlignedBox& box, Lookup& lookup) const;
    // The same question as overlapsAny(box), for a prepared box.
    bool overlapsAny(Lookup& lookup);
    // Hints for a box asked about later, which make no difference to any
    // answer. A question waits for memory twice, the first read telling
    // where the second is: step 0 asks memory for the first, step 1 reads
    // it and asks for the second. A caller that knows its boxes early runs
    // step s on a box it will ask about after PREFETCH_STEPS - s rounds of
    // other work. While the index is small enough to stay in the caches the
    // hints do nothing, as they would only cost.
    static constexpr int PREFETCH_STEPS = 2;
    void prefetch(const Lookup& lookup, int step) const;

    // A box with a NaN bound or a minimum above its maximum overlaps
    // nothing, so it is not kept.
    void insert(const AlignedBox& box);
    // The same for a prepared box, whose placing is used again.
    void insert(const Lookup& lookup);

    // Empties the index and keeps its storage.
    void clear() noexcept;

    // For measurements: the depth of the deeper hierarchy (the root alone is
    // 1; 0 while neither holds a box), how the boxes are filed, and how
    // often the grid was laid out since the last clear().
    int32_t depth() const;
    int64_t gridBoxes() const noexcept { return gridBoxes_; }
    int64_t outlierBoxes() const noexcept { return outliers_.size(); }
    int32_t regrids() const noexcept { return regrids_; }

private:
    // An insertion-only bounding-volume hierarchy: binary inner nodes that
    // hold the bounds of their two children, leaves that hold buckets of
    // boxes. Insertion descends, at each inner node, into the first child
    // unless the second one's volume would grow strictly less by taking the
    // box (then surface, then edge length, so that flat boxes spread too),
    // widening the bounds on the way.
    class Tree {
    public:
        int64_t size() const noexcept { return stored_; }
        bool overlapsAny(const AlignedBox& box) const;
        void insert(const AlignedBox& box);
        void clear() noexcept;
        int32_t depth() const;

    private:
        // An inner node keeps its children's bounds, so that a query decides
        // where to go from the one node it has already read. The two children
        // sit side by side in each group of four lanes, and maxima are stored
        // negated, so that testing both against a query is one "not above"
        // comparison per lane. A child reference is an inner node's index, or
        // ~index for a leaf. 64 bytes: one cache line.
        struct Inner {
            float a[4] = {};  // min.x, min.x, min.y, min.y  (child 0, child 1, ...)
            float b[4] = {};  // min.z, min.z, -max.x, -max.x
            float c[4] = {};  // -max.y, -max.y, -max.z, -max.z
            int32_t child[2] = {0, 0};
            int32_t unused[2] = {0, 0};

            AlignedBox bounds(int k) const {
                return {Pos(a[k], a[2 + k], b[k]), Pos(-b[2 + k], -c[k], -c[2 + k])};
            }
            void setBounds(int k, const AlignedBox& box) {
                a[k] = box.min.x, a[2 + k] = box.min.y, b[k] = box.min.z;
                b[2 + k] = -box.max.x, c[k] = -box.max.y, c[2 + k] = -box.max.z;
            }
        };
        static_assert(sizeof(Inner) == 64);
        struct Leaf {
            int32_t count = 0;
            AlignedBox boxes[LEAF_BOXES + 1];
        };
        struct Probe;

        static bool takeSecond(const Inner& node, const AlignedBox& box);
        bool leafOverlaps(int32_t leaf, const AlignedBox& box) const;
        // Splits the leaf and returns the reference of the inner node that
        // replaces it.
        int32_t split(int32_t leaf);
        // Renumbers nodes and leaves in depth-first order, so that a subtree
        // lies together in memory.
        void relayout();

        LineArray<Inner> inners_;
        Stack<Leaf> leaves_;
        int32_t root_ = 0;
        AlignedBox rootBounds_;
        int64_t stored_ = 0;
        static constexpr int32_t FIRST_RELAYOUT = 1024;
        int32_t relayoutAt_ = FIRST_RELAYOUT;
    };

    // A slot of the open-addressed table of occupied cells: the cell, and
    // where its boxes lie in pool_, one after another.
    struct Slot {
        uint64_t key;    // the cell's three coordinates, 21 bits each
        int32_t count;   // boxes in the cell; 0 for a free slot
        int32_t offset;  // first box in pool_, with room for a power of two
    };
    static_assert(sizeof(Slot) == 16);

    // Boxes kept before the grid has a cell size: they are scanned.
    static constexpr int32_t FIRST_GRID = 128;

    void place(const AlignedBox& box, Placed& p) const;
    // Whether a box placed so goes into the grid.
    static bool fitsGrid(const Placed& p);
    static uint64_t keyOf(int32_t x, int32_t y, int32_t z);
    uint32_t homeOf(uint64_t key) const;
    const Slot* findSlot(uint64_t key) const;
    void prefetchSlots(const Placed& p) const;
    void prefetchBoxes(const Placed& p) const;
    bool gridOverlaps(const Placed& p, const AlignedBox& box) const;
    bool scanOverlaps(const AlignedBox& box) const;
    bool wholeOverlaps(const AlignedBox& box);
    // Files a stored box into the grid or the outliers.
    void file(const AlignedBox& box);
    void fileAt(const AlignedBox& box, const Placed& p);
    void addToCell(uint64_t key, const AlignedBox& box);
    void growTable();
    // A block with room for 2^k boxes in pool_, from the blocks given back
    // or at its end.
    int32_t allocate(int k);
    void release(int32_t offset, int k);
    // Picks the cell size from the latest boxes and files every box again.
    void regrid();
    bool gridIsPoor() const;

    Stack<AlignedBox> all_;  // every stored box, in insertion order
    bool hasGrid_ = false;
    double inverseCell_[3] = {1.0, 1.0, 1.0};
    double origin_[3] = {0.0, 0.0, 0.0};  // where the cells start
    LineArray<Slot> slots_;       // a power of two of them, at most half in use
    LineArray<Slot> spareSlots_;  // the table before the last growth; the next reuses it
    int32_t usedSlots_ = 0;
    int32_t slotShift_ = 64;
    LineArray<AlignedBox> pool_;
    int32_t freeBlocks_[32];  // first free block of 2^k boxes, or -1
    int64_t gridBoxes_ = 0;
    int64_t gridEntries_ = 0;  // boxes counted once per cell they are in
    Tree outliers_;            // boxes too large for the cells
    Tree whole_;               // every box up to wholeCount_, for wide queries
    int32_t wholeCount_ = 0;
    int64_t wideQueries_ = 0;
    int64_t queries_ = 0;
    int32_t nextCheck_ = 0;
    int32_t regrids_ = 0;
    // Names the grid's layout; unlike regrids_ it goes on counting through
    // clear(), so a box placed before a clear() is never taken as placed.
    uint32_t layout_ = 0;
};

} // namespace Nimbal
