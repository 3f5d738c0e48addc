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
// True when, in addition, the phase panel can use glibc's vector arctangent.
bool phase_avx2_supported();

// Eight samples at a time. Precondition: panels_avx2_supported().
void draw_magnitude_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                         bool shifted, float gain);
// Eight samples at a time through glibc's vector arctangent, each grey
// guarded (see phase_greys in display/panels_avx2.cpp). With `recompute_all`
// every lane takes the scalar fallback, so that a test can check the
// fallback on its own.
// Precondition: phase_avx2_supported().
void draw_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                     bool recompute_all = false);
// Both spectrum panels row by row (see draw_magnitude_and_phase).
// Precondition: phase_avx2_supported().
void draw_magnitude_and_phase_avx2(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
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

}  // namespace panel_pixels
