// The implementations behind ComplexGrid::draw_magnitude and draw_phase.
// Internal to the display; exposed so that tests and benchmarks can run each
// one. All of them draw exactly the pixels and leave exactly the pen of the
// definition in display/panels.hpp, on any CPU.
#pragma once

#include <cmath>
#include <cstdint>

#include "display/canvas.hpp"
#include "spectrum/complex_grid.hpp"

// Scalar, runs everywhere.
void draw_magnitude_portable(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                             bool shifted, float gain);
void draw_phase_portable(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x);

// True when this build has the AVX2 panels and the CPU executes them.
bool panels_avx2_supported();

// Eight samples at a time. Precondition: panels_avx2_supported().
void draw_magnitude_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                         bool shifted, float gain);
// Eight samples at a time through phase_angle::estimate below, each grey
// guarded (see phase_greys in display/panels_avx2.cpp). With `recompute_all`
// every lane takes the scalar fallback, so that a test can check the
// fallback on its own.
// Precondition: panels_avx2_supported().
void draw_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                     bool recompute_all = false);
// Both spectrum panels row by row (see draw_magnitude_and_phase).
// Precondition: panels_avx2_supported().
void draw_magnitude_and_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                                   int x_magnitude, int x_phase, float gain,
                                   bool recompute_all = false);

// True when this build has the AVX-512 panels and the CPU executes them
// (AVX-512 F and DQ).
bool panels_avx512_supported();

// Sixteen samples at a time, the AVX2 forms' operations lane by lane; the
// same arguments and results. Precondition: panels_avx512_supported().
void draw_magnitude_avx512(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                           bool shifted, float gain);
void draw_phase_avx512(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                       bool recompute_all = false);
void draw_magnitude_and_phase_avx512(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                                     int x_magnitude, int x_phase, float gain,
                                     bool recompute_all = false);

