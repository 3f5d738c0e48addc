#include "inputs/patterns.hpp"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "inputs/pattern_kernels.hpp"

namespace {

constexpr double kPi = 3.141592653589793;

Complex& sample_at(ComplexGrid& grid, std::int32_t i, std::int32_t j) {
    return grid.samples[j + std::int64_t{i} * grid.width];
}

Complex* row_at(ComplexGrid& grid, std::int32_t i) {
    return grid.samples + std::int64_t{i} * grid.width;
}

// Copies row `from` over row `to`.
void copy_row(ComplexGrid& grid, std::int32_t to, std::int32_t from) {
    std::memcpy(row_at(grid, to), row_at(grid, from),
                static_cast<std::size_t>(grid.width) * sizeof(Complex));
}

// A row of one value, doubled by copies of what is already written: the
// library's copy stores whole vectors, where a loop of eight-byte samples
// stores one at a time.
void fill_row(Complex* row, std::int32_t width, Complex value) {
    if (width <= 0) {
        return;
    }
    row[0] = value;
    for (std::int32_t done = 1; done < width;) {
        const std::int32_t n = std::min(done, width - done);
        std::memcpy(row + done, row, static_cast<std::size_t>(n) * sizeof(Complex));
        done += n;
    }
}

// The horizontal sine's value in column j of a grid w wide. The angle is
// formed in double, left to right, and only then rounded; sin then runs in
// double on that float.
float horizontal_sine(std::int32_t j, double w) {
    const float angle = static_cast<float>(static_cast<double>(j) * kPi * 2.0 / w * 16.0);
    const float s = static_cast<float>(std::sin(static_cast<double>(angle)));
    return s * 0.5f + 0.5f;
}

// Whether the sample at offsets (dy, dx) from the centre lies inside the
// disc. The squared distance passes through float before the square root;
// strictly greater, so a sample exactly on the radius stays outside.
bool inside_disc(std::int32_t dy, std::int32_t dx, float radius) {
    const std::int32_t d2 = dy * dy + dx * dx;
    const float dist = static_cast<float>(std::sqrt(static_cast<double>(static_cast<float>(d2))));
    return radius > dist;
}

}  // namespace

// The value depends on the column only: one row is computed, the others
// are copies of it.
void fill_horizontal_sine(ComplexGrid& grid) {
    if (grid.height == 0) {
        return;
    }
    const double w = grid.width;
    Complex* first = row_at(grid, 0);
    for (std::int32_t j = 0; j < grid.width; ++j) {
        first[j] = {horizontal_sine(j, w), 0.0f};
    }
    for (std::int32_t i = 1; i < grid.height; ++i) {
        copy_row(grid, i, 0);
    }
}

// Rows 32 apart are equal: the first 32 are computed, the rest copied.
void fill_checkerboard(ComplexGrid& grid) {
    for (std::int32_t i = 0; i < grid.height; ++i) {
        if (i >= 32) {
            copy_row(grid, i, i - 32);
            continue;
        }
        for (std::int32_t j = 0; j < grid.width; ++j) {
            sample_at(grid, i, j) = {static_cast<float>((i / 16 + j / 16) % 2), 0.0f};
        }
    }
}

// Row by row: the distance grows with |dx| (d2 strictly, and the float
// conversion, the root and the rounding keep its order), so the samples of
// a row inside the disc are exactly those with |dx| <= reach, where reach is
// found by walking out from the centre column with the same test.
void fill_disc(ComplexGrid& grid, float radius) {
    const std::int32_t cy = grid.height / 2;
    const std::int32_t cx = grid.width / 2;
    const std::int32_t widest = cx > grid.width - 1 - cx ? cx : grid.width - 1 - cx;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        const std::int32_t dy = i - cy;
        std::int32_t reach = -1;
        while (reach < widest && inside_disc(dy, reach + 1, radius)) {
            ++reach;
        }
        if (reach < 0) {
            continue;
        }
        const std::int32_t from = cx - reach < 0 ? 0 : cx - reach;
        const std::int32_t to = cx + reach > grid.width - 1 ? grid.width - 1 : cx + reach;
        for (std::int32_t j = from; j <= to; ++j) {
            sample_at(grid, i, j) = {1.0f, 0.0f};
        }
    }
}

void gen_horizontal_sine(float /*phase*/, ComplexGrid& grid) {
    fill_horizontal_sine(grid);
}

// The horizontal pattern transposed: sample (i, j) holds the horizontal
// value of column i, so each row is one value, written straight in place of
// filling and transposing.
void gen_vertical_sine(float /*phase*/, ComplexGrid& grid) {
    assert(grid.width == grid.height);
    const double w = grid.width;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        fill_row(row_at(grid, i), grid.width, {horizontal_sine(i, w), 0.0f});
    }
}

void gen_pattern(float /*phase*/, ComplexGrid& grid) {
    fill_checkerboard(grid);
}

