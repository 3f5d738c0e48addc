// The panels in AVX2 lanes, eight samples at a time.
//
// Every lane does the scalar operations of the definition in the same order
// (the squares, their sum, the products by the scale and by 255 are the same
// single IEEE operations), so each pixel gets the bits the plain form gives.
// The square root is sqrtps (see panel_pixels::magnitude for why the float
// root equals the double one rounded), and the phase greys come from a
// float estimate of the angle behind a guard on the grey level (see
// phase_greys).
#include <cassert>
#include <cmath>
#include <cstdint>

#include "display/panel_kernels.hpp"

#if defined(__x86_64__)

#include <immintrin.h>

// Compiled for AVX2 only where it is used; this code runs only after the CPU
// check. FMA stays off: a fused multiply-add would round once where the
// definition rounds twice.
#ifndef ZARVO_AVX2
#define ZARVO_AVX2 __attribute__((target("avx2")))
#endif
// The small lane helpers: always inlined, so that nothing is passed through
// memory and the constants stay in registers.
#define ZARVO_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

namespace {

using panel_pixels::phase_grey;

// Squares of eight samples and their pairwise sums re^2 + im^2, lanes in the
// order [0 1 4 5 | 2 3 6 7] that hadd leaves.
ZARVO_AVX2_INLINE __m256 square_sums_unordered(const Complex* p) {
    const __m256 a = _mm256_loadu_ps(&p[0].re);
    const __m256 b = _mm256_loadu_ps(&p[4].re);
    return _mm256_hadd_ps(_mm256_mul_ps(a, a), _mm256_mul_ps(b, b));
}

// Swaps the middle two 64-bit quarters: [0 1 4 5 | 2 3 6 7] -> [0 .. 7].
ZARVO_AVX2_INLINE __m256 middle_quarters_swapped(__m256 v) {
    return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(v), 0xD8));
}

ZARVO_AVX2_INLINE __m256 magnitudes(const Complex* p) {
    return _mm256_sqrt_ps(middle_quarters_swapped(square_sums_unordered(p)));
}

// grey_of in eight lanes. cvttps gives 0x80000000 for NaN and for anything
// outside the int32 range; below the range that is INT32_MIN as wanted,
// above it (and from 256 up) the clamp makes 255, and NaN becomes 0.
ZARVO_AVX2_INLINE __m256i greys(__m256 v) {
    __m256i grey = _mm256_cvttps_epi32(v);
    const __m256 clamp = _mm256_cmp_ps(v, _mm256_set1_ps(256.0f), _CMP_GE_OQ);
    grey = _mm256_blendv_epi8(grey, _mm256_set1_epi32(255), _mm256_castps_si256(clamp));
    const __m256 nan = _mm256_cmp_ps(v, v, _CMP_UNORD_Q);
    return _mm256_andnot_si256(_mm256_castps_si256(nan), grey);
}

// Stores the low eight bits of sixteen greys as sixteen RGB pixels.
ZARVO_AVX2_INLINE void store_greys(std::uint8_t* dst, __m256i first, __m256i second) {
    const __m256i low_byte = _mm256_set1_epi32(0xFF);
    // Masked to 0 .. 255 first, so the saturating packs keep every value.
    __m256i words =
        _mm256_packus_epi32(_mm256_and_si256(first, low_byte), _mm256_and_si256(second, low_byte));
    words = _mm256_permute4x64_epi64(words, 0xD8);
    const __m128i bytes =
        _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    const __m128i rgb0 =
        _mm_shuffle_epi8(bytes, _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5));
    const __m128i rgb1 =
        _mm_shuffle_epi8(bytes, _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10));
    const __m128i rgb2 = _mm_shuffle_epi8(
        bytes, _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), rgb0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), rgb1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 32), rgb2);
}

ZARVO_AVX2 float largest_magnitude(const ComplexGrid& grid) {
    const std::int64_t count = grid.size();
    // The largest square sum, then one root: the root never decreases as its
    // argument grows, so the root of the largest sum is the largest root.
    // maxps(s, max) is s > max ? s : max, lane by lane: the scalar rule, so
    // NaN never enters; the lanes' maxima are then combined by the same rule
    // (the largest of a set of non-NaN floats does not depend on the order).
    __m256 lanes = _mm256_set1_ps(-1.0f);
    std::int64_t k = 0;
    for (; k + 8 <= count; k += 8) {
        lanes = _mm256_max_ps(square_sums_unordered(grid.samples + k), lanes);
    }
    alignas(32) float lane_max[8];
    _mm256_store_ps(lane_max, lanes);
    float max_sum = -1.0f;
    for (float sum : lane_max) {
        if (sum > max_sum) {
            max_sum = sum;
        }
    }
    // Sums are never negative, so -1 means no sample (or only NaN) so far,
    // which is also the scalar loop's starting value.
    float max = max_sum < 0.0f ? -1.0f : std::sqrt(max_sum);
    for (; k < count; ++k) {
        const float m = panel_pixels::magnitude(grid.samples[k]);
        if (m > max) {
            max = m;
        }
    }
    return max;
}

