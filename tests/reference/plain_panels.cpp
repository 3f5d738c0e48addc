// The magnitude and phase panels as they were first written: one pixel at a
// time, the magnitude recomputed in both passes, atan2 for every pixel.
#include <cassert>
#include <cmath>
#include <cstdint>

#include "plain_kernels.hpp"

namespace reference {

namespace {

constexpr int kPanelTop = 21;

float magnitude(const Complex& s) {
    return static_cast<float>(std::sqrt(static_cast<double>(s.re * s.re + s.im * s.im)));
}

// trunc(v) as an int32: NaN gives 0, values beyond the int32 range saturate.
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

std::int32_t grey_of(float v) {
    const std::int32_t grey = trunc_to_int(v);
    return grey > 255 ? 255 : grey;
}

void write_pen(RgbColor& pen, std::int32_t grey, std::uint8_t* p) {
    pen = {grey, grey, grey};
    p[0] = static_cast<std::uint8_t>(pen.r);
    p[1] = static_cast<std::uint8_t>(pen.g);
    p[2] = static_cast<std::uint8_t>(pen.b);
}

}  // namespace

void draw_magnitude(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool shifted,
                    float gain) {
    const std::int32_t width = grid.width;
    const std::int32_t height = grid.height;
    assert(x >= 0 && x + width <= canvas.width && kPanelTop + height <= canvas.height);
    float max = -1.0f;
    const std::int64_t count = grid.size();
    for (std::int64_t k = 0; k < count; ++k) {
        const float m = magnitude(grid.samples[k]);
        if (m > max) {
            max = m;
        }
    }
    const float scale = max > 0.0f ? gain / max : 1.0f;

    const std::int32_t half_h = shifted ? height / 2 : 0;
    const std::int32_t half_w = shifted ? width / 2 : 0;
    for (std::int32_t i = 0; i < height; ++i) {
        std::int32_t src_i = i + half_h;
        if (src_i >= height) {
            src_i -= height;
        }
        const Complex* row = grid.samples + std::int64_t{src_i} * width;
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, kPanelTop + i);
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

void draw_phase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x) {
    const std::int32_t width = grid.width;
    const std::int32_t height = grid.height;
    assert(x >= 0 && x + width <= canvas.width && kPanelTop + height <= canvas.height);
    const std::int32_t half_h = height / 2;
    const std::int32_t half_w = width / 2;
    for (std::int32_t i = 0; i < height; ++i) {
        std::int32_t src_i = i + half_h;
        if (src_i >= height) {
            src_i -= height;
        }
        const Complex* row = grid.samples + std::int64_t{src_i} * width;
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, kPanelTop + i);
        for (std::int32_t j = 0; j < width; ++j, dst += 3) {
            std::int32_t src_j = j + half_w;
            if (src_j >= width) {
                src_j -= width;
            }
            const Complex& s = row[src_j];
            const float a = static_cast<float>(
                std::atan2(static_cast<double>(s.im), static_cast<double>(s.re)));
            write_pen(pen, grey_of((a * 0.15915494f) * 255.0f), dst);
        }
    }
}

}  // namespace reference
