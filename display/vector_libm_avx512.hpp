// The AVX-512 forms of display/vector_libm_avx2.hpp: glibc's eight-lane
// vector sine, and the same rounding guard over eight doubles (the argument
// there holds lane by lane, whatever the width).
#pragma once

#include "display/vector_libm_avx2.hpp"

#if defined(__x86_64__) && defined(ZARVO_HAVE_LIBMVEC)

#ifndef ZARVO_AVX512
#define ZARVO_AVX512 __attribute__((target("avx2,avx512f,avx512dq")))
#endif

extern "C" {
ZARVO_AVX512 __m512d _ZGVeN8v_sin(__m512d x);
}

namespace vector_libm {

// The vector result rounded to float, and in `unsure` (bit l for lane l) the
// lanes for which the rounding of the scalar result is not proven equal.
ZARVO_AVX512 inline __m256 round_to_float(__m512d d, int& unsure) {
    const __m256 f = _mm512_cvtpd_ps(d);
    const __m512i bits = _mm512_castpd_si512(d);
    const __m512i steps = _mm512_set1_epi64(guard_steps);
    // As in the four-lane form: below zero the neighbours swap roles, and a
    // step out of the sign or onto a NaN pattern gives a different float.
    const __m256 below = _mm512_cvtpd_ps(_mm512_castsi512_pd(_mm512_sub_epi64(bits, steps)));
    const __m256 above = _mm512_cvtpd_ps(_mm512_castsi512_pd(_mm512_add_epi64(bits, steps)));
    const __m256i f_bits = _mm256_castps_si256(f);
    const __m256i same = _mm256_and_si256(_mm256_cmpeq_epi32(_mm256_castps_si256(below), f_bits),
                                          _mm256_cmpeq_epi32(_mm256_castps_si256(above), f_bits));
    // |f| < infinity is false for NaN and for the infinities.
    const __m256 magnitude = _mm256_andnot_ps(_mm256_set1_ps(-0.0f), f);
    const __m256 finite = _mm256_cmp_ps(magnitude, _mm256_set1_ps(__builtin_inff()), _CMP_LT_OQ);
    const __m256 sure = _mm256_and_ps(_mm256_castsi256_ps(same), finite);
    unsure = ~_mm256_movemask_ps(sure) & 0xFF;
    return f;
}

}  // namespace vector_libm

#endif
