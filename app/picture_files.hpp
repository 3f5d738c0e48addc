// The renderer's picture files: the user's picture read into a picture
// test's sheet, and PNG images of the canvas and of its panels. Through
// SDL2_image; only zarvo-render uses these (the program reads its four BMP
// files and writes nothing).
#pragma once

#include <string>

#include "display/canvas.hpp"
#include "display/tile_sheet.hpp"

// The largest width and height of a user's picture.
constexpr int kMaxPictureSide = 16384;

// Reads the PNG, JPEG or BMP file at `path` (any size up to
// kMaxPictureSide a side, any colour type) into `sheet`: an 8-bit 512 x 512
// picture sheet made by grey_of_rgba and fit_to_sheet
// (inputs/grey_sheet.hpp), locked, ready for fill_from_sheet. Only a regular
// file is read (display/regular_file.hpp); the size its header claims is
// checked before it is decoded. Returns an empty string, or what was wrong
// (naming the file) with `sheet` left as it was.
std::string load_user_picture(const std::string& path, TileSheet& sheet);

// Writes the canvas, or the 512 x 512 region at (x, y) of it, as a PNG file
// at `path`: to a temporary name beside it first, renamed when complete, so
// that no half-written file is ever at `path`. Returns an empty string, or
// what went wrong (naming the file).
std::string write_canvas_png(const Canvas& canvas, const std::string& path);
std::string write_panel_png(const Canvas& canvas, int x, int y, const std::string& path);
