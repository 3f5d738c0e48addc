// Writing and reading canvases as image files (binary PPM, 24-bit BMP), for
// the headless renderer and the tests. Errors come back as a message; nothing
// is written past a buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/canvas.hpp"

// The format an output file's name asks for, by its ending, in any case:
// ".ppm", ".bmp" or ".png" (written by zarvo-render through libpng).
enum class ImageFormat { kPpm, kBmp, kPng, kUnknown };
ImageFormat image_format_of(const std::string& path);

// The canvas as the bytes of a binary PPM (P6) or of a 24-bit bottom-up BMP
// file; empty for any other format.
std::string encode_canvas_image(const Canvas& canvas, ImageFormat format);

// Writes the canvas to `path` in the format its name asks for (PPM or BMP),
// all or nothing (files/output_files.hpp). Returns an empty string on
// success, else what went wrong (naming the file).
std::string write_canvas_image(const Canvas& canvas, const std::string& path);

// An RGB image in the canvas's byte layout (rows packed, top row first).
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Reads a binary PPM with maxval 255, skipping '#' comments in the header.
// Returns an empty string on success, else what went wrong.
std::string read_ppm(const std::string& path, RgbImage& image);
