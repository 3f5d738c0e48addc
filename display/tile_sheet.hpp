// Tile sheets: an image cut into equal cells numbered row by row from the
// top-left. The font is a sheet of 8 x 8 cells where cell n is the glyph of
// byte n; the three test pictures are sheets of one 512 x 512 cell.
//
// The record holds its pixels itself, as plain bytes: `height` rows of
// `pitch` bytes, top row first. A sheet that is drawn from holds three bytes
// per pixel in the order blue, green, red (SDL's layout for a 24-bit BMP); a
// picture sheet one byte per pixel. Reading a sheet from a file is
// display/sheet_bmp.hpp's (through SDL); drawing needs nothing but this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "display/canvas.hpp"

// The largest width and height a sheet may have. Far above any sheet in use
// (the pictures are 512 x 512; a font with all 256 codes in one row is 2048
// wide), and low enough that a file claiming more is refused before anything
// is allocated for it: at four bytes per pixel a sheet stays under 64 MiB.
constexpr int kMaxSheetSide = 4096;

struct TileSheet {
    int cell_width = 0;
    int cell_height = 0;
    int cells_per_row = 0;
    float tint[3] = {1.0f, 1.0f, 1.0f};   // red, green, blue factors
    std::uint8_t key[3] = {255, 0, 255};  // transparent colour: red, green, blue
    std::uint8_t key_enabled = 0;         // skip pixels equal to `key` when 1

    // The image: `width` x `height` pixels in rows `pitch` bytes apart (a
    // row may be padded beyond its pixels). `pixels` holds height * pitch
    // bytes, or none for a sheet without an image.
    int width = 0;
    int height = 0;
    int pitch = 0;
    std::vector<std::uint8_t> pixels;

    // Draws cell `code` with its top-left pixel at (x, y - 1): text stands one
    // row higher than y. Pixels are clipped one by one to 0 <= dx < width and
    // 0 <= dy <= height - 2 (the last canvas row is never written). Pixels
    // equal to the key (when enabled) are skipped; others are written as
    // trunc(byte * tint) per channel, low eight bits. A code whose cell lies
    // beyond the image (three bytes a pixel within `pitch`), or a sheet
    // without cells, draws nothing.
    void draw_glyph(Canvas& canvas, int x, int y, std::uint8_t code) const;

    // Draws each byte of text[0 .. length) as a glyph, advancing cell_width.
    // No byte is special (a zero byte or a line feed is drawn as its glyph).
    void draw_text(Canvas& canvas, int x, int y, const char* text, std::size_t length) const;
    // Zero-terminated convenience form.
    void draw_text(Canvas& canvas, int x, int y, const char* text) const;
};

// Frees the sheet's pixels and resets the record to its defaults. The
// program keeps the sheets it runs with until it ends; tools and tests that
// start more than once release theirs.
void release_sheet(TileSheet& sheet);
