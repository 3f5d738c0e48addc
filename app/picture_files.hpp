// The renderer's picture files: the user's picture put into a picture
// test's sheet, and the canvas and its panels encoded as image files.
// Only zarvo-render uses these (the program reads its four BMP files and
// writes nothing).
#pragma once

#include <string>

#include "display/canvas.hpp"
#include "display/tile_sheet.hpp"

// Reads the PNG, JPEG or BMP file at `path` (files/user_picture.hpp) into
// `sheet`: an 8-bit 512 x 512 picture sheet, locked, ready for
// fill_from_sheet. Returns an empty string, or what was wrong (naming the
// file) with `sheet` left as it was.
std::string load_user_picture(const std::string& path, TileSheet& sheet);

// The canvas, or the 512 x 512 panel at (x, y) of it, as the bytes of a
// PNG file. Returns an empty string, or what went wrong (naming `path`,
// where the bytes are to go).
std::string encode_canvas_png(const Canvas& canvas, const std::string& path, std::string& png);
std::string encode_panel_png(const Canvas& canvas, int x, int y, const std::string& path,
                             std::string& png);
