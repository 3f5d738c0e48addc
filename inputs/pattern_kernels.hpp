// The implementations behind gen_thingie. Internal to the test inputs;
// exposed so that tests and benchmarks can run each one. All give exactly
// the samples of the definition in inputs/patterns.hpp, on any CPU.
#pragma once

#include <cmath>
#include <cstdint>

#include "spectrum/complex_grid.hpp"

// Scalar sine per sample over the phase-free tables; runs everywhere.
void gen_thingie_portable(float phase, ComplexGrid& grid);

// True when this build has the AVX2 kernel and the CPU executes it.
bool thingie_avx2_supported();

// Eight samples a turn through thingie_sine::estimate below, each sample
// guarded on its final value (see inputs/thingie_avx512.cpp). With
// `recompute_all` every lane takes the scalar fallback, so that a test can
// check the fallback on its own. Precondition: thingie_avx2_supported().
void gen_thingie_avx2(float phase, ComplexGrid& grid, bool recompute_all = false);

// True when this build has the AVX-512 kernel and the CPU executes it.
bool thingie_avx512_supported();

// The same with sixteen samples a turn; `recompute_all` as above.
// Precondition: thingie_avx512_supported().
void gen_thingie_avx512(float phase, ComplexGrid& grid, bool recompute_all = false);

// An estimate of sin(a) in double for a float a with |a| < 2^15, the AVX2
// and AVX-512 kernels' lane by lane (the same operations in the same order):
// a = k pi + r with k the nearest integer to a / pi, r in [-pi/2, pi/2]
// (pi in two parts, the first short enough that k times it is exact and
// a minus that too), then sin r from an odd polynomial of degree 15 fitted
// here to the sine on [0, pi/2] (nearly equal-ripple), evaluated in
// Estrin's order, and the sign of (-1)^k. The estimate is not the plain
// sine: the kernels use it only behind `bound`.
namespace thingie_sine {

constexpr double pi_high = 0x1.921fb5444p+1;  // 37 significant bits
constexpr double pi_low = 0x1.68c234c4c6629p-38;
constexpr double inverse_pi = 0x1.45f306dc9c883p-2;
constexpr double coefficients[] = {-0x1.555555553bce2p-3, 0x1.111111072d2cep-7,
                                   -0x1.a019fc1a88a11p-13, 0x1.71dcbee59bc52p-19,
                                   -0x1.adfa50b95663ap-26, 0x1.523e430615e9ep-33};
// Arguments at or beyond this size go to the scalar sine (k stays below
// 2^14, so k times pi_high is exact).
constexpr float limit = 32768.0f;

inline double estimate(float a) {
    const double* c = coefficients;
    const double x = a;
    const double k = std::nearbyint(x * inverse_pi);
    const double r = (x - k * pi_high) - k * pi_low;
    const double s = r * r;
    const double s2 = s * s;
    const double s4 = s2 * s2;
    const double p = ((c[0] + c[1] * s) + (c[2] + c[3] * s) * s2) + (c[4] + c[5] * s) * s4;
    const double v = r + (r * s) * p;
    return (static_cast<std::int64_t>(k) & 1) != 0 ? -v : v;
}

// The estimate lies within 6e-14 of glibc's double sin for every float
// with |a| < 2^15 (tests/inputs/check_thingie_sine.cpp walks them all).
// The guard takes a little more, so that computing estimate - bound and
// estimate + bound in double (half an ulp below 1: 2^-54) cannot round
// inwards past the scalar sine.
constexpr double bound = 1e-13;

}  // namespace thingie_sine

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
