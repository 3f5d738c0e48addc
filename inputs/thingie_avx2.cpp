// "Thingie" in AVX2 lanes: eight samples a turn, the float arithmetic of
// the definition lane by lane in the same order, and the sine from
// thingie_sine::estimate (inputs/pattern_kernels.hpp), four doubles to a
// register, behind the same guard on each sample's final value as the
// AVX-512 form (see inputs/thingie_avx512.cpp).
#include <cassert>
#include <cmath>
#include <cstdint>

#include "inputs/pattern_kernels.hpp"

#if defined(__x86_64__)

#include <immintrin.h>

// Compiled for AVX2 only where it is used; this code runs only after the CPU
// check. FMA stays off: the estimate's bound holds for these roundings.
#define ZARVO_AVX2 __attribute__((target("avx2")))
#define ZARVO_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace {

float scalar_sine(float a) {
    return static_cast<float>(std::sin(static_cast<double>(a)));
}

// a + b s, as the scalar form writes it.
ZARVO_AVX2_INLINE __m256d pair_term(double a, double b, __m256d s) {
    return _mm256_add_pd(_mm256_set1_pd(a), _mm256_mul_pd(_mm256_set1_pd(b), s));
}

// thingie_sine::estimate of four arguments, operation for operation.
ZARVO_AVX2_INLINE __m256d sine_estimates(__m128 a) {
    namespace sine = thingie_sine;
    const double* c = sine::coefficients;
    const __m256d x = _mm256_cvtps_pd(a);
    const __m256d k = _mm256_round_pd(_mm256_mul_pd(x, _mm256_set1_pd(sine::inverse_pi)),
                                      _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256d r = _mm256_sub_pd(_mm256_sub_pd(x, _mm256_mul_pd(k, _mm256_set1_pd(sine::pi_high))),
                                    _mm256_mul_pd(k, _mm256_set1_pd(sine::pi_low)));
    const __m256d s = _mm256_mul_pd(r, r);
    const __m256d s2 = _mm256_mul_pd(s, s);
    const __m256d s4 = _mm256_mul_pd(s2, s2);
    const __m256d p = _mm256_add_pd(
        _mm256_add_pd(pair_term(c[0], c[1], s), _mm256_mul_pd(pair_term(c[2], c[3], s), s2)),
        _mm256_mul_pd(pair_term(c[4], c[5], s), s4));
    const __m256d v = _mm256_add_pd(r, _mm256_mul_pd(_mm256_mul_pd(r, s), p));
    // (-1)^k: k + 1.5 * 2^52 holds k's two's complement in its low mantissa
    // bits (exactly, for |k| < 2^51), so bit 0 is k's parity; it goes to the
    // sign.
    const __m256d shifted = _mm256_add_pd(k, _mm256_set1_pd(0x1.8p52));
    const __m256i odd = _mm256_slli_epi64(_mm256_castpd_si256(shifted), 63);
    return _mm256_xor_pd(v, _mm256_castsi256_pd(odd));
}

// The lanes of `re` marked in `unsure` from the scalar sine, out of line
// (see the AVX-512 form).
ZARVO_AVX2 __attribute__((noinline)) __m256 recompute_lanes(__m256 a, __m256 radial, __m256 re,
                                                            int unsure) {
    alignas(32) float arg[8];
    alignas(32) float rad[8];
    alignas(32) float value[8];
    _mm256_store_ps(arg, a);
    _mm256_store_ps(rad, radial);
    _mm256_store_ps(value, re);
    for (int l = 0; l < 8; ++l) {
        if ((unsure >> l) & 1) {
            value[l] = (scalar_sine(arg[l]) + rad[l]) + 1.0f;
        }
    }
    return _mm256_load_ps(value);
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
    const __m256 limit = _mm256_set1_ps(thingie_sine::limit);
    const __m256 sign = _mm256_set1_ps(-0.0f);
    const __m256d bound = _mm256_set1_pd(thingie_sine::bound);
    std::int64_t k = 0;
    for (; k + 8 <= count; k += 8) {
        // a = ((theta + r) + phase * 10) * 32, the first sum from the table.
        const __m256 a =
            _mm256_mul_ps(_mm256_add_ps(_mm256_loadu_ps(tables.base + k), vphase), v32);
        const __m256d low = sine_estimates(_mm256_castps256_ps128(a));
        const __m256d high = sine_estimates(_mm256_extractf128_ps(a, 1));
        const __m256 below = _mm256_set_m128(_mm256_cvtpd_ps(_mm256_sub_pd(high, bound)),
                                             _mm256_cvtpd_ps(_mm256_sub_pd(low, bound)));
        const __m256 above = _mm256_set_m128(_mm256_cvtpd_ps(_mm256_add_pd(high, bound)),
                                             _mm256_cvtpd_ps(_mm256_add_pd(low, bound)));
        const __m256 radial = _mm256_loadu_ps(tables.radial + k);
        __m256 re = _mm256_add_ps(_mm256_add_ps(below, radial), one);
        const __m256 re_above = _mm256_add_ps(_mm256_add_ps(above, radial), one);
        // |a| < limit is false for NaN as well.
        const __m256 sure = _mm256_and_ps(
            _mm256_castsi256_ps(
                _mm256_cmpeq_epi32(_mm256_castps_si256(re), _mm256_castps_si256(re_above))),
            _mm256_cmp_ps(_mm256_andnot_ps(sign, a), limit, _CMP_LT_OQ));
        const int unsure = recompute_all ? 0xFF : ~_mm256_movemask_ps(sure) & 0xFF;
        if (unsure != 0) {
            re = recompute_lanes(a, radial, re, unsure);
        }
        // Interleave with zero imaginary parts: (re0, 0, re1, 0, ...).
        const __m256 first = _mm256_unpacklo_ps(re, zero);   // 0 1 | 4 5
        const __m256 second = _mm256_unpackhi_ps(re, zero);  // 2 3 | 6 7
        float* out = &grid.samples[k].re;
        _mm256_storeu_ps(out, _mm256_permute2f128_ps(first, second, 0x20));
        _mm256_storeu_ps(out + 8, _mm256_permute2f128_ps(first, second, 0x31));
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
