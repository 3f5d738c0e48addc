// "Thingie" in AVX2 lanes: the float arithmetic of the definition, lane by
// lane in the same order, and the sine from glibc's vector library behind
// the rounding guard of display/vector_libm_avx2.hpp.
#include <cassert>
#include <cmath>
#include <cstdint>

#include "inputs/pattern_kernels.hpp"

#if defined(__x86_64__) && defined(ZARVO_HAVE_LIBMVEC)

#include <immintrin.h>

#include "display/vector_libm_avx2.hpp"

namespace {

float scalar_sine(float a) {
    return static_cast<float>(std::sin(static_cast<double>(a)));
}

// float(sin(double(a))) in eight lanes, the scalar value in every lane.
ZARVO_AVX2 inline __m256 sines(__m256 a, bool recompute_all) {
    int unsure_low = 0;
    int unsure_high = 0;
    const __m128 low = vector_libm::round_to_float(
        _ZGVdN4v_sin(_mm256_cvtps_pd(_mm256_castps256_ps128(a))), unsure_low);
    const __m128 high = vector_libm::round_to_float(
        _ZGVdN4v_sin(_mm256_cvtps_pd(_mm256_extractf128_ps(a, 1))), unsure_high);
    const int unsure = recompute_all ? 0xFF : unsure_low | (unsure_high << 4);
    return vector_libm::recompute_lanes(a, _mm256_set_m128(high, low), unsure, scalar_sine);
}

}  // namespace

bool thingie_avx2_supported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

ZARVO_AVX2 void gen_thingie_avx2(float phase, ComplexGrid& grid, bool recompute_all) {
    assert(thingie_avx2_supported());
    const ThingieTables& tables = thingie_tables(grid.width, grid.height);
    const float phase_term = phase * 10.0f;
    const std::int64_t count = grid.size();
    const __m256 vphase = _mm256_set1_ps(phase_term);
    const __m256 v32 = _mm256_set1_ps(32.0f);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 zero = _mm256_setzero_ps();
    std::int64_t k = 0;
    for (; k + 8 <= count; k += 8) {
        // a = ((theta + r) + phase * 10) * 32, the first sum from the table.
        const __m256 a =
            _mm256_mul_ps(_mm256_add_ps(_mm256_loadu_ps(tables.base + k), vphase), v32);
        const __m256 s = sines(a, recompute_all);
        const __m256 re = _mm256_add_ps(_mm256_add_ps(s, _mm256_loadu_ps(tables.radial + k)), one);
        // Interleave with zero imaginary parts: (re0, 0, re1, 0, ...).
        const __m256 low = _mm256_unpacklo_ps(re, zero);   // 0 1 | 4 5
        const __m256 high = _mm256_unpackhi_ps(re, zero);  // 2 3 | 6 7
        float* out = &grid.samples[k].re;
        _mm256_storeu_ps(out, _mm256_permute2f128_ps(low, high, 0x20));
        _mm256_storeu_ps(out + 8, _mm256_permute2f128_ps(low, high, 0x31));
    }
    for (; k < count; ++k) {
        const float a = (tables.base[k] + phase_term) * 32.0f;
        grid.samples[k] = {(scalar_sine(a) + tables.radial[k]) + 1.0f, 0.0f};
    }
}

#else

bool thingie_avx2_supported() {
    return false;
}

void gen_thingie_avx2(float phase, ComplexGrid& grid, bool) {
    gen_thingie_portable(phase, grid);
}

#endif
