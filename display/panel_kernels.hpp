// The implementations behind draw_magnitude, draw_phase and
// draw_magnitude_and_phase (display/panels.hpp). Internal to the display;
// exposed so that tests and benchmarks can run each one. All of them draw
// exactly the pixels and leave exactly the pen of the definition in
// display/panels.hpp, on any CPU.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "display/canvas.hpp"
#include "spectrum/complex_grid.hpp"

// Scalar, runs everywhere: the readable path.
void draw_magnitude_portable(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                             bool shifted, float gain);
void draw_phase_portable(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x);

// In SIMD lanes, on the target that dispatch runs (base/simd_targets.hpp).
// The phase greys come from the estimate of display/phase_angle-inl.h, each
// guarded (see phase_greys in display/panel_lanes.cpp); with `recompute_all`
// every lane takes the scalar fallback, so that a test can check the
// fallback on its own.
void draw_magnitude_lanes(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                          bool shifted, float gain);
void draw_phase_lanes(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                      bool recompute_all = false);
void draw_magnitude_and_phase_lanes(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                                    int x_magnitude, int x_phase, float gain,
                                    bool recompute_all = false);

// The phase estimate and its folded polynomial on `count` inputs, on the
// target that dispatch runs: the very lanes the panels use, for the tests
// and the check of the estimate's bound. Parts must be finite; q in [0, 1].
void phase_angle_estimates(const float* re, const float* im, float* angle, std::size_t count);
void phase_angle_folded(const float* q, float* angle, std::size_t count);

// Pixel rules shared by the kernels, for the samples they take one at a time.
namespace panel_pixels {

using ::kPanelTop;

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
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, kPanelTop + i);
        const std::int32_t first = grid.width - row.split;
        run(row.source + row.split, dst, first);
        run(row.source, dst + 3 * first, row.split);
    }
}

// Both spectrum panels (shifted alike) row by row: run(source, m, p, n)
// draws n samples from `source` as n pixels of each panel, from m in the
// magnitude panel and from p in the phase panel, so that each sample is
// read once for both.
template <typename Run>
void draw_rows_of_both(const ComplexGrid& grid, Canvas& canvas, int x_magnitude, int x_phase,
                       Run run) {
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const PanelRow row = panel_row(grid, i, true);
        const std::int32_t first = grid.width - row.split;
        std::uint8_t* m = canvas.pixels + pixel_offset(canvas, x_magnitude, kPanelTop + i);
        std::uint8_t* p = canvas.pixels + pixel_offset(canvas, x_phase, kPanelTop + i);
        run(row.source + row.split, m, p, first);
        run(row.source, m + 3 * first, p + 3 * first, row.split);
    }
}

}  // namespace panel_pixels
