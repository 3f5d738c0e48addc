// "Thingie" in AVX-512 lanes: sixteen samples a turn, the float arithmetic
// of the definition lane by lane in the same order, and the sine from
// thingie_sine::estimate (inputs/pattern_kernels.hpp), eight doubles to a
// register.
//
// The guard works on the sample's final value. re = (s + radial) + 1 in
// float never decreases as the float s grows, and neither does rounding a
// double to float. glibc's sine of a lies within thingie_sine::bound of the
// estimate e, so the plain s (that sine rounded to float) lies between the
// floats of e - bound and e + bound, and its re between theirs. When those
// two re are the same float, that is the plain one. They differ only where
// a rounding boundary of s or of the sums falls within 2e-13 of the way,
// about one sample in ten thousand or fewer; those samples, and arguments
// beyond thingie_sine::limit or NaN, take the scalar sine.
#include <cassert>
#include <cmath>
#include <cstdint>

#include "inputs/pattern_kernels.hpp"

#if defined(__x86_64__)

#include <immintrin.h>

// GCC 12 reports the deliberately undefined upper halves inside its own
// cast and extract intrinsics as uninitialized; nothing here reads them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Compiled for AVX-512 only where it is used; this code runs only after the
// CPU check. FMA stays off: the estimate's bound holds for these roundings.
#define ZARVO_AVX512 __attribute__((target("avx2,avx512f,avx512dq")))
#define ZARVO_AVX512_INLINE __attribute__((target("avx2,avx512f,avx512dq"), always_inline)) inline

namespace {

float scalar_sine(float a) {
    return static_cast<float>(std::sin(static_cast<double>(a)));
}

// a + b s, as the scalar form writes it.
ZARVO_AVX512_INLINE __m512d pair_term(double a, double b, __m512d s) {
    return _mm512_add_pd(_mm512_set1_pd(a), _mm512_mul_pd(_mm512_set1_pd(b), s));
}

// thingie_sine::estimate of eight arguments, operation for operation.
ZARVO_AVX512_INLINE __m512d sine_estimates(__m256 a) {
    namespace sine = thingie_sine;
    const double* c = sine::coefficients;
    const __m512d x = _mm512_cvtps_pd(a);
    const __m512d k = _mm512_roundscale_pd(_mm512_mul_pd(x, _mm512_set1_pd(sine::inverse_pi)),
                                           _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m512d r = _mm512_sub_pd(_mm512_sub_pd(x, _mm512_mul_pd(k, _mm512_set1_pd(sine::pi_high))),
                                    _mm512_mul_pd(k, _mm512_set1_pd(sine::pi_low)));
    const __m512d s = _mm512_mul_pd(r, r);
    const __m512d s2 = _mm512_mul_pd(s, s);
    const __m512d s4 = _mm512_mul_pd(s2, s2);
    const __m512d p = _mm512_add_pd(
        _mm512_add_pd(pair_term(c[0], c[1], s), _mm512_mul_pd(pair_term(c[2], c[3], s), s2)),
        _mm512_mul_pd(pair_term(c[4], c[5], s), s4));
    const __m512d v = _mm512_add_pd(r, _mm512_mul_pd(_mm512_mul_pd(r, s), p));
    // (-1)^k: bit 0 of the integer k moved to the sign. k is integral and
    // below 2^15 in every lane that counts, so the conversion is exact.
    const __m512i odd = _mm512_slli_epi64(_mm512_cvtpd_epi64(k), 63);
    return _mm512_xor_pd(v, _mm512_castsi512_pd(odd));
}

// Sixteen doubles, as two halves, rounded to sixteen floats in order.
ZARVO_AVX512_INLINE __m512 floats_of(__m512d low, __m512d high) {
    return _mm512_castpd_ps(_mm512_insertf64x4(
        _mm512_castps_pd(_mm512_castps256_ps512(_mm512_cvtpd_ps(low))),
        _mm256_castps_pd(_mm512_cvtpd_ps(high)), 1));
}

// The lanes of `re` marked in `unsure` from the scalar sine, out of line:
// it runs for a few samples a frame, and its calls would otherwise clobber
// the vector registers of the loop around it.
ZARVO_AVX512 __attribute__((noinline)) __m512 recompute_lanes(__m512 a, __m512 radial, __m512 re,
                                                              unsigned unsure) {
    alignas(64) float arg[16];
    alignas(64) float rad[16];
    alignas(64) float value[16];
    _mm512_store_ps(arg, a);
    _mm512_store_ps(rad, radial);
    _mm512_store_ps(value, re);
    for (int l = 0; l < 16; ++l) {
        if ((unsure >> l) & 1u) {
            value[l] = (scalar_sine(arg[l]) + rad[l]) + 1.0f;
        }
    }
    return _mm512_load_ps(value);
}

}  // namespace

bool thingie_avx512_supported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512dq") != 0;
}

