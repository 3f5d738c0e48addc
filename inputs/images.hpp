// The three picture tests. Each picture is an 8-bit, 512 x 512 BMP read once
// at start-up into a program-wide sheet; its stored bytes (not the palette)
// feed the real parts of the grid.
#pragma once

#include "display/tile_sheet.hpp"
#include "spectrum/complex_grid.hpp"

// Program-wide: the picture generators receive only the phase and the grid.
extern TileSheet ostrel_sheet;
extern TileSheet vhs_sheet;
extern TileSheet sierpinsky_sheet;

// Sample k gets re = byte k of the surface's pixels / 255.0f, im = 0, for
// k = j + i * W. Precondition: the surface holds W * H bytes in rows of W.
void fill_from_sheet(ComplexGrid& grid, const TileSheet& sheet);

void gen_ostrel_image(float phase, ComplexGrid& grid);
void gen_sierpinsky_image(float phase, ComplexGrid& grid);
void gen_vhs_image(float phase, ComplexGrid& grid);

// Checks that a loaded picture sheet (one with a surface) can be read by
// fill_from_sheet: one byte per pixel, 512 x 512 pixels in rows of exactly
// 512 bytes. On a mismatch logs a message naming `path`, what was expected
// and what was found, calls SDL_Quit() and returns false.
bool check_picture_surface(const TileSheet& picture, const char* path);

// Loads "ostrel-512x512.bmp", "vhs-512x512.bmp", "sierpinsky-512x512.bmp" in
// that order from the working directory (cells of 512) and checks that each
// is an 8-bit 512 x 512 picture with rows of 512 bytes. On the first failure
// logs a message naming the file (and, for a wrong format, what was expected
// and what was found), calls SDL_Quit() and returns false.
bool load_picture_sheets();
