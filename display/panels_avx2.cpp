// The panels in AVX2 lanes, eight samples at a time.
//
// Every lane does the scalar operations of the definition in the same order
// (the squares, their sum, the products by the scale and by 255 are the same
// single IEEE operations), so each pixel gets the bits the plain form gives.
// The square root is sqrtps (see panel_pixels::magnitude for why the float
// root equals the double one rounded), and the phase greys come from glibc's
// vector arctangent behind a guard on the grey level (see phase_greys).
#include <cassert>
#include <cmath>
#include <cstdint>

#include "display/panel_kernels.hpp"

#if defined(__x86_64__)

#include <immintrin.h>

#include "display/vector_libm_avx2.hpp"

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

using panel_pixels::panel_row;
using panel_pixels::PanelRow;

const Complex& last_drawn_sample(const ComplexGrid& grid, bool shifted) {
    const PanelRow row = panel_row(grid, grid.height - 1, shifted);
    const std::int32_t j = grid.width - 1;
    return row.source[j < grid.width - row.split ? j + row.split : j - (grid.width - row.split)];
}

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
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const PanelRow row = panel_row(grid, i, shifted);
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, panel_pixels::top + i);
        const std::int32_t first = grid.width - row.split;
        magnitude_run(row.source + row.split, dst, first, scale);
        magnitude_run(row.source, dst + 3 * first, row.split, scale);
    }
    const float v = (panel_pixels::magnitude(last_drawn_sample(grid, shifted)) * scale) * 255.0f;
    const std::int32_t grey = panel_pixels::grey_of(v);
    pen = {grey, grey, grey};
}

#if defined(ZARVO_HAVE_LIBMVEC)

