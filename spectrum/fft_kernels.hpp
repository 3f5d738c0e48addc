// The implementations behind ComplexGrid::transform_2d. Internal to the
// spectrum engine; exposed so that tests and benchmarks can run each one.
//
// Each gives exactly the bits of the row / transpose / row / transpose
// definition in spectrum/fft.hpp, on any CPU. Precondition of each: a square
// grid with a power-of-two side (a 0 x 0 grid is left as it is). Each leaves
// `scratch` allocated.
#pragma once

#include "spectrum/complex_grid.hpp"
#include "spectrum/fft_plan.hpp"

// The grid's plan for its side, made at the first call and kept in
// grid.plan; null for sides that get no plan (see spectrum/fft_plan.hpp).
const FftPlan* fft_plan_of(ComplexGrid& grid);

// fft_1d of plan.n samples through the plan's tables: the same bits.
void fft_1d_planned(Complex* data, const FftPlan& plan);

// Table-driven scalar rows and the grid's own transpose; runs everywhere.
void transform_2d_portable(ComplexGrid& grid);

// True when this build has the AVX2 kernel and the CPU executes it.
bool fft_avx2_supported();

// One row, then eight columns, at a time in AVX2 lanes; the row outputs are
// kept column-blocked in `scratch` (any alignment works, cache lines are
// best). Sides from 64 to 1024 run the kernel; other sides, and builds or
// CPUs without AVX2, fall back to transform_2d_portable. Precondition beyond
// the above: fft_avx2_supported() (the caller checks it once).
void transform_2d_avx2(ComplexGrid& grid);

// True when this build has the AVX-512 kernel and the CPU executes it
// (AVX-512 F and DQ).
bool fft_avx512_supported();

// The AVX2 method with two rows, then sixteen columns, per 512-bit register,
// three stages per pass through memory; the row outputs are kept in
// `scratch`. Same sides and fallback as transform_2d_avx2. With `source`
// (width x height samples, not overlapping the grid's arrays) the rows are
// read from there instead of from `samples`: the grid ends as if `source` had
// been copied in first. Precondition beyond the above: fft_avx512_supported().
void transform_2d_avx512(ComplexGrid& grid, const Complex* source = nullptr);
