#pragma once

// The accepted instance boxes of a collision-checked scatter, in a bounding-
// volume hierarchy: inner nodes hold the bounds of their two children, leaves
// hold small buckets of boxes. Only insertion and the overlap query exist;
// the answers never depend on how the tree happens to be shaped.

#include <cstdint>
#include <utility>

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

class BoxIndex {
public:
    // A leaf holding more boxes than this is split in two.
    static constexpr int32_t LEAF_BOXES = 10;

    bool isEmpty() const noexcept { return stored_ == 0; }
    int64_t size() const noexcept { return stored_; }

    // True when some stored box overlaps `box`.
    bool overlapsAny(const AlignedBox& box) const;
    // The same question for up to MAX_BATCH boxes at once (hits[i] for
    // boxes[i]). The walks through the tree take turns, each asking memory
    // for its next nodes before the others go on, so that their reads
    // overlap.
    static constexpr int32_t MAX_BATCH = 64;
    void overlapsAny(const AlignedBox* boxes, bool* hits, int32_t n) const;

    // Descends, at each inner node, into the first child unless the second
    // one's volume would grow strictly less by taking the box, widening the
    // bounds on the way. Equal volume growths (flat or point boxes grow no
    // volume at all) are settled by surface area, then by edge length, so that
    // flat instances do not pile into one branch. A box with a NaN bound
    // overlaps nothing, so it is not kept: it would spoil the bounds above it.
    void insert(const AlignedBox& box);

    void clear() noexcept;

    // Depth of the deepest leaf (the root alone is 1); for measurements.
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

    // A growable array of inner nodes that starts on a cache-line boundary.
    class InnerArray {
    public:
        InnerArray() = default;
        InnerArray(const InnerArray&) = delete;
        InnerArray& operator=(const InnerArray&) = delete;
        ~InnerArray();
        int32_t size() const noexcept { return size_; }
        Inner* data() noexcept { return data_; }
        const Inner* data() const noexcept { return data_; }
        Inner& operator[](int32_t i) { return data_[i]; }
        const Inner& operator[](int32_t i) const { return data_[i]; }
        void push(const Inner& node);
        void clear() noexcept { size_ = 0; }
        void swap(InnerArray& o) noexcept {
            std::swap(block_, o.block_);
            std::swap(data_, o.data_);
            std::swap(size_, o.size_);
            std::swap(capacity_, o.capacity_);
        }

    private:
        void* block_ = nullptr;
        Inner* data_ = nullptr;
        int32_t size_ = 0;
        int32_t capacity_ = 0;
    };
    struct Leaf {
        int32_t count = 0;
        AlignedBox boxes[LEAF_BOXES + 1];
    };

    struct Probe;
    // Whether insertion goes on into the node's second child.
    static bool takeSecond(const Inner& node, const AlignedBox& box);
    bool leafOverlaps(int32_t leaf, const AlignedBox& box) const;
    // Splits the leaf and returns the reference of the inner node that
    // replaces it.
    int32_t split(int32_t leaf);
    // Renumbers nodes and leaves in depth-first order, so that a subtree
    // lies together in memory.
    void relayout();

    InnerArray inners_;
    Stack<Leaf> leaves_;
    int32_t root_ = 0;
    AlignedBox rootBounds_;
    int64_t stored_ = 0;
    static constexpr int32_t FIRST_RELAYOUT = 1024;
    int32_t relayoutAt_ = FIRST_RELAYOUT;
};

} // namespace Nimbal