// Pixel rules shared by the kernels, for the samples they take one at a time.
namespace panel_pixels {

// The top canvas row of every panel.
constexpr int top = 21;

// The magnitude in float: sqrt of a float, correctly rounded, is the float
// nearest to the double square root of that float (a double carries more
// than twice the bits of a float plus two, so rounding the double root again
// to float cannot land elsewhere), so the double detour is not needed.
inline float magnitude(const Complex& s) {
    const float sum = s.re * s.re + s.im * s.im;
    return std::sqrt(sum);
}

// trunc(v), clamped above at 255: NaN gives 0, and values below the int32
// range give INT32_MIN (its low eight bits, 0, are what every float below
// -2^31 would store, all of them being multiples of 256).
inline std::int32_t grey_of(float v) {
    if (v != v) {
        return 0;
    }
    if (v >= 256.0f) {
        return 255;
    }
    if (v < -2147483648.0f) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(v);
}

inline void write_grey(std::int32_t grey, std::uint8_t* p) {
    p[0] = p[1] = p[2] = static_cast<std::uint8_t>(grey);
}

// The phase grey of one sample, the plain way: the double atan2 rounded to
// float, scaled by 0.15915494f (the float nearest 1/(2 pi)) and by 255. v
// runs from -127.5 to 127.5 and only its low eight bits are stored, so
// negative angles continue the grey scale from 129 up to 255 and 128 never
// occurs.
inline std::int32_t phase_grey(const Complex& s) {
    const float a =
        static_cast<float>(std::atan2(static_cast<double>(s.im), static_cast<double>(s.re)));
    return grey_of((a * 0.15915494f) * 255.0f);
}

// The phase panel's estimate of the angle atan2(im, re), for finite parts,
// in float arithmetic only: the kernels' lanes run exactly these operations
// in this order, so each lane gives these bits.
//
// The angle is folded into [0, pi/4] as t = atan(q), q = min/max of the two
// magnitudes, which an odd polynomial of degree 13 (fitted here to atan on
// [0, 1], nearly equal-ripple) approximates. The octant then comes back in
// one addition, from the identities
//   |im| <= |re|, re >= 0:  t            |im| > |re|, re >= 0:  pi/2 - t
//   |im| <= |re|, re < 0:   pi - t       |im| > |re|, re < 0:   pi/2 + t
// and the sign of im. The polynomial runs in Estrin's order and the octant
// needs one rounding, because the lanes wait on the longest chain of
// dependent operations, not on their number. Zero parts give the axes
// (q = 0), and both zero gives +-0 or +-pi by the signs of the zeros, as
// atan2 does. The estimate is not the plain angle: the panels use it only
// behind `bound` (see phase_greys in display/panels_avx2.cpp).
namespace phase_angle {

constexpr float coefficients[] = {0x1.ffff7ep-1f,  -0x1.552b7cp-2f, 0x1.95aap-3f,  -0x1.0f04d4p-3f,
                                  0x1.462378p-4f, -0x1.134928p-5f, 0x1.be6aeap-8f};
constexpr float pi = static_cast<float>(3.14159265358979323846);
constexpr float half_pi = static_cast<float>(1.57079632679489661923);

// atan(q) for q in [0, 1]. Over every float q in that range it lies within
// 3.9e-7 of the true arctangent (tests/display/check_phase_angle.cpp walks
// all of them).
inline float folded(float q) {
    const float* c = coefficients;
    const float s = q * q;
    const float s2 = s * s;
    const float s4 = s2 * s2;
    const float low = (c[0] + c[1] * s) + (c[2] + c[3] * s) * s2;
    const float high = (c[4] + c[5] * s) + c[6] * s2;
    return (low + high * s4) * q;
}

inline float estimate(float re, float im) {
    const float ax = std::fabs(re);
    const float ay = std::fabs(im);
    const float low = ay < ax ? ay : ax;
    const float high = ay < ax ? ax : ay;
    const float t = folded(high > 0.0f ? low / high : 0.0f);
    const bool steep = ay > ax;
    const bool left = std::signbit(re);
    const float base = steep ? half_pi : (left ? pi : 0.0f);
    const float angle = base + (steep != left ? -t : t);
    return std::signbit(im) ? -angle : angle;
}

// How far the estimate may lie from the plain angle (the double atan2
// rounded to float), with room to spare. The sum of: the polynomial's
// 3.9e-7; the rounding of q (2^-24 q, and atan's slope is at most 1); the
// float pi/2 or pi (errors 4.4e-8 and 8.8e-8) and the addition (half an ulp
// below 4, 1.2e-7); the plain angle's own rounding to float (1.2e-7, plus
// the double's error, far below that). That is under 7.8e-7; the guard adds
// the 1.2e-7 that computing angle - bound and angle + bound may round
// inwards.
constexpr float bound = 2e-6f;

}  // namespace phase_angle

// Panel row i of a grid drawn with or without the quadrant swap: output
// pixels 0 .. W - split - 1 come from source columns split .. W - 1, the rest
// from columns 0 .. split - 1. Without the swap `split` is 0.
struct PanelRow {
    const Complex* source;
    std::int32_t split;
};

inline PanelRow panel_row(const ComplexGrid& grid, std::int32_t i, bool shifted) {
    const std::int32_t half_h = shifted ? grid.height / 2 : 0;
    std::int32_t src_i = i + half_h;
    if (src_i >= grid.height) {
        src_i -= grid.height;
    }
    return {grid.samples + std::int64_t{src_i} * grid.width, shifted ? grid.width / 2 : 0};
}

// The sample behind a panel's last pixel (bottom right), whose grey the pen
// keeps.
inline const Complex& last_drawn_sample(const ComplexGrid& grid, bool shifted) {
    const PanelRow row = panel_row(grid, grid.height - 1, shifted);
    const std::int32_t j = grid.width - 1;
    return row.source[j < grid.width - row.split ? j + row.split : j - (grid.width - row.split)];
}

// The greys, as pens, that the panels leave: that of the last pixel drawn.
inline RgbColor magnitude_pen(const ComplexGrid& grid, bool shifted, float scale) {
    const std::int32_t grey =
        grey_of((magnitude(last_drawn_sample(grid, shifted)) * scale) * 255.0f);
    return {grey, grey, grey};
}

inline RgbColor phase_pen(const ComplexGrid& grid) {
    const std::int32_t grey = phase_grey(last_drawn_sample(grid, true));
    return {grey, grey, grey};
}

// The row walk of the vector forms: run(source, dst, n) draws n samples
// from `source` as n pixels from `dst`, and each panel row is the two runs
// that the quadrant swap makes of its row of samples.
template <typename Run>
void draw_rows(const ComplexGrid& grid, Canvas& canvas, int x, bool shifted, Run run) {
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const PanelRow row = panel_row(grid, i, shifted);
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, top + i);
        const std::int32_t first = grid.width - row.split;
        run(row.source + row.split, dst, first);
        run(row.source, dst + 3 * first, row.split);
    }
}

// Both spectrum panels (shifted alike) row by row: panel row i of each comes
// from the same row of samples, still in the first-level cache for the
// second.
template <typename MagnitudeRun, typename PhaseRun>
void draw_rows_of_both(const ComplexGrid& grid, Canvas& canvas, int x_magnitude, int x_phase,
                       MagnitudeRun magnitude_run, PhaseRun phase_run) {
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const PanelRow row = panel_row(grid, i, true);
        const std::int32_t first = grid.width - row.split;
        std::uint8_t* m = canvas.pixels + pixel_offset(canvas, x_magnitude, top + i);
        magnitude_run(row.source + row.split, m, first);
        magnitude_run(row.source, m + 3 * first, row.split);
        std::uint8_t* p = canvas.pixels + pixel_offset(canvas, x_phase, top + i);
        phase_run(row.source + row.split, p, first);
        phase_run(row.source, p + 3 * first, row.split);
    }
}

}  // namespace panel_pixels