void gen_vertical_line(float phase, ComplexGrid& grid) {
    grid.clear();
    const float column = static_cast<float>(grid.width) * phase - 1.0f;
    // trunc(column) lies in 0 .. width - 1 exactly when -1 < column < width;
    // phase 0 gives -1 and draws nothing. Testing the float first also keeps
    // NaN and huge values away from the integer conversion.
    if (!(column > -1.0f && column < static_cast<float>(grid.width))) {
        return;
    }
    const auto c = static_cast<std::int32_t>(column);
    for (std::int32_t i = 0; i < grid.height; ++i) {
        sample_at(grid, i, c).re = 1.0f;
    }
}

void gen_rotating_box(float phase, ComplexGrid& grid) {
    assert(grid.width >= 512 && grid.height >= 512);
    const float theta = static_cast<float>(static_cast<double>(phase) * kPi * 2.0);
    const float cos_theta = static_cast<float>(std::cos(static_cast<double>(theta)));
    const float sin_theta = static_cast<float>(std::sin(static_cast<double>(theta)));
    // 491 = 512 - 21: the square's top-left corner runs over 0 .. 491.
    const float col0 = (cos_theta * 0.5f + 0.5f) * 491.0f;
    const float row0 = (sin_theta * 0.5f + 0.5f) * 491.0f;
    grid.clear();
    // A NaN or infinite phase gives a NaN corner; leave the grid cleared
    // rather than convert NaN to an integer.
    if (std::isnan(col0) || std::isnan(row0)) {
        return;
    }
    const float row_end = row0 + 20.0f;
    const float col_end = col0 + 20.0f;
    for (auto i = static_cast<std::int32_t>(row0); static_cast<float>(i) <= row_end; ++i) {
        for (auto j = static_cast<std::int32_t>(col0); static_cast<float>(j) <= col_end; ++j) {
            sample_at(grid, i, j) = {1.0f, 0.0f};
        }
    }
}

void gen_pulsating_sphere(float phase, ComplexGrid& grid) {
    float v;
    if (0.5f > phase) {
        v = phase + phase;
    } else {
        const float t = phase - 0.5f;
        v = 1.0f - (t + t);
    }
    const float radius = v * 60.0f + 20.0f;
    grid.clear();
    fill_disc(grid, radius);
}

ThingieTables thingie_tables;

namespace {

// r and theta of sample (i, j) round the centre (H div 2, W div 2). The
// integer sum goes straight to double (no float step here, unlike
// fill_disc).
struct Polar {
    float r;
    float theta;
};

Polar polar_of(std::int32_t i, std::int32_t j, std::int32_t width, std::int32_t height) {
    const std::int32_t x = j - width / 2;
    const std::int32_t y = i - height / 2;
    return {static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y))),
            static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)))};
}

}  // namespace

ThingieTables make_thingie_tables(std::int32_t width, std::int32_t height) {
    ThingieTables tables;
    tables.width = width;
    tables.height = height;
    const auto count = static_cast<std::size_t>(std::int64_t{width} * height);
    tables.base.resize(count);
    tables.radial.resize(count);
    std::size_t k = 0;
    for (std::int32_t i = 0; i < height; ++i) {
        for (std::int32_t j = 0; j < width; ++j, ++k) {
            const Polar p = polar_of(i, j, width, height);
            // The first sum of ((theta + r) + phase * 10) * 32 is rounded
            // before the phase enters, so it is the same on every frame.
            tables.base[k] = p.theta + p.r;
            tables.radial[k] = p.r * 0.001f;
        }
    }
    return tables;
}

void gen_thingie_portable(float phase, ComplexGrid& grid, const ThingieTables& tables) {
    assert(tables.width == grid.width && tables.height == grid.height);
    const float phase_term = phase * 10.0f;
    const std::int64_t count = grid.size();
    for (std::int64_t k = 0; k < count; ++k) {
        // The tables are vectors: index them by size_t, which may be 32 bits.
        const auto at = static_cast<std::size_t>(k);
        const float a = (tables.base[at] + phase_term) * 32.0f;
        const float s = static_cast<float>(std::sin(static_cast<double>(a)));
        grid.samples[k] = {(s + tables.radial[at]) + 1.0f, 0.0f};
    }
}

void gen_thingie(float phase, ComplexGrid& grid) {
    if (thingie_tables.width == grid.width && thingie_tables.height == grid.height) {
        gen_thingie_lanes(phase, grid, thingie_tables);
        return;
    }
    // Not prepared for this size: every sample from scratch, the same values.
    const float phase_term = phase * 10.0f;
    for (std::int32_t i = 0; i < grid.height; ++i) {
        for (std::int32_t j = 0; j < grid.width; ++j) {
            const Polar p = polar_of(i, j, grid.width, grid.height);
            const float a = ((p.theta + p.r) + phase_term) * 32.0f;
            const float s = static_cast<float>(std::sin(static_cast<double>(a)));
            sample_at(grid, i, j) = {(s + p.r * 0.001f) + 1.0f, 0.0f};
        }
    }
}

void prepare_patterns(std::int32_t width, std::int32_t height) {
    thingie_tables = make_thingie_tables(width, height);
}

void release_patterns() {
    thingie_tables = ThingieTables{};
}
