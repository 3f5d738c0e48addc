#include "inputs/grey_sheet.hpp"

#include <algorithm>
#include <cassert>
#include <cstddef>

std::uint8_t grey_of_rgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const int luma = (299 * r + 587 * g + 114 * b + 500) / 1000;
    return static_cast<std::uint8_t>((luma * a + 127) / 255);
}

namespace {

// The length that [a0, a1) and [b0, b1) share.
std::int64_t overlap(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
    return std::max<std::int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

}  // namespace

std::vector<std::uint8_t> fit_to_sheet(const std::vector<std::uint8_t>& greys, int width,
                                       int height) {
    assert(width >= 1 && height >= 1);
    assert(greys.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const std::int64_t w = width;
    const std::int64_t h = height;
    const std::int64_t longer = std::max(w, h);
    const std::int64_t shorter = std::min(w, h);
    const std::int64_t fitted_short =
        std::max<std::int64_t>(1, (kSheetSide * shorter * 2 + longer) / (2 * longer));
    const std::int64_t out_w = w >= h ? kSheetSide : fitted_short;
    const std::int64_t out_h = w >= h ? fitted_short : kSheetSide;
    const std::int64_t x0 = (kSheetSide - out_w) / 2;
    const std::int64_t y0 = (kSheetSide - out_h) / 2;

    // Coordinates are scaled so that both grids are whole numbers: a source
    // column spans out_w units, an output column w units (the same for
    // rows). Row by row, each source row's horizontal sums go to the one or
    // two output rows its span meets, weighted by the shared length.
    std::vector<std::int64_t> sums(static_cast<std::size_t>(out_w * out_h), 0);
    std::vector<std::int64_t> row(static_cast<std::size_t>(out_w));
    for (std::int64_t y = 0; y < h; ++y) {
        const std::uint8_t* source = greys.data() + y * w;
        for (std::int64_t j = 0; j < out_w; ++j) {
            std::int64_t sum = 0;
            const std::int64_t first = j * w / out_w;
            const std::int64_t last = std::min(w - 1, ((j + 1) * w - 1) / out_w);
            for (std::int64_t x = first; x <= last; ++x) {
                sum += source[x] * overlap(j * w, (j + 1) * w, x * out_w, (x + 1) * out_w);
            }
            row[static_cast<std::size_t>(j)] = sum;
        }
        const std::int64_t first_i = y * out_h / h;
        const std::int64_t last_i = std::min(out_h - 1, ((y + 1) * out_h - 1) / h);
        for (std::int64_t i = first_i; i <= last_i; ++i) {
            const std::int64_t weight = overlap(i * h, (i + 1) * h, y * out_h, (y + 1) * out_h);
            std::int64_t* out = sums.data() + i * out_w;
            for (std::int64_t j = 0; j < out_w; ++j) {
                out[j] += row[static_cast<std::size_t>(j)] * weight;
            }
        }
    }

    // Every output pixel's weights add up to w * h.
    std::vector<std::uint8_t> sheet(static_cast<std::size_t>(kSheetSide) * kSheetSide, 0);
    const std::int64_t total = w * h;
    for (std::int64_t i = 0; i < out_h; ++i) {
        for (std::int64_t j = 0; j < out_w; ++j) {
            const std::int64_t sum = sums[static_cast<std::size_t>(i * out_w + j)];
            sheet[static_cast<std::size_t>((y0 + i) * kSheetSide + x0 + j)] =
                static_cast<std::uint8_t>((2 * sum + total) / (2 * total));
        }
    }
    return sheet;
}
