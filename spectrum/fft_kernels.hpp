// The implementations behind ComplexGrid::transform_2d. Internal to the
// spectrum engine; exposed so that tests and benchmarks can run each one.
//
// Each gives exactly the bits of the row / transpose / row / transpose
// definition in spectrum/fft.hpp, on any CPU and every SIMD target.
// Precondition of each: a square grid with a power-of-two side (a 0 x 0 grid
// is left as it is). Each leaves `scratch` allocated.
#pragma once

#include "spectrum/complex_grid.hpp"
#include "spectrum/fft_plan.hpp"

// The grid's plan for its side, made at the first call and kept in
// grid.plan; null for sides that get no plan (see spectrum/fft_plan.hpp).
const FftPlan* fft_plan_of(ComplexGrid& grid);

// Table-driven scalar rows and the grid's own transpose; runs everywhere.
void transform_2d_portable(ComplexGrid& grid);

// One row, then runs of rows for the columns, in the SIMD lanes of the
// target that dispatch runs now (base/simd_targets.hpp); the row outputs
// are kept in `scratch`. Sides from 64 to 1024 run the kernel; other sides
// fall back to transform_2d_portable. With `source` (width x height samples,
// not overlapping the grid's arrays) the rows are read from there instead of
// from `samples`, which then holds the row outputs itself: the grid ends as
// if `source` had been copied in first. Allocates nothing once `scratch` and
// `plan` exist.
void transform_2d_lanes(ComplexGrid& grid, const Complex* source = nullptr);