ZARVO_AVX2 void magnitude_run(const Complex* src, std::uint8_t* dst, std::int32_t n, float scale) {
    const __m256 vscale = _mm256_set1_ps(scale);
    const __m256 v255 = _mm256_set1_ps(255.0f);
    std::int32_t j = 0;
    for (; j + 16 <= n; j += 16, dst += 48) {
        const __m256 v0 = _mm256_mul_ps(_mm256_mul_ps(magnitudes(src + j), vscale), v255);
        const __m256 v1 = _mm256_mul_ps(_mm256_mul_ps(magnitudes(src + j + 8), vscale), v255);
        store_greys(dst, greys(v0), greys(v1));
    }
    for (; j < n; ++j, dst += 3) {
        const float v = (panel_pixels::magnitude(src[j]) * scale) * 255.0f;
        panel_pixels::write_grey(panel_pixels::grey_of(v), dst);
    }
}

}  // namespace

bool panels_avx2_supported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

ZARVO_AVX2 void draw_magnitude_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                                    bool shifted, float gain) {
    assert(panels_avx2_supported());
    if (grid.size() == 0) {
        return;
    }
    const float max = largest_magnitude(grid);
    const float scale = max > 0.0f ? gain / max : 1.0f;
    panel_pixels::draw_rows(grid, canvas, x, shifted,
                            [scale](const Complex* src, std::uint8_t* dst, std::int32_t n) {
                                magnitude_run(src, dst, n, scale);
                            });
    pen = panel_pixels::magnitude_pen(grid, shifted, scale);
}

namespace {

// The greys of angles within [-4, 4], where the scaled value lies far
// inside the int32 range and below 256: the truncation alone is grey_of.
ZARVO_AVX2_INLINE __m256i angle_greys(__m256 angle) {
    return _mm256_cvttps_epi32(
        _mm256_mul_ps(_mm256_mul_ps(angle, _mm256_set1_ps(0.15915494f)), _mm256_set1_ps(255.0f)));
}

// The two parts of eight samples, in order.
struct Parts {
    __m256 re;
    __m256 im;
};

ZARVO_AVX2_INLINE Parts load_parts(const Complex* p) {
    const __m256 a = _mm256_loadu_ps(&p[0].re);
    const __m256 b = _mm256_loadu_ps(&p[4].re);
    return {middle_quarters_swapped(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0))),
            middle_quarters_swapped(_mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)))};
}

// Lanes whose parts are both finite.
ZARVO_AVX2_INLINE __m256 finite_lanes(Parts s) {
    const __m256 sign = _mm256_set1_ps(-0.0f);
    const __m256 inf = _mm256_set1_ps(__builtin_inff());
    return _mm256_and_ps(_mm256_cmp_ps(_mm256_andnot_ps(sign, s.re), inf, _CMP_LT_OQ),
                         _mm256_cmp_ps(_mm256_andnot_ps(sign, s.im), inf, _CMP_LT_OQ));
}

// a + b s, as the scalar form writes it.
ZARVO_AVX2_INLINE __m256 pair_term(float a, float b, __m256 s) {
    return _mm256_add_ps(_mm256_set1_ps(a), _mm256_mul_ps(_mm256_set1_ps(b), s));
}

// panel_pixels::phase_angle::estimate in eight lanes, operation for
// operation: minps and maxps make the scalar form's choices (each returns
// its second operand unless the first is strictly smaller or greater), and
// blendv and the sign masks go by the sign bit, as signbit does.
ZARVO_AVX2_INLINE __m256 angle_estimates(Parts s) {
    namespace angle = panel_pixels::phase_angle;
    const float* c = angle::coefficients;
    const __m256 sign = _mm256_set1_ps(-0.0f);
    const __m256 ax = _mm256_andnot_ps(sign, s.re);
    const __m256 ay = _mm256_andnot_ps(sign, s.im);
    const __m256 low = _mm256_min_ps(ay, ax);
    const __m256 high = _mm256_max_ps(ax, ay);
    const __m256 q = _mm256_and_ps(_mm256_div_ps(low, high),
                                   _mm256_cmp_ps(high, _mm256_setzero_ps(), _CMP_GT_OQ));
    const __m256 s1 = _mm256_mul_ps(q, q);
    const __m256 s2 = _mm256_mul_ps(s1, s1);
    const __m256 s4 = _mm256_mul_ps(s2, s2);
    const __m256 p_low =
        _mm256_add_ps(pair_term(c[0], c[1], s1), _mm256_mul_ps(pair_term(c[2], c[3], s1), s2));
    const __m256 p_high =
        _mm256_add_ps(pair_term(c[4], c[5], s1), _mm256_mul_ps(_mm256_set1_ps(c[6]), s2));
    const __m256 t = _mm256_mul_ps(_mm256_add_ps(p_low, _mm256_mul_ps(p_high, s4)), q);
    // The octant: the base angle, and t negated where exactly one of steep
    // and left holds.
    const __m256 steep = _mm256_cmp_ps(ay, ax, _CMP_GT_OQ);
    const __m256 left = _mm256_castsi256_ps(_mm256_srai_epi32(_mm256_castps_si256(s.re), 31));
    const __m256 base = _mm256_blendv_ps(_mm256_and_ps(left, _mm256_set1_ps(angle::pi)),
                                         _mm256_set1_ps(angle::half_pi), steep);
    const __m256 flip = _mm256_and_ps(_mm256_xor_ps(steep, left), sign);
    const __m256 a = _mm256_add_ps(base, _mm256_xor_ps(t, flip));
    return _mm256_xor_ps(a, _mm256_and_ps(s.im, sign));
}

