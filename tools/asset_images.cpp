#include "tools/asset_images.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "tools/font_glyphs.hpp"

namespace zarvo_tools {
namespace {

GreyImage blank_picture() {
    GreyImage image;
    image.width = kPictureSize;
    image.height = kPictureSize;
    image.pixels.assign(static_cast<std::size_t>(kPictureSize) * kPictureSize, 0);
    return image;
}

std::uint8_t& at(GreyImage& image, int row, int column) {
    return image.pixels[static_cast<std::size_t>(row) * image.width + column];
}

std::uint8_t clamp_byte(int value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// The luma of a colour whose channels are each 0 or `level`, with the same
// weights and rounding as grey_from_rgb.
int luma(int red, int green, int blue) {
    return (299 * red + 587 * green + 114 * blue + 500) / 1000;
}

// xorshift32: a fixed, portable sequence, unlike the library's distributions,
// whose outputs differ between standard library implementations.
struct NoiseSource {
    std::uint32_t state;

    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // A value in [low, high].
    int between(int low, int high) {
        return low + static_cast<int>(next() % static_cast<std::uint32_t>(high - low + 1));
    }
};

// Rounds a computed level to the nearest integer, refusing values so close to
// a rounding boundary that another C library's sine could round them the
// other way: the output must not depend on the platform.
int round_level(double value) {
    const double fraction = value - std::floor(value);
    if (std::fabs(fraction - 0.5) < 1e-6) {
        std::fprintf(stderr, "level %.9f lies on a rounding boundary\n", value);
        std::abort();
    }
    return static_cast<int>(std::floor(value + 0.5));
}

// Section rows of the video frame.
constexpr int kBarsEnd = 300;
constexpr int kCastellationEnd = 340;
constexpr int kBurstEnd = 420;
constexpr int kRampEnd = 476;
constexpr int kNoiseBandTop = 392;
constexpr int kNoiseBandRows = 32;

// 75 % bars, the usual test-card amplitude, so that white is not clipped.
constexpr int kBarLevel = 191;

void draw_bars(GreyImage& image) {
    // White, yellow, cyan, green, magenta, red, blue.
    const int rgb[7][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0},
                           {1, 0, 1}, {1, 0, 0}, {0, 0, 1}};
    // Below the bars, the reverse castellations: blue, black, magenta, black,
    // cyan, black, white.
    const int reverse[7][3] = {{0, 0, 1}, {0, 0, 0}, {1, 0, 1}, {0, 0, 0},
                               {0, 1, 1}, {0, 0, 0}, {1, 1, 1}};
    for (int column = 0; column < kPictureSize; ++column) {
        const int bar = column * 7 / kPictureSize;
        const int* top = rgb[bar];
        const int* low = reverse[bar];
        const int top_level = luma(top[0] * kBarLevel, top[1] * kBarLevel, top[2] * kBarLevel);
        const int low_level = luma(low[0] * kBarLevel, low[1] * kBarLevel, low[2] * kBarLevel);
        for (int row = 0; row < kBarsEnd; ++row) {
            at(image, row, column) = static_cast<std::uint8_t>(top_level);
        }
        for (int row = kBarsEnd; row < kCastellationEnd; ++row) {
            at(image, row, column) = static_cast<std::uint8_t>(low_level);
        }
    }
}

// A white reference flag, then six packets of vertical sine gratings whose
// periods (in pixels) halve and shrink towards the sampling limit; each puts
// its own pair of peaks on the horizontal axis of the spectrum.
void draw_multiburst(GreyImage& image) {
    const double pi = 3.141592653589793;
    const int periods[6] = {32, 16, 8, 6, 4, 3};
    for (int column = 0; column < kPictureSize; ++column) {
        int level = 0;
        if (column < 40) {
            level = kBarLevel;
        } else if (column >= 72) {
            const int packet = (column - 72) / 72;
            const int offset = (column - 72) % 72;
            if (packet < 6 && offset < 64) {
                const double angle = 2.0 * pi * offset / periods[packet];
                level = round_level(96.0 + 95.0 * std::sin(angle));
            }
        }
        for (int row = kCastellationEnd; row < kBurstEnd; ++row) {
            at(image, row, column) = static_cast<std::uint8_t>(level);
        }
    }
}

void draw_ramp(GreyImage& image) {
    for (int column = 0; column < kPictureSize; ++column) {
        for (int row = kBurstEnd; row < kRampEnd; ++row) {
            at(image, row, column) = static_cast<std::uint8_t>(column / 2);
        }
    }
}

// The on-screen display of a video recorder, in the font's glyphs at twice
// their size.
void draw_display_text(GreyImage& image, const char* text, int left, int top) {
    constexpr int kScale = 2;
    for (int index = 0; text[index] != '\0'; ++index) {
        const int code = static_cast<unsigned char>(text[index]);
        for (int row = 0; row < kGlyphSize * kScale; ++row) {
            for (int column = 0; column < kGlyphSize * kScale; ++column) {
                const int x = left + index * kGlyphSize * kScale + column;
                const int y = top + row;
                if (x < kPictureSize && y < kPictureSize &&
                    glyph_pixel(code, row / kScale, column / kScale)) {
                    at(image, y, x) = 235;
                }
            }
        }
    }
}

// Mistracking: a strip of rows pulled sideways by a bow-shaped amount (the
// tape's skew), covered with short bright streaks and grain.
void draw_tracking_noise(GreyImage& image) {
    NoiseSource noise{0x2545F491u};
    std::uint8_t clean[kPictureSize];
    for (int band_row = 0; band_row < kNoiseBandRows; ++band_row) {
        const int row = kNoiseBandTop + band_row;
        for (int column = 0; column < kPictureSize; ++column) {
            clean[column] = at(image, row, column);
        }
        const int last = kNoiseBandRows - 1;
        const int shift = 48 * band_row * (last - band_row) / (last * last) + noise.between(0, 2);
        for (int column = 0; column < kPictureSize; ++column) {
            const int source = column - shift;
            const int level = source >= 0 ? clean[source] : 0;
            at(image, row, column) = clamp_byte(level + noise.between(-24, 24));
        }
        const int streaks = noise.between(0, 3);
        for (int streak = 0; streak < streaks; ++streak) {
            const int start = noise.between(0, kPictureSize - 1);
            const int length = noise.between(6, 60);
            const int level = noise.between(200, 255);
            for (int column = start; column < start + length && column < kPictureSize; ++column) {
                at(image, row, column) = static_cast<std::uint8_t>(level);
            }
        }
    }
}

// Interlaced scan lines: every odd row at three quarters of its level.
void draw_scan_lines(GreyImage& image) {
    for (int row = 1; row < kPictureSize; row += 2) {
        for (int column = 0; column < kPictureSize; ++column) {
            at(image, row, column) = static_cast<std::uint8_t>(at(image, row, column) * 3 / 4);
        }
    }
}

}  // namespace

GreyImage grey_from_rgb(const RgbImage& photo) {
    GreyImage grey;
    grey.width = photo.width;
    grey.height = photo.height;
    const std::size_t count = static_cast<std::size_t>(photo.width) * photo.height;
    grey.pixels.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint8_t* rgb = &photo.pixels[3 * k];
        grey.pixels[k] = static_cast<std::uint8_t>(luma(rgb[0], rgb[1], rgb[2]));
    }
    return grey;
}

