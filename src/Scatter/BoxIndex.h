#pragma once

// The accepted instance boxes of a collision-checked scatter, in a bounding-
// volume hierarchy: inner nodes hold the bounds of their two children, leaves
// hold small buckets of boxes. Only insertion and the overlap query exist;
// the answers never depend on how the tree happens to be shaped.

#include <cstdint>

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
    struct Node {
        AlignedBox bounds;
        int32_t child[2] = {-1, -1};  // inner nodes
        int32_t bucket = -1;          // leaves: index into buckets_
        int32_t count = 0;            // leaves: boxes in the bucket
    };
    struct Bucket {
        AlignedBox boxes[LEAF_BOXES + 1];
    };

    void split(int32_t leaf);

    Stack<Node> nodes_;
    Stack<Bucket> buckets_;
    int64_t stored_ = 0;
};

} // namespace Nimbal
