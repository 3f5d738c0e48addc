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

// Greys of `width` x `height` pixels (row-major, top row first), fitted into
// the sheet: scaled with the aspect kept until the longer side is 512 (the
// shorter one becomes 512 * short / long, rounded half up, at least 1) and
// centred on black (the margin before it is the smaller half of the rest).
// Each sheet pixel is the mean of the picture over its footprint, each
// source pixel weighted by the area it shares with the footprint (a box
// filter), rounded half up: shrinking averages, enlarging repeats pixels
// with a blended seam. Precondition: width and height at least 1.
std::vector<std::uint8_t> fit_to_sheet(const std::vector<std::uint8_t>& greys, int width,
                                       int height);
