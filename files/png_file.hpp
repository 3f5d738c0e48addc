// PNG files written through libpng, for the renderer's images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// `png` becomes the PNG file (8-bit RGB, not interlaced) of the image of
// width x height pixels whose rows of width * 3 bytes (red, green, blue)
// start `stride` bytes apart at `rgb`. Returns an empty string, or libpng's
// reason.
std::string encode_png(const std::uint8_t* rgb, int width, int height, std::size_t stride,
                       std::string& png);
