// A picture of any size and colour turned into the 512 x 512 sheet of 8-bit
// greys that the picture tests read (byte k = row k div 512, column k mod
// 512). Plain integer arithmetic: the same picture gives the same bytes on
// every machine.
#pragma once

#include <cstdint>
#include <vector>

constexpr int kSheetSide = 512;

// The grey of one pixel: the luma of the portrait's asset tool,
// Y = (299 R + 587 G + 114 B + 500) / 1000 (Rec. 601 weights, rounded half
// up), composited over black by its alpha, (Y A + 127) / 255 (rounded to
// nearest; Y A / 255 never ends in a half).
std::uint8_t grey_of_rgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);

// The same for an opaque pixel (alpha 255), which over black is its luma.
inline std::uint8_t grey_of_rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<std::uint8_t>((299 * r + 587 * g + 114 * b + 500) / 1000);
}

// The fit of a picture into the sheet, fed a row at a time so that a picture
// of any size costs no more memory than the sheet's sums (2 MiB) and one
// table per axis.
//
// The picture is scaled with the aspect kept until the longer side is 512
// (the shorter one becomes 512 * short / long, rounded half up, at least 1)
// and centred on black (the margin before it is the smaller half of the
// rest). Each sheet pixel is the mean of the picture over its footprint,
// each source pixel weighted by the area it shares with the footprint (a box
// filter), rounded half up: shrinking averages, enlarging repeats pixels
// with a blended seam.
//
// The sums are linear in the pixels, so rows (and pixels of a row) may come
// in any order: bottom-up BMP rows and the sub-images of an interlaced PNG
// go in as they are decoded. Every pixel must come exactly once.
struct SheetFit {
    // One nonzero weight of the horizontal box filter: source column
    // `column` gives `weight` to fitted column `fitted` (scaled units).
    struct Tap {
        std::int32_t column;
        std::int32_t fitted;
        std::int64_t weight;
    };
    std::int64_t width = 0;  // the picture, as stored
    std::int64_t height = 0;
    std::int64_t fitted_width = 0;  // the fitted block, in the same orientation
    std::int64_t fitted_height = 0;
    std::vector<Tap> taps;                // ordered by column
    std::vector<std::int32_t> first_tap;  // column x has taps [first_tap[x], first_tap[x + 1])
    std::vector<std::int64_t> row;        // one source row's horizontal sums
    std::vector<std::int64_t> sums;       // fitted_height x fitted_width
};

// Sets `fit` up for a picture of width x height pixels, as stored (before
// any orientation). Precondition: both at least 1 and at most 2^24.
void start_fit(SheetFit& fit, int width, int height);

// Adds `count` greys of stored row y, at columns first, first + step,
// first + 2 step, ... Preconditions: 0 <= y < height, step >= 1, and every
// column named lies in the picture.
void fit_row(SheetFit& fit, int y, const std::uint8_t* greys, int count, int first = 0,
             int step = 1);

// The sheet (kSheetSide x kSheetSide bytes at `sheet`): the fitted block
// turned to its display orientation and centred on black. `orientation` is
// an EXIF orientation: 1 as stored, 2 mirrored left to right, 3 turned 180
// degrees, 4 mirrored top to bottom, 5 transposed (stored rows become
// columns), 6 turned 90 degrees clockwise, 7 transposed across the other
// diagonal, 8 turned 90 degrees anticlockwise; any other value counts as 1.
// The box filter commutes with these turns, so the bytes equal those of the
// turned picture fitted as stored.
void finish_fit(const SheetFit& fit, int orientation, std::uint8_t* sheet);

// The whole picture at once: greys of `width` x `height` pixels
// (row-major, top row first) through start_fit, fit_row and finish_fit with
// orientation 1. Precondition: width and height at least 1.
std::vector<std::uint8_t> fit_to_sheet(const std::vector<std::uint8_t>& greys, int width,
                                       int height);