namespace {

// Angles that the vector function is not asked for: with a zero part the
// arctangent is exact by IEEE rules, taken from the scalar function once
// (atan2(+0, -1) is pi and atan2(1, +0) is pi/2 rounded to double; rounding
// to float is symmetric, so the sign can be put on afterwards).
struct ExactAngles {
    float pi;
    float half_pi;
};

ExactAngles exact_angles() {
    return {static_cast<float>(std::atan2(0.0, -1.0)), static_cast<float>(std::atan2(1.0, 0.0))};
}

std::int32_t scalar_phase_grey(const Complex& s) {
    const float a =
        static_cast<float>(std::atan2(static_cast<double>(s.im), static_cast<double>(s.re)));
    // 0.15915494f is the float nearest 1/(2 pi).
    return panel_pixels::grey_of((a * 0.15915494f) * 255.0f);
}

// The greys of angles known to be finite and within [-4, 4], where the
// scaled value lies far inside the int32 range and below 256: the
// truncation alone is grey_of.
ZARVO_AVX2_INLINE __m256i angle_greys(__m256 angle) {
    return _mm256_cvttps_epi32(
        _mm256_mul_ps(_mm256_mul_ps(angle, _mm256_set1_ps(0.15915494f)), _mm256_set1_ps(255.0f)));
}

// The guard of the phase greys: in every lane the grey must be the one that
// the plain definition (double atan2, rounded to float, scaled, truncated)
// gives.
//
// The angle comes from glibc's vector atan2f, documented to within 4 ulp
// (of a float) of the true angle t; the scalar double atan2 is within 1 ulp
// of a double of t. The plain angle, the scalar result rounded to float, is
// therefore within 5 float ulps of t and so within `grey_guard_steps` float
// steps of the vector angle f (the steps near f are at least half an ulp of
// t). The grey, as an integer before its low bits are taken, never
// decreases as the angle grows (rounding to float, the two products by
// positive constants and the truncation all keep order). So when the angles
// `grey_guard_steps` steps below and above f give the same grey, every angle
// between them does, the plain one included. A grey level spans about
// 100000 float steps, so almost every lane passes; the rest, and lanes with
// a part that is infinite or NaN, take the scalar function.
constexpr std::int32_t grey_guard_steps = 32;

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

// Lanes with both parts finite and neither zero: the ones the vector
// function is asked about.
ZARVO_AVX2_INLINE __m256 routine_lanes(Parts s, __m256 finite) {
    const __m256 zero = _mm256_setzero_ps();
    const __m256 zero_part =
        _mm256_or_ps(_mm256_cmp_ps(s.re, zero, _CMP_EQ_OQ), _mm256_cmp_ps(s.im, zero, _CMP_EQ_OQ));
    return _mm256_andnot_ps(zero_part, finite);
}

// The vector angle of the routine lanes; the others ask for atan2f(1, 1),
// so the vector function never meets a zero, infinite or NaN part, and
// eight lanes without a routine one (common in the spectra of the
// symmetric tests, mostly exact zeros) skip the call. Whatever a
// non-routine lane holds is overwritten later.
ZARVO_AVX2_INLINE __m256 vector_angles(Parts s) {
    const __m256 routine = routine_lanes(s, finite_lanes(s));
    if (_mm256_movemask_ps(routine) == 0) {
        return _mm256_setzero_ps();
    }
    const __m256 one = _mm256_set1_ps(1.0f);
    return _ZGVdN8vv_atan2f(_mm256_blendv_ps(one, s.im, routine),
                            _mm256_blendv_ps(one, s.re, routine));
}

// The phase greys of eight samples p[0 .. 7] (parts s, vector angles
// `angle`), in order: in every lane the grey that the plain definition
// (double atan2, rounded to float, scaled, truncated) gives.
ZARVO_AVX2_INLINE __m256i phase_greys(const Complex* p, Parts s, __m256 angle,
                                      const ExactAngles& exact, bool recompute_all) {
    const __m256 sign = _mm256_set1_ps(-0.0f);
    const __m256 finite = finite_lanes(s);
    const __m256 routine = routine_lanes(s, finite);
    const int routine_bits = _mm256_movemask_ps(routine);
    // Infinite or NaN parts go to the scalar function.
    int unsure = ~_mm256_movemask_ps(finite) & 0xFF;

    if (routine_bits != 0) {
        // The guard: the greys of the angles grey_guard_steps float steps to
        // either side. Stepping the bit pattern moves away from or towards
        // zero by the sign; either way the two ends bracket the angle. An
        // angle that is not finite, or so close to zero that a step could
        // cross it, fails, and so does one beyond 4: the true angle lies
        // within [-pi, pi], so that would break the contract.
        const __m256i bits = _mm256_castps_si256(angle);
        const __m256i steps = _mm256_set1_epi32(grey_guard_steps);
        const __m256i grey_below = angle_greys(_mm256_castsi256_ps(_mm256_sub_epi32(bits, steps)));
        const __m256i grey_above = angle_greys(_mm256_castsi256_ps(_mm256_add_epi32(bits, steps)));
        const __m256 magnitude = _mm256_andnot_ps(sign, angle);
        const __m256 away_from_zero = _mm256_cmp_ps(
            magnitude, _mm256_castsi256_ps(_mm256_set1_epi32(2 * grey_guard_steps)), _CMP_GT_OQ);
        const __m256 bounded = _mm256_cmp_ps(magnitude, _mm256_set1_ps(4.0f), _CMP_LT_OQ);
        const __m256 sure =
            _mm256_and_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(grey_below, grey_above)),
                          _mm256_and_ps(away_from_zero, bounded));
        unsure |= ~_mm256_movemask_ps(sure) & routine_bits;
    }

    if (routine_bits != 0xFF) {
        // atan2(y, +-0) = +-pi/2 by the sign of y (y not zero); atan2(+-0, x)
        // = +-0 when x is +0 or positive, +-pi when x is -0 or negative.
        const __m256 zero = _mm256_setzero_ps();
        const __m256 zero_re = _mm256_cmp_ps(s.re, zero, _CMP_EQ_OQ);
        const __m256 zero_im = _mm256_cmp_ps(s.im, zero, _CMP_EQ_OQ);
        const __m256 im_sign = _mm256_and_ps(s.im, sign);
        const __m256 re_negative =
            _mm256_castsi256_ps(_mm256_srai_epi32(_mm256_castps_si256(s.re), 31));
        const __m256 on_imaginary_axis = _mm256_or_ps(im_sign, _mm256_set1_ps(exact.half_pi));
        const __m256 on_real_axis =
            _mm256_or_ps(im_sign, _mm256_and_ps(re_negative, _mm256_set1_ps(exact.pi)));
        angle = _mm256_blendv_ps(angle, on_imaginary_axis, _mm256_and_ps(zero_re, finite));
        angle = _mm256_blendv_ps(angle, on_real_axis, _mm256_and_ps(zero_im, finite));
    }
    // Every lane not marked unsure now has an angle in [-4, 4].
    __m256i grey = angle_greys(angle);

    if (recompute_all) {
        unsure = 0xFF;
    }
    if (unsure != 0) {
        alignas(32) std::int32_t lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), grey);
        for (int l = 0; l < 8; ++l) {
            if ((unsure >> l) & 1) {
                lanes[l] = scalar_phase_grey(p[l]);
            }
        }
        grey = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
    }
    return grey;
}