// The lanes of `grey` marked in `unsure` from the scalar function. Out of
// line: it runs for a few samples a frame, and its call would otherwise
// clobber the vector registers of the loop around it.
ZARVO_AVX2 __attribute__((noinline)) __m256i recompute_greys(const Complex* p, __m256i grey, int unsure) {
    alignas(32) std::int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), grey);
    for (int l = 0; l < 8; ++l) {
        if ((unsure >> l) & 1) {
            lanes[l] = phase_grey(p[l]);
        }
    }
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
}

// The phase greys of p[0 .. 7], in order: in every lane the grey that the
// plain definition (double atan2, rounded to float, scaled, truncated)
// gives.
//
// The guard: the plain angle lies within phase_angle::bound of the estimate
// t. The grey, as an integer before its low bits are taken, never decreases
// as the angle grows (the two products by positive constants, each rounded,
// and the truncation all keep order). So when t - bound and t + bound give
// the same grey, every angle between them does, the plain one included. A
// grey level spans 0.0246 of angle, so about one sample in 6000 fails; those
// lanes, and lanes with an infinite or NaN part, take the scalar function.
ZARVO_AVX2_INLINE __m256i phase_greys(const Complex* p, bool recompute_all) {
    const Parts s = load_parts(p);
    const __m256 angle = angle_estimates(s);
    const __m256 bound = _mm256_set1_ps(panel_pixels::phase_angle::bound);
    const __m256i below = angle_greys(_mm256_sub_ps(angle, bound));
    const __m256i above = angle_greys(_mm256_add_ps(angle, bound));
    const __m256 sure =
        _mm256_and_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(below, above)), finite_lanes(s));
    const int unsure = recompute_all ? 0xFF : ~_mm256_movemask_ps(sure) & 0xFF;
    return unsure == 0 ? below : recompute_greys(p, below, unsure);
}

ZARVO_AVX2 void phase_run(const Complex* src, std::uint8_t* dst, std::int32_t n,
                          bool recompute_all) {
    std::int32_t j = 0;
    for (; j + 16 <= n; j += 16, dst += 48) {
        store_greys(dst, phase_greys(src + j, recompute_all),
                    phase_greys(src + j + 8, recompute_all));
    }
    for (; j < n; ++j, dst += 3) {
        panel_pixels::write_grey(phase_grey(src[j]), dst);
    }
}

}  // namespace

ZARVO_AVX2 void draw_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                                bool recompute_all) {
    assert(panels_avx2_supported());
    if (grid.size() == 0) {
        return;
    }
    panel_pixels::draw_rows(grid, canvas, x, true,
                            [recompute_all](const Complex* src, std::uint8_t* dst, std::int32_t n) {
                                phase_run(src, dst, n, recompute_all);
                            });
    pen = panel_pixels::phase_pen(grid);
}

ZARVO_AVX2 void draw_magnitude_and_phase_avx2(const ComplexGrid& grid, RgbColor& pen,
                                              Canvas& canvas, int x_magnitude, int x_phase,
                                              float gain, bool recompute_all) {
    assert(panels_avx2_supported());
    assert(x_magnitude >= 0 && x_magnitude + grid.width <= canvas.width &&
           panel_pixels::top + grid.height <= canvas.height);
    assert(x_phase >= 0 && x_phase + grid.width <= canvas.width);
    if (grid.size() == 0) {
        return;
    }
    const float max = largest_magnitude(grid);
    const float scale = max > 0.0f ? gain / max : 1.0f;
    panel_pixels::draw_rows_of_both(
        grid, canvas, x_magnitude, x_phase,
        [scale](const Complex* src, std::uint8_t* dst, std::int32_t n) {
            magnitude_run(src, dst, n, scale);
        },
        [recompute_all](const Complex* src, std::uint8_t* dst, std::int32_t n) {
            phase_run(src, dst, n, recompute_all);
        });
    // The phase panel is drawn last: its last pixel leaves the pen.
    pen = panel_pixels::phase_pen(grid);
}

#else  // not x86-64

bool panels_avx2_supported() {
    return false;
}

void draw_magnitude_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                         bool shifted, float gain) {
    draw_magnitude_portable(grid, pen, canvas, x, shifted, gain);
}

void draw_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool) {
    draw_phase_portable(grid, pen, canvas, x);
}

void draw_magnitude_and_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                                   int x_magnitude, int x_phase, float gain, bool) {
    draw_magnitude_portable(grid, pen, canvas, x_magnitude, true, gain);
    draw_phase_portable(grid, pen, canvas, x_phase);
}

#endif
