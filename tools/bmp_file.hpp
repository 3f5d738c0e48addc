// The two BMP layouts the program loads, written by the asset tool: 8-bit
// palette pictures and 24-bit font sheets (files/bmp_file.hpp encodes them;
// each file is written whole or not at all).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarvo_tools {

// One byte per pixel, row-major, row 0 at the top.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Three bytes per pixel in the order red, green, blue, row-major, row 0 at
// the top.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Writes an uncompressed 8-bit BMP (BI_RGB) with a 256-entry palette in
// which entry k is grey level k, so that the stored byte and the shown
// brightness agree. Rows are stored bottom-up with a positive height, the
// layout every reader flips back to top row first. Returns false (with a
// message on stderr naming the file) when the file cannot be written.
bool write_bmp_grey8(const std::string& path, const GreyImage& image);

// Writes an uncompressed 24-bit BMP (BI_RGB); each pixel is stored as blue,
// green, red. Rows are stored bottom-up with a positive height. Returns false
// (with a message on stderr naming the file) when the file cannot be written.
bool write_bmp_rgb24(const std::string& path, const RgbImage& image);

}  // namespace zarvo_tools
