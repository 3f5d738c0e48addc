// glibc's vector maths library (libmvec, AVX2 variants), and a guard that
// rounds a vector double result to float only where that is provably the
// float the scalar function would give.
//
// Included only by translation units that run after the AVX2 check. The
// vector functions are documented to within 4 ulp; the scalar sin that the
// plain definition calls is within 1 ulp. So the scalar result lies within
// 5 ulp of the vector one: at most 11 representable doubles away (ulps are
// those of the true value; the spacing of doubles next to it is at least
// half of that). The value used downstream is the float nearest to it, and
// rounding to float is monotonic: if the doubles `guard_steps` steps below
// and above the vector result (stepping the bit pattern, which within one
// sign orders doubles by size) both round to the same float as the vector
// result, so does every double between them, the scalar result included. A
// lane that fails this, or whose float is NaN or infinite, is recomputed
// with the scalar function by the caller. Such lanes sit within about 2^-22
// of a float rounding midpoint, so they are rare.
#pragma once

#if defined(__x86_64__) && defined(ZARVO_HAVE_LIBMVEC)

#include <immintrin.h>

#include <cstdint>

#ifndef ZARVO_AVX2
#define ZARVO_AVX2 __attribute__((target("avx2")))
#endif

extern "C" {
ZARVO_AVX2 __m256d _ZGVdN4v_sin(__m256d x);
}

namespace vector_libm {

// Representable doubles on each side of the vector result that must round
// like it: more than five times what the error bounds need.
constexpr std::int64_t guard_steps = 64;

// The vector result rounded to float, and in `unsure` (bit l for lane l) the
// lanes for which the rounding of the scalar result is not proven equal.
ZARVO_AVX2 inline __m128 round_to_float(__m256d d, int& unsure) {
    const __m128 f = _mm256_cvtpd_ps(d);
    const __m256i bits = _mm256_castpd_si256(d);
    const __m256i steps = _mm256_set1_epi64x(guard_steps);
    // Below zero the bit pattern counts away from zero, so the two neighbours
    // swap roles; near zero (or next to the infinities) a step leaves the
    // sign or lands on a NaN pattern, whose float then differs from f.
    const __m128 below = _mm256_cvtpd_ps(_mm256_castsi256_pd(_mm256_sub_epi64(bits, steps)));
    const __m128 above = _mm256_cvtpd_ps(_mm256_castsi256_pd(_mm256_add_epi64(bits, steps)));
    const __m128i f_bits = _mm_castps_si128(f);
    const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(_mm_castps_si128(below), f_bits),
                                       _mm_cmpeq_epi32(_mm_castps_si128(above), f_bits));
    // |f| < infinity is false for NaN and for the infinities.
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), f);
    const __m128 finite = _mm_cmplt_ps(magnitude, _mm_set1_ps(__builtin_inff()));
    const __m128 sure = _mm_and_ps(_mm_castsi128_ps(same), finite);
    unsure = ~_mm_movemask_ps(sure) & 0xF;
    return f;
}

// The guard's fallback over eight float lanes: every lane marked in `unsure`
// takes scalar(its argument), the others keep their vector value.
template <typename Scalar>
ZARVO_AVX2 inline __m256 recompute_lanes(__m256 args, __m256 values, int unsure, Scalar scalar) {
    if (unsure == 0) {
        return values;
    }
    alignas(32) float arg[8];
    alignas(32) float value[8];
    _mm256_store_ps(arg, args);
    _mm256_store_ps(value, values);
    for (int l = 0; l < 8; ++l) {
        if ((unsure >> l) & 1) {
            value[l] = scalar(arg[l]);
        }
    }
    return _mm256_load_ps(value);
}

}  // namespace vector_libm

#endif
