// The implementations behind gen_thingie and the picture fill. Internal to
// the test inputs; exposed so that tests and benchmarks can run each one.
// All give exactly the samples of the definitions in inputs/patterns.hpp and
// inputs/picture_fill.hpp, on any CPU.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "spectrum/complex_grid.hpp"

// What "Thingie" computes without the phase, per sample k = j + i * W of a
// W x H grid: base[k] = theta + r and radial[k] = r * 0.001f, both in
// float, with r and theta as in gen_thingie.
struct ThingieTables {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<float> base;
    std::vector<float> radial;
};

// The tables of a width x height grid (sizes not negative).
ThingieTables make_thingie_tables(std::int32_t width, std::int32_t height);

// Scalar sine per sample over the tables; runs everywhere: the readable
// path. Precondition: the tables are those of the grid's size.
void gen_thingie_portable(float phase, ComplexGrid& grid, const ThingieTables& tables);

// In SIMD lanes, on the target that dispatch runs (base/simd_targets.hpp),
// through the sine estimate of inputs/thingie_sine-inl.h, each sample
// guarded on its final value (see inputs/pattern_lanes.cpp). With
// `recompute_all` every lane takes the scalar fallback, so that a test can
// check the fallback on its own. Precondition as above.
void gen_thingie_lanes(float phase, ComplexGrid& grid, const ThingieTables& tables,
                       bool recompute_all = false);

// The sine estimate of `count` floats, on the target that dispatch runs:
// the very lanes the kernel uses, for the tests and the check of the
// estimate's bound. Each |a[k]| must lie below thingie_sine::limit.
void thingie_sine_estimates(const float* a, double* sine, std::size_t count);

// The picture fill (see inputs/picture_fill.hpp): the portable form divides
// one sample at a time, the lanes form a vector at a time on the target
// that dispatch runs (the same IEEE division).
void fill_real_from_bytes_portable(ComplexGrid& grid, const std::uint8_t* bytes);
void fill_real_from_bytes_lanes(ComplexGrid& grid, const std::uint8_t* bytes);
