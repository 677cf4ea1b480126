#include "Scatter/BoxIndex.h"

#include <algorithm>
#include <cmath>

namespace Nimbal {

namespace {

AlignedBox unite(const AlignedBox& a, const AlignedBox& b) {
    return {min(a.min, b.min), max(a.max, b.max)};
}

// Volume, surface measure and edge measure of a box, for choosing a branch.
struct Size {
    float volume, area, edges;
};

Size sizeOf(const AlignedBox& b) {
    const Dir d(b.max - b.min);
    return {d.x * d.y * d.z, d.x * d.y + d.y * d.z + d.z * d.x, d.x + d.y + d.z};
}

Size growth(const AlignedBox& bounds, const AlignedBox& box) {
    const Size before = sizeOf(bounds);
    const Size after = sizeOf(unite(bounds, box));
    return {after.volume - before.volume, after.area - before.area, after.edges - before.edges};
}

bool secondGrowsLess(const Size& first, const Size& second) {
    if (second.volume != first.volume) return second.volume < first.volume;
    if (second.area != first.area) return second.area < first.area;
    return second.edges < first.edges;
}

bool hasNaN(const AlignedBox& b) {
    return std::isnan(b.min.x) || std::isnan(b.min.y) || std::isnan(b.min.z) || std::isnan(b.max.x) ||
           std::isnan(b.max.y) || std::isnan(b.max.z);
}

} // namespace

void BoxIndex::clear() noexcept {
    nodes_.clear();
    buckets_.clear();
    stored_ = 0;
}

bool BoxIndex::overlapsAny(const AlignedBox& box) const {
    if (nodes_.isEmpty()) return false;
    const Node* nodes = nodes_.data();
    // The tree is as deep as its insertion order made it; an explicit stack
    // keeps a deep one off the call stack.
    int32_t pending[128];
    Stack<int32_t> overflow;
    int32_t top = 0;
    pending[top++] = 0;
    while (top > 0 || !overflow.isEmpty()) {
        const int32_t index = overflow.isEmpty() ? pending[--top] : overflow.pop();
        const Node& node = nodes[index];
        if (!node.bounds.overlaps(box)) continue;
        if (node.bucket >= 0) {
            const AlignedBox* boxes = buckets_.data()[node.bucket].boxes;
            for (int32_t k = 0; k < node.count; ++k)
                if (boxes[k].overlaps(box)) return true;
            continue;
        }
        for (int32_t c : node.child) {
            if (top < 128)
                pending[top++] = c;
            else
                overflow.push(c);
        }
    }
    return false;
}

void BoxIndex::insert(const AlignedBox& box) {
    if (hasNaN(box)) return;
    if (nodes_.isEmpty()) {
        buckets_.push(Bucket{});
        buckets_[0].boxes[0] = box;
        Node root;
        root.bounds = box;
        root.bucket = 0;
        root.count = 1;
        nodes_.push(root);
        stored_ = 1;
        return;
    }
    int32_t index = 0;
    for (;;) {
        Node& node = nodes_[index];
        node.bounds = unite(node.bounds, box);
        if (node.bucket >= 0) break;
        const Node& first = nodes_[node.child[0]];
        const Node& second = nodes_[node.child[1]];
        index = secondGrowsLess(growth(first.bounds, box), growth(second.bounds, box)) ? node.child[1]
                                                                                      : node.child[0];
    }
    Node& leaf = nodes_[index];
    buckets_[leaf.bucket].boxes[leaf.count++] = box;
    ++stored_;
    if (leaf.count > LEAF_BOXES) split(index);
}

// Halves the bucket at the median centre along the axis where the centres
// spread most; the leaf becomes an inner node over two new leaves (the
// first reuses the bucket).
void BoxIndex::split(int32_t leafIndex) {
    const int32_t count = nodes_[leafIndex].count;
    const int32_t bucket = nodes_[leafIndex].bucket;
    AlignedBox boxes[LEAF_BOXES + 1];
    std::copy(buckets_[bucket].boxes, buckets_[bucket].boxes + count, boxes);

    Pos lo = boxes[0].min + Dir(boxes[0].max), hi = lo;
    for (int32_t k = 1; k < count; ++k) {
        const Pos c = boxes[k].min + Dir(boxes[k].max);
        lo = min(lo, c);
        hi = max(hi, c);
    }
    const Dir spread(hi - lo);
    const int axis = spread.x >= spread.y ? (spread.x >= spread.z ? 0 : 2) : (spread.y >= spread.z ? 1 : 2);
    std::stable_sort(boxes, boxes + count, [axis](const AlignedBox& a, const AlignedBox& b) {
        return a.min[axis] + a.max[axis] < b.min[axis] + b.max[axis];
    });

    const int32_t half = count / 2;
    Node left, right;
    left.bucket = bucket;
    left.count = half;
    right.count = count - half;
    buckets_.push(Bucket{});
    right.bucket = buckets_.size() - 1;
    left.bounds = boxes[0];
    for (int32_t k = 0; k < half; ++k) {
        buckets_[left.bucket].boxes[k] = boxes[k];
        left.bounds = unite(left.bounds, boxes[k]);
    }
    right.bounds = boxes[half];
    for (int32_t k = half; k < count; ++k) {
        buckets_[right.bucket].boxes[k - half] = boxes[k];
        right.bounds = unite(right.bounds, boxes[k]);
    }
    nodes_.push(left);
    nodes_.push(right);
    Node& inner = nodes_[leafIndex];
    inner.bucket = -1;
    inner.count = 0;
    inner.child[0] = nodes_.size() - 2;
    inner.child[1] = nodes_.size() - 1;
}

int32_t BoxIndex::depth() const {
    if (nodes_.isEmpty()) return 0;
    int32_t deepest = 0;
    Stack<int32_t> pending, levels;
    pending.push(0);
    levels.push(1);
    while (!pending.isEmpty()) {
        const int32_t index = pending.pop();
        const int32_t level = levels.pop();
        deepest = std::max(deepest, level);
        const Node& node = nodes_[index];
        if (node.bucket >= 0) continue;
        for (int32_t c : node.child) {
            pending.push(c);
            levels.push(level + 1);
        }
    }
    return deepest;
}

} // namespace Nimbal
