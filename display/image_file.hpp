// Writing and reading canvases as image files (binary PPM, 24-bit BMP), for
// the headless renderer and the tests. Errors come back as a message; nothing
// is written past a buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/canvas.hpp"

// The format an output file's name asks for, by its ending: ".ppm", ".bmp"
// or ".png" (written by zarvo-render through SDL2_image).
enum class ImageFormat { kPpm, kBmp, kPng, kUnknown };
ImageFormat image_format_of(const std::string& path);

// Writes the canvas to `path`: binary PPM (P6) when the name ends in ".ppm",
// 24-bit bottom-up BMP when it ends in ".bmp", through write_file_whole.
// Returns an empty string on success, else what went wrong (naming the
// file).
std::string write_canvas_image(const Canvas& canvas, const std::string& path);

// Writes `data` as the file `path`: into a new file with a temporary name
// in the same folder, renamed to `path` once complete, so that `path` never
// holds half a file (and an earlier file there stays whole until then). On
// failure the temporary file is removed and the message names `path`.
std::string write_file_whole(const std::string& path, const std::string& data);

// An RGB image in the canvas's byte layout (rows packed, top row first).
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Reads a binary PPM with maxval 255, skipping '#' comments in the header.
// Returns an empty string on success, else what went wrong.
std::string read_ppm(const std::string& path, RgbImage& image);
