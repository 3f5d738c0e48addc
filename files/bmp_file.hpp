// BMP files of the two layouts the program reads: uncompressed and bottom-up
// with a BITMAPINFOHEADER at 72 dots per inch, rows padded to four bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bytes of a 24-bit BMP of the RGB image of width x height pixels whose
// rows of width * 3 bytes (red, green, blue; row 0 at the top) start
// `stride` bytes apart at `rgb`. Pixels are stored blue, green, red.
std::string encode_bmp_rgb24(const std::uint8_t* rgb, int width, int height, std::size_t stride);

// The bytes of an 8-bit BMP of `width` x `height` bytes (row 0 at the top,
// rows packed) with a 256-entry palette in which entry k is grey level k, so
// that the stored byte and the shown brightness agree.
std::string encode_bmp_grey8(const std::uint8_t* greys, int width, int height);
