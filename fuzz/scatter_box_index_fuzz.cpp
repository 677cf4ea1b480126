// Boxes of any size, place and bit pattern through the scatter's box index:
// asked one at a time, in batches, and prepared ahead with the prefetch hints
// run between insertions, as a generation pass asks. Every answer checked
// must be the answer of a scan of the stored boxes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Scatter/BoxIndex.h"
#include "Scatter/RandomGenerators.h"

namespace {

using namespace Nimbal;

[[noreturn]] void fail(const char* what, int k) {
    std::fprintf(stderr, "scatter_box_index_fuzz: %s at box %d\n", what, k);
    std::abort();
}

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t word() {
        uint32_t w = 0;
        for (int k = 0; k < 4; ++k) w = w << 8 | byte();
        return w;
    }
    float bits() {
        const uint32_t w = word();
        float f;
        std::memcpy(&f, &w, sizeof f);
        return f;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// The next box: mostly alike boxes spread by the generator, and, as the
// input says, tiny, huge, flat, point, inverted or any-bit-pattern ones.
AlignedBox nextBox(Bytes& in, Xorshift128& g, float spread, float size) {
    const uint8_t kind = in.byte();
    const Pos at(g.nextUnit() * spread, g.nextUnit() * spread, g.nextUnit() * spread * 0.05f);
    const Dir extent(size * (0.5f + g.nextUnit()), size * (0.5f + g.nextUnit()), size * (0.5f + g.nextUnit()));
    AlignedBox b{at, at + extent};
    if (kind < 180) return b;
    if (kind < 200) return {at, at + extent * 50.f};
    if (kind < 210) return {at, at + extent * 1e-6f};
    if (kind < 220) return {at, Pos(at.x + extent.x, at.y + extent.y, at.z)};
    if (kind < 230) return {at, at};
    if (kind < 235) return {b.max, b.min};
    return {{in.bits(), in.bits(), in.bits()}, {in.bits(), in.bits(), in.bits()}};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    const uint32_t seed = in.word();
    const int count = 1 + int(in.byte()) * 24;  // up to 6121 boxes
    const float spread = float(1 + in.byte()) * (in.byte() & 1 ? 0.01f : 4.f);
    const float boxSize = float(1 + in.byte()) / 64.f;
    // Checking every answer of a long stream would take too long per input.
    const int stride = 1 + count / 600;

    Xorshift128 g = seedXorshift128(seed);
    std::vector<AlignedBox> boxes;
    for (int k = 0; k < count; ++k) boxes.push_back(nextBox(in, g, spread, boxSize));

    BoxIndex index;
    constexpr int AHEAD = BoxIndex::PREFETCH_STEPS;
    std::vector<BoxIndex::Lookup> lookups(boxes.size());
    std::vector<AlignedBox> stored;
    for (int k = 0; k < std::min(count, AHEAD); ++k) index.prepare(boxes[size_t(k)], lookups[size_t(k)]);
    for (int k = 0; k < count; ++k) {
        if (k + AHEAD < count) index.prepare(boxes[size_t(k + AHEAD)], lookups[size_t(k + AHEAD)]);
        for (int step = 0; step < AHEAD; ++step)
            if (k + AHEAD - step < count) index.prefetch(lookups[size_t(k + AHEAD - step)], step);
        const AlignedBox& box = boxes[size_t(k)];
        const bool hit = index.overlapsAny(lookups[size_t(k)]);
        if (k % stride == 0) {
            bool scan = false;
            for (const AlignedBox& s : stored) scan = scan || s.overlaps(box);
            if (hit != scan) fail("prepared lookup and scan disagree", k);
            if (index.overlapsAny(box) != scan) fail("lookup and scan disagree", k);
            bool batch = !scan;
            index.overlapsAny(&box, &batch, 1);
            if (batch != scan) fail("batched lookup and scan disagree", k);
        }
        // Now and then a box is kept whatever it overlaps, so that stored
        // boxes overlap too.
        if (!hit || k % 5 == 0) {
            // Kept as placed for its question, now and then placed anew.
            if (k % 3 != 0)
                index.insert(lookups[size_t(k)]);
            else
                index.insert(box);
            if (box.min.x <= box.max.x && box.min.y <= box.max.y && box.min.z <= box.max.z) stored.push_back(box);
        }
    }
    if (index.size() != int64_t(stored.size())) fail("stored count", count);
    return 0;
}
