#include "display/panels.hpp"

#include <cassert>
#include <cmath>
#include <cstdint>

#include "display/panel_kernels.hpp"

using panel_pixels::grey_of;
using panel_pixels::magnitude;
using panel_pixels::panel_row;
using panel_pixels::PanelRow;
using panel_pixels::phase_grey;
using panel_pixels::write_grey;

namespace {

float largest_magnitude(const ComplexGrid& grid) {
    // Starting below every magnitude, and comparing with `>`, keeps NaN from
    // ever becoming the maximum.
    float max = -1.0f;
    const std::int64_t count = grid.size();
    for (std::int64_t k = 0; k < count; ++k) {
        const float m = magnitude(grid.samples[k]);
        if (m > max) {
            max = m;
        }
    }
    return max;
}

}  // namespace

void draw_magnitude_portable(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x,
                             bool shifted, float gain) {
    const float max = largest_magnitude(grid);
    const float scale = max > 0.0f ? gain / max : 1.0f;
    std::int32_t grey = 0;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const PanelRow row = panel_row(grid, i, shifted);
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, panel_pixels::kPanelTop + i);
        for (std::int32_t j = 0; j < grid.width; ++j, dst += 3) {
            const std::int32_t src_j =
                j < grid.width - row.split ? j + row.split : j - (grid.width - row.split);
            grey = grey_of((magnitude(row.source[src_j]) * scale) * 255.0f);
            write_grey(grey, dst);
        }
    }
    if (grid.size() > 0) {
        pen = {grey, grey, grey};
    }
}

void draw_phase_portable(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x) {
    std::int32_t grey = 0;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const PanelRow row = panel_row(grid, i, true);
        std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, x, panel_pixels::kPanelTop + i);
        for (std::int32_t j = 0; j < grid.width; ++j, dst += 3) {
            const std::int32_t src_j =
                j < grid.width - row.split ? j + row.split : j - (grid.width - row.split);
            grey = phase_grey(row.source[src_j]);
            write_grey(grey, dst);
        }
    }
    if (grid.size() > 0) {
        pen = {grey, grey, grey};
    }
}

void draw_magnitude(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool shifted,
                    float gain) {
    assert(x >= 0 && x + grid.width <= canvas.width &&
           panel_pixels::kPanelTop + grid.height <= canvas.height);
    draw_magnitude_lanes(grid, pen, canvas, x, shifted, gain);
}

void draw_phase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x) {
    assert(x >= 0 && x + grid.width <= canvas.width &&
           panel_pixels::kPanelTop + grid.height <= canvas.height);
    draw_phase_lanes(grid, pen, canvas, x);
}

void draw_magnitude_and_phase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                              int x_magnitude, int x_phase, float gain) {
    assert(x_magnitude >= 0 && x_magnitude + grid.width <= canvas.width && x_phase >= 0 &&
           x_phase + grid.width <= canvas.width &&
           panel_pixels::kPanelTop + grid.height <= canvas.height);
    assert(x_magnitude + grid.width <= x_phase || x_phase + grid.width <= x_magnitude);
    draw_magnitude_and_phase_lanes(grid, pen, canvas, x_magnitude, x_phase, gain);
}
