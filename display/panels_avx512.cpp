// The panels in AVX-512 lanes, sixteen samples at a time: the operations of
// display/panels_avx2.cpp lane by lane, in the same order, so every pixel
// and the pen come out the same. The parts are split with one two-source
// permute each, so the lanes hold the samples in order.
#include <cassert>
#include <cmath>
#include <cstdint>

#include "display/panel_kernels.hpp"

#if defined(__x86_64__)

#include <immintrin.h>

// GCC 12 reports the deliberately undefined sources inside its own AVX-512
// intrinsics as uninitialized; nothing here reads them.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Compiled for AVX-512 only where it is used; this code runs only after the
// CPU check. FMA stays off, as in the AVX2 form.
#define ZARVO_AVX512 __attribute__((target("avx2,avx512f,avx512dq")))
#define ZARVO_AVX512_INLINE __attribute__((target("avx2,avx512f,avx512dq"), always_inline)) inline

namespace {

using panel_pixels::phase_grey;

// The two parts of sixteen samples, in order.
struct Parts {
    __m512 re;
    __m512 im;
};

ZARVO_AVX512_INLINE Parts load_parts(const Complex* p) {
    const __m512 a = _mm512_loadu_ps(&p[0].re);
    const __m512 b = _mm512_loadu_ps(&p[8].re);
    const __m512i even =
        _mm512_setr_epi32(0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    const __m512i odd =
        _mm512_setr_epi32(1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
    return {_mm512_permutex2var_ps(a, even, b), _mm512_permutex2var_ps(a, odd, b)};
}

// re * re + im * im, each product rounded, then the sum.
ZARVO_AVX512_INLINE __m512 square_sums(Parts s) {
    return _mm512_add_ps(_mm512_mul_ps(s.re, s.re), _mm512_mul_ps(s.im, s.im));
}

// Stores the low eight bits of sixteen greys as sixteen RGB pixels.
ZARVO_AVX512_INLINE void store_greys(std::uint8_t* dst, __m512i greys) {
    const __m128i bytes = _mm512_cvtepi32_epi8(greys);  // truncates: the low eight bits
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

// grey_of in sixteen lanes: cvttps gives 0x80000000 for NaN and outside the
// int32 range, which below the range is INT32_MIN as wanted; from 256 up the
// clamp makes 255, and NaN becomes 0.
ZARVO_AVX512_INLINE __m512i greys(__m512 v) {
    __m512i grey = _mm512_cvttps_epi32(v);
    grey = _mm512_mask_mov_epi32(grey, _mm512_cmp_ps_mask(v, _mm512_set1_ps(256.0f), _CMP_GE_OQ),
                                 _mm512_set1_epi32(255));
    return _mm512_maskz_mov_epi32(_mm512_cmp_ps_mask(v, v, _CMP_ORD_Q), grey);
}

ZARVO_AVX512 float largest_magnitude(const ComplexGrid& grid) {
    const std::int64_t count = grid.size();
    // As in the AVX2 form: the largest square sum by the scalar rule
    // (maxps(s, max) is s > max ? s : max, so NaN never enters), then one
    // root.
    __m512 lanes = _mm512_set1_ps(-1.0f);
    std::int64_t k = 0;
    for (; k + 16 <= count; k += 16) {
        lanes = _mm512_max_ps(square_sums(load_parts(grid.samples + k)), lanes);
    }
    alignas(64) float lane_max[16];
    _mm512_store_ps(lane_max, lanes);
    float max_sum = -1.0f;
    for (float sum : lane_max) {
        if (sum > max_sum) {
            max_sum = sum;
        }
    }
    float max = max_sum < 0.0f ? -1.0f : std::sqrt(max_sum);
    for (; k < count; ++k) {
        const float m = panel_pixels::magnitude(grid.samples[k]);
        if (m > max) {
            max = m;
        }
    }
    return max;
}

ZARVO_AVX512 void magnitude_run(const Complex* src, std::uint8_t* dst, std::int32_t n,
                                float scale) {
    const __m512 vscale = _mm512_set1_ps(scale);
    const __m512 v255 = _mm512_set1_ps(255.0f);
    std::int32_t j = 0;
    for (; j + 16 <= n; j += 16, dst += 48) {
        const __m512 m = _mm512_sqrt_ps(square_sums(load_parts(src + j)));
        store_greys(dst, greys(_mm512_mul_ps(_mm512_mul_ps(m, vscale), v255)));
    }
    for (; j < n; ++j, dst += 3) {
        const float v = (panel_pixels::magnitude(src[j]) * scale) * 255.0f;
        panel_pixels::write_grey(panel_pixels::grey_of(v), dst);
    }
}

// a + b s, as the scalar form writes it.
ZARVO_AVX512_INLINE __m512 pair_term(float a, float b, __m512 s) {
    return _mm512_add_ps(_mm512_set1_ps(a), _mm512_mul_ps(_mm512_set1_ps(b), s));
}

// panel_pixels::phase_angle::estimate in sixteen lanes, operation for
// operation (minps and maxps make the scalar form's choices; the masks go
// by the sign bit, as signbit does). `finite` receives the lanes whose
// parts are both finite.
ZARVO_AVX512_INLINE __m512 angle_estimates(Parts s, __mmask16& finite) {
    namespace angle = panel_pixels::phase_angle;
    const float* c = angle::coefficients;
    const __m512 sign = _mm512_set1_ps(-0.0f);
    const __m512 ax = _mm512_andnot_ps(sign, s.re);
    const __m512 ay = _mm512_andnot_ps(sign, s.im);
    const __m512 inf = _mm512_set1_ps(__builtin_inff());
    finite = _mm512_cmp_ps_mask(ax, inf, _CMP_LT_OQ) & _mm512_cmp_ps_mask(ay, inf, _CMP_LT_OQ);
    const __m512 low = _mm512_min_ps(ay, ax);
    const __m512 high = _mm512_max_ps(ax, ay);
    // Lanes with high = 0 get q = 0 without dividing.
    const __m512 q = _mm512_maskz_div_ps(
        _mm512_cmp_ps_mask(high, _mm512_setzero_ps(), _CMP_GT_OQ), low, high);
    const __m512 s1 = _mm512_mul_ps(q, q);
    const __m512 s2 = _mm512_mul_ps(s1, s1);
    const __m512 s4 = _mm512_mul_ps(s2, s2);
    const __m512 p_low =
        _mm512_add_ps(pair_term(c[0], c[1], s1), _mm512_mul_ps(pair_term(c[2], c[3], s1), s2));
    const __m512 p_high =
        _mm512_add_ps(pair_term(c[4], c[5], s1), _mm512_mul_ps(_mm512_set1_ps(c[6]), s2));
    const __m512 t = _mm512_mul_ps(_mm512_add_ps(p_low, _mm512_mul_ps(p_high, s4)), q);
    const __mmask16 steep = _mm512_cmp_ps_mask(ay, ax, _CMP_GT_OQ);
    const __mmask16 left = _mm512_movepi32_mask(_mm512_castps_si512(s.re));
    const __m512 base = _mm512_mask_mov_ps(_mm512_maskz_mov_ps(left, _mm512_set1_ps(angle::pi)),
                                           steep, _mm512_set1_ps(angle::half_pi));
    const __m512 signed_t = _mm512_mask_xor_ps(t, static_cast<__mmask16>(steep ^ left), t, sign);
    const __m512 a = _mm512_add_ps(base, signed_t);
    return _mm512_xor_ps(a, _mm512_and_ps(s.im, sign));
}

// The greys of angles within [-4, 4]: the truncation alone is grey_of.
ZARVO_AVX512_INLINE __m512i angle_greys(__m512 angle) {
    return _mm512_cvttps_epi32(
        _mm512_mul_ps(_mm512_mul_ps(angle, _mm512_set1_ps(0.15915494f)), _mm512_set1_ps(255.0f)));
}

// The lanes of `grey` marked in `unsure` from the scalar function, out of
// line (see the AVX2 form).
ZARVO_AVX512 __attribute__((noinline)) __m512i recompute_greys(const Complex* p, __m512i grey,
                                                                unsigned unsure) {
    alignas(64) std::int32_t lanes[16];
    _mm512_store_si512(lanes, grey);
    for (int l = 0; l < 16; ++l) {
        if ((unsure >> l) & 1u) {
            lanes[l] = phase_grey(p[l]);
        }
    }
    return _mm512_load_si512(lanes);
}

// The phase greys of p[0 .. 15], guarded as in phase_greys of the AVX2
// form: a lane is sure when the angles phase_angle::bound below and above
// its estimate give the same grey and its parts are finite.
ZARVO_AVX512_INLINE __m512i phase_greys(const Complex* p, bool recompute_all) {
    __mmask16 finite;
    const __m512 angle = angle_estimates(load_parts(p), finite);
    const __m512 bound = _mm512_set1_ps(panel_pixels::phase_angle::bound);
    const __m512i below = angle_greys(_mm512_sub_ps(angle, bound));
    const __m512i above = angle_greys(_mm512_add_ps(angle, bound));
    const __mmask16 sure = _mm512_cmpeq_epi32_mask(below, above) & finite;
    const unsigned unsure = recompute_all ? 0xFFFFu : ~static_cast<unsigned>(sure) & 0xFFFFu;
    return unsure == 0 ? below : recompute_greys(p, below, unsure);
}

ZARVO_AVX512 void phase_run(const Complex* src, std::uint8_t* dst, std::int32_t n,
                            bool recompute_all) {
    std::int32_t j = 0;
    for (; j + 16 <= n; j += 16, dst += 48) {
        store_greys(dst, phase_greys(src + j, recompute_all));
    }
    for (; j < n; ++j, dst += 3) {
        panel_pixels::write_grey(phase_grey(src[j]), dst);
    }
}

}  // namespace

bool panels_avx512_supported() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512dq") != 0;
}

ZARVO_AVX512 void draw_magnitude_avx512(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                                        int x, bool shifted, float gain) {
    assert(panels_avx512_supported());
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

ZARVO_AVX512 void draw_phase_avx512(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                                    bool recompute_all) {
    assert(panels_avx512_supported());
    if (grid.size() == 0) {
        return;
    }
    panel_pixels::draw_rows(grid, canvas, x, true,
                            [recompute_all](const Complex* src, std::uint8_t* dst, std::int32_t n) {
                                phase_run(src, dst, n, recompute_all);
                            });
    pen = panel_pixels::phase_pen(grid);
}

ZARVO_AVX512 void draw_magnitude_and_phase_avx512(const ComplexGrid& grid, RgbColor& pen,
                                                  Canvas& canvas, int x_magnitude, int x_phase,
                                                  float gain, bool recompute_all) {
    assert(panels_avx512_supported());
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

bool panels_avx512_supported() {
    return false;
}

void draw_magnitude_avx512(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                           bool shifted, float gain) {
    draw_magnitude_portable(grid, pen, canvas, x, shifted, gain);
}

void draw_phase_avx512(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool) {
    draw_phase_portable(grid, pen, canvas, x);
}

void draw_magnitude_and_phase_avx512(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                                     int x_magnitude, int x_phase, float gain, bool) {
    draw_magnitude_portable(grid, pen, canvas, x_magnitude, true, gain);
    draw_phase_portable(grid, pen, canvas, x_phase);
}

#endif
