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

// Coordinates are scaled so that both grids are whole numbers: a source
// column spans fitted_width units, a fitted column width units (the same for
// rows). Every fitted pixel's weights then add up to width * height.
void start_fit(SheetFit& fit, int width, int height) {
    assert(width >= 1 && height >= 1);
    const std::int64_t w = width;
    const std::int64_t h = height;
    const std::int64_t longer = std::max(w, h);
    const std::int64_t shorter = std::min(w, h);
    const std::int64_t fitted_short =
        std::max<std::int64_t>(1, (kSheetSide * shorter * 2 + longer) / (2 * longer));
    fit.width = w;
    fit.height = h;
    fit.fitted_width = w >= h ? kSheetSide : fitted_short;
    fit.fitted_height = w >= h ? fitted_short : kSheetSide;
    const std::int64_t out_w = fit.fitted_width;

    // Both grids walked together: each pair of a source and a fitted column
    // that overlap is one tap, at most w + out_w - 1 of them.
    fit.taps.clear();
    fit.taps.reserve(static_cast<std::size_t>(w + out_w));
    fit.first_tap.assign(static_cast<std::size_t>(w + 1), 0);
    std::int64_t j = 0;
    for (std::int64_t x = 0; x < w; ++x) {
        fit.first_tap[static_cast<std::size_t>(x)] = static_cast<std::int32_t>(fit.taps.size());
        while ((j + 1) * w <= x * out_w) {
            ++j;
        }
        for (std::int64_t k = j; k < out_w && k * w < (x + 1) * out_w; ++k) {
            const std::int64_t weight = overlap(k * w, (k + 1) * w, x * out_w, (x + 1) * out_w);
            if (weight > 0) {
                fit.taps.push_back(
                    {static_cast<std::int32_t>(x), static_cast<std::int32_t>(k), weight});
            }
        }
    }
    fit.first_tap[static_cast<std::size_t>(w)] = static_cast<std::int32_t>(fit.taps.size());
    fit.row.assign(static_cast<std::size_t>(out_w), 0);
    fit.sums.assign(static_cast<std::size_t>(out_w * fit.fitted_height), 0);
}

void fit_row(SheetFit& fit, int y, const std::uint8_t* greys, int count, int first, int step) {
    assert(y >= 0 && y < fit.height && step >= 1 && count >= 0);
    assert(count == 0 || first + static_cast<std::int64_t>(count - 1) * step < fit.width);
    std::fill(fit.row.begin(), fit.row.end(), 0);
    std::int64_t* row = fit.row.data();
    const SheetFit::Tap* taps = fit.taps.data();
    const std::int32_t* first_tap = fit.first_tap.data();
    if (first == 0 && step == 1) {
        for (std::int32_t t = 0; t < first_tap[count]; ++t) {
            row[taps[t].fitted] += greys[taps[t].column] * taps[t].weight;
        }
    } else {
        for (int k = 0; k < count; ++k) {
            const std::int64_t x = first + static_cast<std::int64_t>(k) * step;
            for (std::int32_t t = first_tap[x]; t < first_tap[x + 1]; ++t) {
                row[taps[t].fitted] += greys[k] * taps[t].weight;
            }
        }
    }

    // The fitted rows that source row y's span meets, weighted by the
    // shared length.
    const std::int64_t h = fit.height;
    const std::int64_t out_h = fit.fitted_height;
    const std::int64_t out_w = fit.fitted_width;
    const std::int64_t first_i = y * out_h / h;
    const std::int64_t last_i = std::min(out_h - 1, ((y + 1) * out_h - 1) / h);
    for (std::int64_t i = first_i; i <= last_i; ++i) {
        const std::int64_t weight = overlap(i * h, (i + 1) * h, y * out_h, (y + 1) * out_h);
        std::int64_t* out = fit.sums.data() + i * out_w;
        for (std::int64_t k = 0; k < out_w; ++k) {
            out[k] += row[k] * weight;
        }
    }
}

void finish_fit(const SheetFit& fit, int orientation, std::uint8_t* sheet) {
    const std::int64_t w = fit.fitted_width;
    const std::int64_t h = fit.fitted_height;
    if (orientation < 1 || orientation > 8) {
        orientation = 1;
    }
    const bool transposed = orientation >= 5;
    const std::int64_t shown_w = transposed ? h : w;
    const std::int64_t shown_h = transposed ? w : h;
    const std::int64_t x0 = (kSheetSide - shown_w) / 2;
    const std::int64_t y0 = (kSheetSide - shown_h) / 2;
    std::fill(sheet, sheet + static_cast<std::size_t>(kSheetSide) * kSheetSide, 0);
    const std::int64_t total = fit.width * fit.height;
    for (std::int64_t yd = 0; yd < shown_h; ++yd) {
        for (std::int64_t xd = 0; xd < shown_w; ++xd) {
            // The stored pixel shown at (xd, yd).
            std::int64_t xs = xd;
            std::int64_t ys = yd;
            switch (orientation) {
                case 2:
                    xs = w - 1 - xd;
                    break;
                case 3:
                    xs = w - 1 - xd;
                    ys = h - 1 - yd;
                    break;
                case 4:
                    ys = h - 1 - yd;
                    break;
                case 5:
                    xs = yd;
                    ys = xd;
                    break;
                case 6:
                    xs = yd;
                    ys = h - 1 - xd;
                    break;
                case 7:
                    xs = w - 1 - yd;
                    ys = h - 1 - xd;
                    break;
                case 8:
                    xs = w - 1 - yd;
                    ys = xd;
                    break;
                default:
                    break;
            }
            const std::int64_t sum = fit.sums[static_cast<std::size_t>(ys * w + xs)];
            sheet[static_cast<std::size_t>((y0 + yd) * kSheetSide + x0 + xd)] =
                static_cast<std::uint8_t>((2 * sum + total) / (2 * total));
        }
    }
}

std::vector<std::uint8_t> fit_to_sheet(const std::vector<std::uint8_t>& greys, int width,
                                       int height) {
    assert(greys.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    SheetFit fit;
    start_fit(fit, width, height);
    for (int y = 0; y < height; ++y) {
        fit_row(fit, y, greys.data() + static_cast<std::size_t>(y) * width, width);
    }
    std::vector<std::uint8_t> sheet(static_cast<std::size_t>(kSheetSide) * kSheetSide);
    finish_fit(fit, 1, sheet.data());
    return sheet;
}
