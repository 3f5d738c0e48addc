// The fit of a picture into the sheet against a plain form written here:
// every sheet pixel as the area-weighted sum over every source pixel, in
// exact integers, straight from the rule. Then the ways rows may arrive
// (any order, in interlaced pieces) and the eight orientations, each
// against the picture turned by hand and fitted as stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

#include "inputs/grey_sheet.hpp"

namespace {

using Greys = std::vector<std::uint8_t>;

struct Picture {
    int width;
    int height;
    Greys greys;
};

Picture random_picture(int width, int height, std::uint32_t seed) {
    std::mt19937 random(seed);
    Picture p{width, height, Greys(static_cast<std::size_t>(width) * height)};
    for (std::uint8_t& g : p.greys) {
        g = static_cast<std::uint8_t>(random() & 0xff);
    }
    return p;
}

std::int64_t shared(std::int64_t a0, std::int64_t a1, std::int64_t b0, std::int64_t b1) {
    return std::max<std::int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

// Straight from the rule, with no table and no order: O(sheet x picture).
Greys plain_fit(const Picture& p) {
    const std::int64_t w = p.width;
    const std::int64_t h = p.height;
    const std::int64_t longer = std::max(w, h);
    const std::int64_t fitted =
        std::max<std::int64_t>(1, (2 * 512 * std::min(w, h) + longer) / (2 * longer));
    const std::int64_t out_w = w >= h ? 512 : fitted;
    const std::int64_t out_h = w >= h ? fitted : 512;
    const std::int64_t x0 = (512 - out_w) / 2;
    const std::int64_t y0 = (512 - out_h) / 2;
    Greys sheet(512 * 512, 0);
    for (std::int64_t i = 0; i < out_h; ++i) {
        for (std::int64_t j = 0; j < out_w; ++j) {
            std::int64_t sum = 0;
            for (std::int64_t y = 0; y < h; ++y) {
                const std::int64_t wy = shared(i * h, (i + 1) * h, y * out_h, (y + 1) * out_h);
                if (wy == 0) {
                    continue;
                }
                for (std::int64_t x = 0; x < w; ++x) {
                    const std::int64_t wx = shared(j * w, (j + 1) * w, x * out_w, (x + 1) * out_w);
                    sum += p.greys[static_cast<std::size_t>(y * w + x)] * wx * wy;
                }
            }
            const double mean = static_cast<double>(sum) / static_cast<double>(w * h);
            sheet[static_cast<std::size_t>((y0 + i) * 512 + x0 + j)] =
                static_cast<std::uint8_t>(mean + 0.5);
        }
    }
    return sheet;
}

// The picture as an EXIF orientation says it is to be shown.
Picture turned(const Picture& p, int orientation) {
    const bool transposed = orientation >= 5;
    const int w = p.width;
    const int h = p.height;
    Picture out{transposed ? h : w, transposed ? w : h, {}};
    out.greys.resize(p.greys.size());
    for (int yd = 0; yd < out.height; ++yd) {
        for (int xd = 0; xd < out.width; ++xd) {
            // Where the shown pixel sits in the stored picture, by the
            // tag's meaning: which stored edge becomes the top and the left.
            int xs = xd;
            int ys = yd;
            if (orientation == 2)
                xs = w - 1 - xd;
            if (orientation == 3)
                xs = w - 1 - xd, ys = h - 1 - yd;
            if (orientation == 4)
                ys = h - 1 - yd;
            if (orientation == 5)
                xs = yd, ys = xd;
            if (orientation == 6)
                xs = yd, ys = h - 1 - xd;
            if (orientation == 7)
                xs = w - 1 - yd, ys = h - 1 - xd;
            if (orientation == 8)
                xs = w - 1 - yd, ys = xd;
            out.greys[static_cast<std::size_t>(yd) * out.width + xd] =
                p.greys[static_cast<std::size_t>(ys) * w + xs];
        }
    }
    return out;
}

Greys finish(const SheetFit& fit, int orientation) {
    Greys sheet(512 * 512, 7);
    finish_fit(fit, orientation, sheet.data());
    return sheet;
}

TEST(GreyOfRgb, IsTheGreyOfAnOpaquePixel) {
    for (int r = 0; r < 256; ++r) {
        for (int g = 0; g < 256; ++g) {
            for (int b = 0; b < 256; ++b) {
                const auto [r8, g8, b8] =
                    std::tuple{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                               static_cast<std::uint8_t>(b)};
                ASSERT_EQ(grey_of_rgb(r8, g8, b8), grey_of_rgba(r8, g8, b8, 255)) << r << g << b;
            }
        }
    }
}

TEST(FitToSheet, MatchesThePlainRuleOnEveryShape) {
    // Enlarging and shrinking on either axis, one pixel, one row, a side
    // that does not divide 512 and one that 512 does not divide.
    const int shapes[][2] = {{1, 1},    {3, 2},   {2, 3},     {7, 13},    {512, 512}, {513, 3},
                             {1000, 1}, {1, 700}, {600, 599}, {1030, 40}, {5, 1025}};
    std::uint32_t seed = 1;
    for (const auto& shape : shapes) {
        const Picture p = random_picture(shape[0], shape[1], seed++);
        ASSERT_EQ(fit_to_sheet(p.greys, p.width, p.height), plain_fit(p))
            << shape[0] << " x " << shape[1];
    }
}

TEST(FitToSheet, RowsInAnyOrderAndInInterlacedPiecesGiveTheSameSheet) {
    const Picture p = random_picture(37, 23, 99);
    const Greys expected = fit_to_sheet(p.greys, p.width, p.height);

    SheetFit bottom_up;
    start_fit(bottom_up, p.width, p.height);
    for (int y = p.height - 1; y >= 0; --y) {
        fit_row(bottom_up, y, &p.greys[static_cast<std::size_t>(y) * p.width], p.width);
    }
    EXPECT_EQ(finish(bottom_up, 1), expected);

    // The seven passes of Adam7: (first column, column step, first row, row step).
    const int passes[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                              {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
    SheetFit interlaced;
    start_fit(interlaced, p.width, p.height);
    for (const auto& pass : passes) {
        for (int y = pass[2]; y < p.height; y += pass[3]) {
            Greys piece;
            for (int x = pass[0]; x < p.width; x += pass[1]) {
                piece.push_back(p.greys[static_cast<std::size_t>(y) * p.width + x]);
            }
            fit_row(interlaced, y, piece.data(), static_cast<int>(piece.size()), pass[0], pass[1]);
        }
    }
    EXPECT_EQ(finish(interlaced, 1), expected);
}

TEST(FitToSheet, EachOrientationEqualsThePictureTurnedByHand) {
    // Odd margins on both axes show a turn that centres on the wrong side.
    for (const auto& shape : {std::pair{5, 3}, std::pair{700, 301}, std::pair{3, 1}}) {
        const Picture p = random_picture(shape.first, shape.second, 5);
        SheetFit fit;
        start_fit(fit, p.width, p.height);
        for (int y = 0; y < p.height; ++y) {
            fit_row(fit, y, &p.greys[static_cast<std::size_t>(y) * p.width], p.width);
        }
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const Picture shown = turned(p, orientation);
            EXPECT_EQ(finish(fit, orientation),
                      fit_to_sheet(shown.greys, shown.width, shown.height))
                << shape.first << " x " << shape.second << ", orientation " << orientation;
        }
        // Values outside 1..8 are shown as stored.
        EXPECT_EQ(finish(fit, 0), finish(fit, 1));
        EXPECT_EQ(finish(fit, 9), finish(fit, 1));
    }
}

}  // namespace
