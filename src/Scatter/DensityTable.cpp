#include "Scatter/DensityTable.h"

#include <cmath>

namespace Nimbal {

namespace {

// Cells closer than this to a run's first value join the run.
constexpr float SAME_DENSITY = 0.0001f;
// Subtracted from a merged cell; anything below CONSUMED_BELOW is taken.
constexpr float CONSUMED_MARK = 1000000.f;
constexpr float CONSUMED_BELOW = -1.f;
// Entries of the lookup per rectangle.
constexpr int32_t LOOKUP_PER_RECT = 4;
// A remapped a stays inside its rectangle.
constexpr float LAST_INSIDE = 0.9999999f;
// Far above any budget: the table is only as fine as the budget asks.
constexpr int32_t MAX_SIDE = 4096;

bool sameDensity(float value, float v) { return std::fabs(value - v) < SAME_DENSITY; }

} // namespace

int32_t DensityTable::gridSide(float samples) {
    if (!(samples >= 1.f)) return 1;
    const float side = std::trunc(std::sqrt(samples));
    return side >= float(MAX_SIDE) ? MAX_SIDE : int32_t(side);
}

void DensityTable::clear() noexcept {
    rects.clear();
    cdf.clear();
    lookup.clear();
    lookupScale = 0.f;
    cdfTotal = 0.f;
}

float DensityTable::fromGrid(float* grid, int32_t n) {
    clear();
    // A negative or undefined density has no meaning here, and a negative one
    // would also read as an already merged cell.
    for (int64_t k = 0, cells = int64_t(n) * n; k < cells; ++k)
        if (!(grid[k] >= 0.f) || !std::isfinite(grid[k])) grid[k] = 0.f;

    const float side = float(n);
    float meanDensity = 0.f;
    for (int32_t i = 0; i < n; ++i) {
        float* row = grid + int64_t(i) * n;
        int32_t j = 0;
        while (j < n) {
            if (row[j] < CONSUMED_BELOW) {
                ++j;
                continue;
            }
            const float v = row[j];
            int32_t je = j + 1;
            while (je < n && sameDensity(row[je], v)) ++je;

            float sum = 0.f;
            int32_t ie = i;
            for (;;) {
                float* r = grid + int64_t(ie) * n;
                for (int32_t c = j; c < je; ++c) {
                    sum += r[c];
                    r[c] -= CONSUMED_MARK;
                }
                ++ie;
                if (ie >= n) break;
                const float* next = grid + int64_t(ie) * n;
                bool joins = true;
                for (int32_t c = j; c < je && joins; ++c) joins = sameDensity(next[c], v);
                if (!joins) break;
            }

            const float mean = sum / float((je - j) * (ie - i));
            if (mean != 0.f) {
                DensityRect rect;
                rect.u0 = float(i) / side;
                rect.v0 = float(j) / side;
                rect.du = float(ie) / side - float(i) / side;
                rect.dv = float(je) / side - float(j) / side;
                rect.density = mean;
                rects.push(rect);
                meanDensity += rect.du * rect.dv * mean;
            }
            j = je;
        }
    }

    float total = 0.f;
    for (const DensityRect& r : rects) {
        total += r.du * r.dv * r.density;
        cdf.push(total);
    }
    // Sums of huge densities overflow and those of tiny ones vanish; neither
    // table could be searched.
    if (!(total > 0.f) || !std::isfinite(total) || !std::isfinite(meanDensity)) {
        clear();
        meanDensity = 0.f;
    }
    if (rects.isEmpty()) {
        rects.push(DensityRect{0.f, 0.f, 1.f, 1.f, 1.f});
        cdf.push(1.f);
        meanDensity = 0.f;
    }
    buildLookup();
    return meanDensity;
}

void DensityTable::buildLookup() {
    const int32_t count = rects.size();
    const int32_t entries = LOOKUP_PER_RECT * count + 1;
    cdfTotal = cdf.top();
    lookupScale = float(entries - 1) / cdfTotal;
    lookup.resize(entries);
    const float* c = cdf.data();
    int32_t m = 0;
    for (int32_t k = 0; k < entries; ++k) {
        const float at = float(k) / lookupScale;
        while (m < count && !(at <= c[m])) ++m;
        lookup[k] = m;
    }
    lookup[entries - 1] = count;
}

int32_t DensityTable::slotOf(float target) const {
    const int32_t entries = lookup.size();
    const float slot = std::trunc(target * lookupScale);
    return slot >= float(entries - 2) ? entries - 2 : (slot > 0.f ? int32_t(slot) : 0);
}

void DensityTable::prefetch(float a, int step) const {
    if (lookup.size() < 2) return;
    const int32_t k = slotOf(a * cdfTotal);
    if (step == 0) {
        __builtin_prefetch(lookup.data() + k);
        __builtin_prefetch(lookup.data() + k + 1);
    } else if (step == 1) {
        const int32_t m = std::min(std::max(lookup[k] - 1, 0), rects.size() - 1);
        __builtin_prefetch(cdf.data() + m);
        __builtin_prefetch(rects.data() + m);
        __builtin_prefetch(reinterpret_cast<const char*>(rects.data() + m + 1) - 1);
    }
}

void DensityTable::remap(float& a, float& b) const {
    const int32_t count = rects.size();
    const float* c = cdf.data();
    const float target = a * cdfTotal;
    const int32_t k = slotOf(target);
    const int32_t* l = lookup.data();
    int32_t m = l[k] - 1 > 0 ? l[k] - 1 : 0;
    const int32_t end = l[k + 1];
    while (m < end && !(c[m] > target)) ++m;
    // Rounding in the lookup may leave the search one past the last
    // rectangle; the last one is then the answer.
    if (m >= count) m = count - 1;

    const float prev = m == 0 ? 0.f : c[m - 1];
    float t = (target - prev) / (c[m] - prev);
    if (!(t < LAST_INSIDE)) t = LAST_INSIDE;
    if (!(t >= 0.f)) t = 0.f;
    const DensityRect& r = rects.data()[m];
    a = r.u0 + t * r.du;
    b = r.v0 + b * r.dv;
}

} // namespace Nimbal