GreyImage make_vhs_frame() {
    GreyImage image = blank_picture();
    draw_bars(image);
    draw_multiburst(image);
    draw_ramp(image);
    draw_display_text(image, "> PLAY  SP  0:12:34", 24, 486);
    draw_tracking_noise(image);
    draw_scan_lines(image);
    return image;
}

GreyImage make_sierpinski_triangle() {
    // The triangle maps onto the unit right triangle {a, b >= 0, a + b <= 1}
    // with a along the base (left to right) and b from the base to the apex.
    // A point lies in the depth-n figure when the first n binary digits of a
    // and b never both hold a 1 (the Pascal-triangle-mod-2 rule) and, within
    // its smallest cell, it lies below that cell's diagonal. All in integers:
    // positions are counted in units of 1/16 pixel so that the 8 x 8 sample
    // points of a pixel sit at odd multiples, and a, b share one denominator.
    constexpr int kDepth = 6;
    constexpr int kSamples = 8;
    constexpr std::int64_t kUnit = 2 * kSamples;
    constexpr std::int64_t kLeft = 16, kBaseRow = 464, kHalfBase = 240, kHeight = 416;
    constexpr std::int64_t kDenominator = 2 * kHalfBase * kHeight * kUnit;
    constexpr std::int64_t kCells = std::int64_t{1} << kDepth;

    GreyImage image = blank_picture();
    for (int row = 0; row < kPictureSize; ++row) {
        for (int column = 0; column < kPictureSize; ++column) {
            int covered = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const std::int64_t u = kUnit * column + 2 * sx + 1 - kLeft * kUnit;
                    const std::int64_t v = kBaseRow * kUnit - (kUnit * row + 2 * sy + 1);
                    // a = (H u - (B/2) v) / D, b = (B v) / D with D = B H unit.
                    const std::int64_t scaled_a = (kHeight * u - kHalfBase * v) * kCells;
                    const std::int64_t scaled_b = 2 * kHalfBase * v * kCells;
                    if (scaled_a < 0 || scaled_b < 0) {
                        continue;
                    }
                    const std::int64_t cell_a = scaled_a / kDenominator;
                    const std::int64_t cell_b = scaled_b / kDenominator;
                    const std::int64_t rest = scaled_a % kDenominator + scaled_b % kDenominator;
                    if (cell_a < kCells && cell_b < kCells && (cell_a & cell_b) == 0 &&
                        rest < kDenominator) {
                        ++covered;
                    }
                }
            }
            constexpr int kCount = kSamples * kSamples;
            at(image, row, column) =
                static_cast<std::uint8_t>((covered * 255 + kCount / 2) / kCount);
        }
    }
    return image;
}

RgbImage make_font_sheet() {
    constexpr int kCellsPerRow = 16;
    constexpr int kCellRows = 8;  // codes 0..127
    RgbImage sheet;
    sheet.width = kCellsPerRow * kGlyphSize;
    sheet.height = kCellRows * kGlyphSize;
    sheet.pixels.assign(static_cast<std::size_t>(sheet.width) * sheet.height * 3, 0);
    for (int code = 0; code < kCellsPerRow * kCellRows; ++code) {
        const int left = (code % kCellsPerRow) * kGlyphSize;
        const int top = (code / kCellsPerRow) * kGlyphSize;
        for (int row = 0; row < kGlyphSize; ++row) {
            for (int column = 0; column < kGlyphSize; ++column) {
                if (glyph_pixel(code, row, column)) {
                    const std::size_t k =
                        3 * (static_cast<std::size_t>(top + row) * sheet.width + left + column);
                    sheet.pixels[k] = sheet.pixels[k + 1] = sheet.pixels[k + 2] = 255;
                }
            }
        }
    }
    return sheet;
}

}  // namespace zarvo_tools
