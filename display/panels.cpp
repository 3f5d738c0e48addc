#include "display/panels.hpp"

#include <cassert>
#include <cmath>
#include <cstdint>

namespace {

// The top canvas row of every panel.
constexpr int panel_top = 21;

// Single-precision squares and sum; the root in double of that float.
float magnitude(const Complex& s) {
    return static_cast<float>(std::sqrt(static_cast<double>(s.re * s.re + s.im * s.im)));
}

// trunc(v) as an int32, defined for every float: NaN gives 0 (a panel draws
// it black), and values beyond the int32 range saturate. Saturating keeps the
// stored low eight bits right: the upper end is clamped to 255 anyway, and
// every float below -2^31 is a multiple of 256, as is INT32_MIN.
std::int32_t trunc_to_int(float v) {
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= 2147483648.0f) {
        return INT32_MAX;
    }
    if (v < -2147483648.0f) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(v);
}

// Grey level from the scaled value: truncated, clamped above at 255 only.
std::int32_t grey_of(float v) {
    const std::int32_t grey = trunc_to_int(v);
    return grey > 255 ? 255 : grey;
}

// Sets the pen to (grey, grey, grey) and stores its low eight bits at p.
void write_pen(RgbColor& pen, std::int32_t grey, std::uint8_t* p) {
    pen = {grey, grey, grey};
    p[0] = static_cast<std::uint8_t>(pen.r);
    p[1] = static_cast<std::uint8_t>(pen.g);
    p[2] = static_cast<std::uint8_t>(pen.b);
}

}  // namespace

void ComplexGrid::draw_magnitude(RgbColor& pen, Canvas& canvas, int x, bool shifted,
                                 float gain) const {
    assert(x >= 0 && x + width <= canvas.width && panel_top + height <= canvas.height);
    // Starting below every magnitude, and comparing with `>`, keeps NaN from
    // ever becoming the maximum.
    float max = -1.0f;
    const std::int64_t count = size();
    for (std::int64_t k = 0; k < count; ++k) {
        const float m = magnitude(samples[k]);
        if (m > max) {
            max = m;
        }
    }
    const float scale = max > 0.0f ? gain / max : 1.0f;

    // With the swap, panel (i, j) shows sample ((i + H/2) mod H, (j + W/2) mod W):
    // the zero frequency lands in the middle.
    const std::int32_t half_h = shifted ? height / 2 : 0;
    const std::int32_t half_w = shifted ? width / 2 : 0;
    for (std::int32_t i = 0; i < height; ++i) {
        std::int32_t src_i = i + half_h;
        if (src_i >= height) {
            src_i -= height;
        }
        const Complex* row = samples + std::int64_t{src_i} * width;
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, panel_top + i);
        for (std::int32_t j = 0; j < width; ++j, dst += 3) {
            std::int32_t src_j = j + half_w;
            if (src_j >= width) {
                src_j -= width;
            }
            const float m = magnitude(row[src_j]);
            write_pen(pen, grey_of((m * scale) * 255.0f), dst);
        }
    }
}

void ComplexGrid::draw_phase(RgbColor& pen, Canvas& canvas, int x) const {
    assert(x >= 0 && x + width <= canvas.width && panel_top + height <= canvas.height);
    const std::int32_t half_h = height / 2;
    const std::int32_t half_w = width / 2;
    for (std::int32_t i = 0; i < height; ++i) {
        std::int32_t src_i = i + half_h;
        if (src_i >= height) {
            src_i -= height;
        }
        const Complex* row = samples + std::int64_t{src_i} * width;
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, panel_top + i);
        for (std::int32_t j = 0; j < width; ++j, dst += 3) {
            std::int32_t src_j = j + half_w;
            if (src_j >= width) {
                src_j -= width;
            }
            const Complex& s = row[src_j];
            const float a = static_cast<float>(
                std::atan2(static_cast<double>(s.im), static_cast<double>(s.re)));
            // 0.15915494f is the float nearest 1/(2 pi). v runs from -127 to
            // 127 and only its low eight bits are stored, so negative angles
            // continue the grey scale from 129 up to 255 and 128 never occurs.
            write_pen(pen, grey_of((a * 0.15915494f) * 255.0f), dst);
        }
    }
}
