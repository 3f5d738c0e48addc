// The generators and the picture fill as they were first written: one sample
// at a time, every sin, atan2 and sqrt evaluated afresh.
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "plain_fft.hpp"
#include "plain_kernels.hpp"

namespace reference {

namespace {

constexpr double kPi = 3.141592653589793;

Complex& sample_at(ComplexGrid& grid, std::int32_t i, std::int32_t j) {
    return grid.samples[j + std::int64_t{i} * grid.width];
}

}  // namespace

void fill_horizontal_sine(ComplexGrid& grid) {
    const double w = grid.width;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            const float angle = static_cast<float>(static_cast<double>(j) * kPi * 2.0 / w * 16.0);
            const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
            sample_at(grid, i, j) = {s * 0.5f + 0.5f, 0.0f};
        }
    }
}

void fill_checkerboard(ComplexGrid& grid) {
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            sample_at(grid, i, j) = {static_cast<float>((i / 16 + j / 16) % 2), 0.0f};
        }
    }
}

void fill_disc(ComplexGrid& grid, float radius) {
    const std::int32_t cy = grid.height / 2;
    const std::int32_t cx = grid.width / 2;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            const std::int32_t dy = i - cy;
            const std::int32_t dx = j - cx;
            const std::int32_t d2 = dy * dy + dx * dx;
            const float dist =
                static_cast<float>(std::sqrt(static_cast<double>(static_cast<float>(d2))));
            if (radius > dist) {
                sample_at(grid, i, j) = {1.0f, 0.0f};
            }
        }
    }
}

void gen_horizontal_sine(float /*phase*/, ComplexGrid& grid) {
    fill_horizontal_sine(grid);
}

void gen_vertical_sine(float /*phase*/, ComplexGrid& grid) {
    assert(grid.width == grid.height);
    fill_horizontal_sine(grid);
    std::vector<Complex> scratch(static_cast<std::size_t>(grid.size()));
    plain_fft::transpose(grid.samples, scratch.data(), grid.width, grid.height);
}

void gen_pattern(float /*phase*/, ComplexGrid& grid) {
    fill_checkerboard(grid);
}

// Each sample asks whether its column is the line's, trunc(W * phase - 1)
// in float: a NaN, infinite or out-of-grid value names no column.
void gen_vertical_line(float phase, ComplexGrid& grid) {
    const float line = std::trunc(static_cast<float>(grid.width) * phase - 1.0f);
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            sample_at(grid, i, j) = {static_cast<float>(j) == line ? 1.0f : 0.0f, 0.0f};
        }
    }
}

// The square's top-left corner goes round a circle with the phase; a sample
// is inside when its row lies between trunc(row0) and row0 + 20 and its
// column between trunc(col0) and col0 + 20, compared in float. A NaN corner
// takes in nothing.
void gen_rotating_box(float phase, ComplexGrid& grid) {
    assert(grid.width >= 512 && grid.height >= 512);
    const float theta = static_cast<float>(static_cast<double>(phase) * kPi * 2.0);
    const float col0 =
        (static_cast<float>(std::cos(static_cast<double>(theta))) * 0.5f + 0.5f) * 491.0f;
    const float row0 =
        (static_cast<float>(std::sin(static_cast<double>(theta))) * 0.5f + 0.5f) * 491.0f;
    const auto between = [](std::int32_t k, float first) {
        const float at = static_cast<float>(k);
        return at >= std::trunc(first) && at <= first + 20.0f;
    };
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            const bool inside = between(i, row0) && between(j, col0);
            sample_at(grid, i, j) = {inside ? 1.0f : 0.0f, 0.0f};
        }
    }
}

// The radius runs 20 -> 80 -> 20 over the phase cycle (a triangle wave);
// a sample is inside when the radius exceeds its distance from the centre.
void gen_pulsating_sphere(float phase, ComplexGrid& grid) {
    const float v = phase < 0.5f ? 2.0f * phase : 1.0f - 2.0f * (phase - 0.5f);
    const float radius = v * 60.0f + 20.0f;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            const std::int32_t dy = i - grid.height / 2;
            const std::int32_t dx = j - grid.width / 2;
            const float d2 = static_cast<float>(dy * dy + dx * dx);
            const float dist = static_cast<float>(std::sqrt(static_cast<double>(d2)));
            sample_at(grid, i, j) = {radius > dist ? 1.0f : 0.0f, 0.0f};
        }
    }
}

void gen_thingie(float phase, ComplexGrid& grid) {
    const float phase_term = phase * 10.0f;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            const std::int32_t x = j - grid.width / 2;
            const std::int32_t y = i - grid.height / 2;
            const float r = static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y)));
            const float theta =
                static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
            const float a = ((theta + r) + phase_term) * 32.0f;
            const float s = static_cast<float>(std::sin(static_cast<double>(a)));
            sample_at(grid, i, j) = {(s + r * 0.001f) + 1.0f, 0.0f};
        }
    }
}

void fill_from_bytes(ComplexGrid& grid, const std::uint8_t* bytes) {
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            const std::int64_t k = j + std::int64_t{i} * grid.width;
            grid.samples[k] = {static_cast<float>(bytes[k]) / 255.0f, 0.0f};
        }
    }
}

}  // namespace reference