// Samples per block: the vector angles of a block are computed first, in a
// loop with nothing else live across the calls (every vector register is
// clobbered by a call), then the greys are finished from the block.
constexpr std::int32_t phase_block = 256;

ZARVO_AVX2 void phase_run(const Complex* src, std::uint8_t* dst, std::int32_t n,
                          const ExactAngles& exact, bool recompute_all) {
    alignas(32) float angles[phase_block];
    std::int32_t j = 0;
    while (n - j >= 16) {
        const std::int32_t rest = (n - j) & ~15;
        const std::int32_t block = rest < phase_block ? rest : phase_block;
        for (std::int32_t t = 0; t < block; t += 8) {
            _mm256_store_ps(angles + t, vector_angles(load_parts(src + j + t)));
        }
        for (std::int32_t t = 0; t < block; t += 16, dst += 48) {
            const Complex* p = src + j + t;
            const __m256i first =
                phase_greys(p, load_parts(p), _mm256_load_ps(angles + t), exact, recompute_all);
            const __m256i second = phase_greys(
                p + 8, load_parts(p + 8), _mm256_load_ps(angles + t + 8), exact, recompute_all);
            store_greys(dst, first, second);
        }
        j += block;
    }
    for (; j < n; ++j, dst += 3) {
        panel_pixels::write_grey(scalar_phase_grey(src[j]), dst);
    }
}

}  // namespace

bool phase_avx2_supported() {
    return panels_avx2_supported();
}

ZARVO_AVX2 void draw_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                                bool recompute_all) {
    assert(phase_avx2_supported());
    if (grid.size() == 0) {
        return;
    }
    static const ExactAngles exact = exact_angles();
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const PanelRow row = panel_row(grid, i, true);
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, panel_pixels::top + i);
        const std::int32_t first = grid.width - row.split;
        phase_run(row.source + row.split, dst, first, exact, recompute_all);
        phase_run(row.source, dst + 3 * first, row.split, exact, recompute_all);
    }
    const std::int32_t grey = scalar_phase_grey(last_drawn_sample(grid, true));
    pen = {grey, grey, grey};
}

ZARVO_AVX2 void draw_magnitude_and_phase_avx2(const ComplexGrid& grid, RgbColor& pen,
                                              Canvas& canvas, int x_magnitude, int x_phase,
                                              float gain, bool recompute_all) {
    assert(phase_avx2_supported());
    assert(x_magnitude >= 0 && x_magnitude + grid.width <= canvas.width &&
           panel_pixels::top + grid.height <= canvas.height);
    assert(x_phase >= 0 && x_phase + grid.width <= canvas.width);
    if (grid.size() == 0) {
        return;
    }
    static const ExactAngles exact = exact_angles();
    const float max = largest_magnitude(grid);
    const float scale = max > 0.0f ? gain / max : 1.0f;
    // Both panels are shifted alike, so panel row i of each comes from the
    // same row of samples, still in the first-level cache for the second.
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const PanelRow row = panel_row(grid, i, true);
        const std::int32_t first = grid.width - row.split;
        const std::size_t at = pixel_offset(canvas, 0, panel_pixels::top + i);
        std::uint8_t* magnitude_dst =
            canvas.pixels + at + 3 * static_cast<std::size_t>(x_magnitude);
        magnitude_run(row.source + row.split, magnitude_dst, first, scale);
        magnitude_run(row.source, magnitude_dst + 3 * first, row.split, scale);
        std::uint8_t* phase_dst = canvas.pixels + at + 3 * static_cast<std::size_t>(x_phase);
        phase_run(row.source + row.split, phase_dst, first, exact, recompute_all);
        phase_run(row.source, phase_dst + 3 * first, row.split, exact, recompute_all);
    }
    // The phase panel is drawn last: its last pixel leaves the pen.
    const std::int32_t grey = scalar_phase_grey(last_drawn_sample(grid, true));
    pen = {grey, grey, grey};
}

#else  // no vector library in this build

bool phase_avx2_supported() {
    return false;
}

void draw_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool) {
    draw_phase_portable(grid, pen, canvas, x);
}

void draw_magnitude_and_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                                   int x_magnitude, int x_phase, float gain, bool) {
    draw_magnitude_avx2(grid, pen, canvas, x_magnitude, true, gain);
    draw_phase_portable(grid, pen, canvas, x_phase);
}

#endif

#else  // not x86-64

bool panels_avx2_supported() {
    return false;
}

bool phase_avx2_supported() {
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
