// Tile sheets: a BMP image cut into equal cells numbered row by row from the
// top-left. The font is a sheet of 8 x 8 cells where cell n is the glyph of
// byte n; the three test pictures are sheets of one 512 x 512 cell.
//
// A sheet that is drawn from holds three bytes per pixel in the order blue,
// green, red (SDL's layout for a 24-bit BMP), top row first, rows `pitch`
// bytes apart. The surface stays locked from load on, so drawing takes no lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/canvas.hpp"

struct SDL_Surface;
struct SDL_RWops;

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
    SDL_Surface* surface = nullptr;       // locked after loading; never freed

    // Reads the regular file at `path` (relative to the working directory),
    // loads it as BMP and locks it; cell_width = cell_height = cell_size,
    // cells_per_row = surface width / cell_size. Leaves tint and key alone.
    // Never blocks: anything but a regular file is refused without being
    // read, and no more is read than the largest sheet can take. On failure
    // logs a message naming the file, calls SDL_Quit() and returns false; the
    // sheet then has no surface. The message is "Unable to open surface:
    // <path>" for a file that cannot be opened, read or decoded, and says
    // what was expected and what was found for anything but a regular file
    // (a directory, a named pipe, a device, a socket), for a file larger than
    // any sheet, and for a header claiming more than kMaxSheetSide pixels in
    // width or height (refused before SDL allocates the surface).
    bool load_bmp(const char* path, int cell_size);
    // The same from a stream (null when it could not be opened), which is
    // always closed; `name` names the file in the messages.
    bool load_bmp_rw(SDL_RWops* stream, const char* name, int cell_size);

    // Draws cell `code` with its top-left pixel at (x, y - 1): text stands one
    // row higher than y. Pixels are clipped one by one to 0 <= dx < width and
    // 0 <= dy <= height - 2 (the last canvas row is never written). Pixels
    // equal to the key (when enabled) are skipped; others are written as
    // trunc(byte * tint) per channel, low eight bits. A code whose cell lies
    // beyond the surface, or a sheet without cells, draws nothing.
    void draw_glyph(Canvas& canvas, int x, int y, std::uint8_t code) const;

    // Draws each byte of text[0 .. length) as a glyph, advancing cell_width.
    // No byte is special (a zero byte or a line feed is drawn as its glyph).
    void draw_text(Canvas& canvas, int x, int y, const char* text, std::size_t length) const;
    // Zero-terminated convenience form.
    void draw_text(Canvas& canvas, int x, int y, const char* text) const;
};

// Unlocks and frees the sheet's surface, if it has one, and resets the record
// to its defaults. The program keeps the sheets it runs with until it ends;
// a refused sheet, tools and tests release theirs.
void release_sheet(TileSheet& sheet);

// Checks that the font sheet's surface can be drawn from safely: 24 bits per
// pixel, at least one cell wide, and rows of cells for every code up to 126.
// On a mismatch logs a message naming `path`, what was expected and what was
// found, calls SDL_Quit() and returns false.
bool check_font_surface(const TileSheet& font, const char* path);
