// The implementations behind ComplexGrid::transform_2d. Internal to the
// spectrum engine; exposed so that tests and benchmarks can run each one.
//
// Both give exactly the bits of the row / transpose / row / transpose
// definition in spectrum/fft.hpp, on any CPU. Precondition of both: a square
// grid with a power-of-two side (a 0 x 0 grid is left as it is). Both leave
// `scratch` allocated.
#pragma once

#include "spectrum/complex_grid.hpp"

// Table-driven scalar rows and the grid's own transpose; runs everywhere.
void transform_2d_portable(ComplexGrid& grid);

// True when this build has the AVX2 kernel and the CPU executes it.
bool fft_avx2_supported();

// Eight rows, then eight columns, at a time in AVX2 lanes, in place in
// `samples` with no explicit transposes (fastest with the grid's own
// cache-line-aligned arrays; any alignment works).
// Sides from 8 to 1024 run the kernel; other sides, and builds or CPUs without
// AVX2, fall back to transform_2d_portable. Precondition beyond the above:
// fft_avx2_supported() (the caller checks it once).
void transform_2d_avx2(ComplexGrid& grid);
