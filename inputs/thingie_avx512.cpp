// "Thingie" in AVX-512 lanes: sixteen samples a turn, the float arithmetic of
// the definition lane by lane in the same order, and the sine from glibc's
// eight-lane vector sine behind the rounding guard of
// display/vector_libm_avx512.hpp.
#include <cassert>
#include <cmath>
#include <cstdint>

#include "inputs/pattern_kernels.hpp"

#if defined(__x86_64__) && defined(ZARVO_HAVE_LIBMVEC)

#include <immintrin.h>

// GCC 12 reports the deliberately undefined upper halves inside its own
// cast and extract intrinsics as uninitialized; nothing here reads them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "display/vector_libm_avx512.hpp"

namespace {

float scalar_sine(float a) {
    return static_cast<float>(std::sin(static_cast<double>(a)));
}

// float(sin(double(a))) in eight lanes, the scalar value in every lane.
ZARVO_AVX512 inline __m256 sines(__m256 a, bool recompute_all) {
    int unsure = 0;
    const __m256 s = vector_libm::round_to_float(_ZGVeN8v_sin(_mm512_cvtps_pd(a)), unsure);
    return vector_libm::recompute_lanes(a, s, recompute_all ? 0xFF : unsure, scalar_sine);
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
        const __m256 low = sines(_mm512_castps512_ps256(a), recompute_all);
        const __m256 high =
            sines(_mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(a), 1)), recompute_all);
        const __m512 s = _mm512_castpd_ps(_mm512_insertf64x4(
            _mm512_castps_pd(_mm512_castps256_ps512(low)), _mm256_castps_pd(high), 1));
        const __m512 re = _mm512_add_ps(_mm512_add_ps(s, _mm512_loadu_ps(tables.radial + k)), one);
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
