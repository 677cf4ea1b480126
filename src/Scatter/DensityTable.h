#pragma once

// The density table of one distribution triangle: the density map sampled on
// an n x n grid over the triangle's unit parameter square, merged into
// rectangles of equal density, with a cumulative table and a coarse lookup so
// that a uniform (a, b) can be bent towards the dense parts in a few steps.

#include <cstdint>

#include "core-interface/Stack.h"

namespace Nimbal {

class Xorshift64Star;

// A rectangle of the parameter square (u along a, v along b) and its mean
// density.
struct DensityRect {
    float u0 = 0.f, v0 = 0.f, du = 0.f, dv = 0.f, density = 0.f;
};

class DensityTable {
public:
    Stack<DensityRect> rects;
    Stack<float> cdf;
    Stack<int32_t> lookup;
    float lookupScale = 0.f;
    // The last cdf entry, kept beside the tables' addresses so that a remap
    // knows where to look before it reads them.
    float cdfTotal = 0.f;

    // Grid side for a sample budget: trunc(sqrt(samples)), at least 1.
    static int32_t gridSide(float samples);

    // Samples `density(a, b)` over an n x n grid, cell (i, j) at
    // ((i + rb) / n, (j + ra) / n), drawing ra then rb from `sampler` for
    // each cell in row order, then builds the table (fromGrid) with `grid`
    // as the scratch space. Returns the mean density.
    template <typename DensityAt>
    float build(int32_t n, Xorshift64Star& sampler, DensityAt&& density, Stack<float>& grid);

    // Builds the table from sampled values, row-major, n x n; the grid is
    // consumed (merged cells are marked in it). Values below 0 and values that
    // are not finite count as 0. Returns the mean density: the area-weighted
    // mean over the square, 0 when nothing is dense (the table then holds the
    // whole square at density 1 so that remapping still works), and 0 as well
    // when the sums overflow.
    float fromGrid(float* grid, int32_t n);

    // Bends (a, b) in [0, 1)^2 so that points fall into rectangles in
    // proportion to their share of the cumulative density; inside a
    // rectangle a is spread evenly and b keeps its place.
    void remap(float& a, float& b) const;

    // Hints for a remap of `a` asked later, which change no result. A remap
    // waits for memory twice, the first read telling where the second is:
    // step 0 asks for the lookup entry, step 1 reads it and asks for the
    // cumulative entries and the rectangle after it.
    static constexpr int PREFETCH_STEPS = 2;
    void prefetch(float a, int step) const;

    void clear() noexcept;

private:
    void buildLookup();
    // The lookup entry that starts the search for `target`.
    int32_t slotOf(float target) const;
};

} // namespace Nimbal

#include "Scatter/RandomGenerators.h"

namespace Nimbal {

template <typename DensityAt>
float DensityTable::build(int32_t n, Xorshift64Star& sampler, DensityAt&& density, Stack<float>& grid) {
    grid.resize(n * n);
    float* cell = grid.data();
    const float side = float(n);
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = 0; j < n; ++j) {
            const float ra = sampler.nextUnit();
            const float rb = sampler.nextUnit();
            *cell++ = density((float(i) + rb) / side, (float(j) + ra) / side);
        }
    }
    return fromGrid(grid.data(), n);
}

} // namespace Nimbal