ZARVO_AVX512 void gen_thingie_avx512(float phase, ComplexGrid& grid, bool recompute_all) {
    assert(thingie_avx512_supported());
    const ThingieTables& tables = thingie_tables(grid.width, grid.height);
    const float phase_term = phase * 10.0f;
    const std::int64_t count = grid.size();
    const __m512 vphase = _mm512_set1_ps(phase_term);
    const __m512 v32 = _mm512_set1_ps(32.0f);
    const __m512 one = _mm512_set1_ps(1.0f);
    const __m512 zero = _mm512_setzero_ps();
    const __m512 limit = _mm512_set1_ps(thingie_sine::limit);
    const __m512d bound = _mm512_set1_pd(thingie_sine::bound);
    // Sample l of the sixteen goes to float 2l, a zero imaginary part (lane
    // 16 of the pair of sources) to float 2l + 1.
    const __m512i first_half =
        _mm512_setr_epi32(0, 16, 1, 16, 2, 16, 3, 16, 4, 16, 5, 16, 6, 16, 7, 16);
    const __m512i second_half =
        _mm512_setr_epi32(8, 16, 9, 16, 10, 16, 11, 16, 12, 16, 13, 16, 14, 16, 15, 16);
    std::int64_t k = 0;
    for (; k + 16 <= count; k += 16) {
        // a = ((theta + r) + phase * 10) * 32, the first sum from the table.
        const __m512 a =
            _mm512_mul_ps(_mm512_add_ps(_mm512_loadu_ps(tables.base + k), vphase), v32);
        const __m512d low = sine_estimates(_mm512_castps512_ps256(a));
        const __m512d high =
            sine_estimates(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(a), 1)));
        const __m512 below = floats_of(_mm512_sub_pd(low, bound), _mm512_sub_pd(high, bound));
        const __m512 above = floats_of(_mm512_add_pd(low, bound), _mm512_add_pd(high, bound));
        const __m512 radial = _mm512_loadu_ps(tables.radial + k);
        __m512 re = _mm512_add_ps(_mm512_add_ps(below, radial), one);
        const __m512 re_above = _mm512_add_ps(_mm512_add_ps(above, radial), one);
        // |a| < limit is false for NaN as well.
        const __mmask16 sure =
            _mm512_cmpeq_epi32_mask(_mm512_castps_si512(re), _mm512_castps_si512(re_above)) &
            _mm512_cmp_ps_mask(_mm512_abs_ps(a), limit, _CMP_LT_OQ);
        const unsigned unsure = recompute_all ? 0xFFFFu : ~static_cast<unsigned>(sure) & 0xFFFFu;
        if (unsure != 0) {
            re = recompute_lanes(a, radial, re, unsure);
        }
        float* out = &grid.samples[k].re;
        _mm512_storeu_ps(out, _mm512_permutex2var_ps(re, first_half, zero));
        _mm512_storeu_ps(out + 16, _mm512_permutex2var_ps(re, second_half, zero));
    }
    for (; k < count; ++k) {
        const float a = (tables.base[k] + phase_term) * 32.0f;
        grid.samples[k] = {(scalar_sine(a) + tables.radial[k]) + 1.0f, 0.0f};
    }
}

#else

bool thingie_avx512_supported() {
    return false;
}

void gen_thingie_avx512(float phase, ComplexGrid& grid, bool) {
    gen_thingie_portable(phase, grid);
}

#endif
