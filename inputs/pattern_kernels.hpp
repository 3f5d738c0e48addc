// The implementations behind gen_thingie. Internal to the test inputs;
// exposed so that tests and benchmarks can run each one. All give exactly
// the samples of the definition in inputs/patterns.hpp, on any CPU.
#pragma once

#include <cstdint>

#include "spectrum/complex_grid.hpp"

// Scalar sine per sample over the phase-free tables; runs everywhere.
void gen_thingie_portable(float phase, ComplexGrid& grid);

// True when this build has the AVX2 sine kernel (glibc's vector sine) and
// the CPU executes it.
bool thingie_avx2_supported();

// Four sines at a time through the vector sine, each lane guarded (see
// display/vector_libm_avx2.hpp). With `recompute_all` every lane takes the
// scalar fallback, so that a test can check the fallback on its own.
// Precondition: thingie_avx2_supported().
void gen_thingie_avx2(float phase, ComplexGrid& grid, bool recompute_all = false);

// True when this build has the AVX-512 sine kernel and the CPU executes it.
bool thingie_avx512_supported();

// The same with sixteen samples a turn and glibc's eight-lane vector sine
// (see display/vector_libm_avx512.hpp); `recompute_all` as above.
// Precondition: thingie_avx512_supported().
void gen_thingie_avx512(float phase, ComplexGrid& grid, bool recompute_all = false);

// What does not depend on the phase, per sample k = j + i * W of a W x H
// grid: base[k] = theta + r and radial[k] = r * 0.001f, both in float, with
// r and theta as in gen_thingie. Built on the first call for a grid size and
// kept; a call for another size rebuilds them.
struct ThingieTables {
    std::int32_t width = -1;
    std::int32_t height = -1;
    float* base = nullptr;
    float* radial = nullptr;
};
const ThingieTables& thingie_tables(std::int32_t width, std::int32_t height);
