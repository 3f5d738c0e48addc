// The three picture tests' sheets read from their BMP files, through SDL.
#pragma once

#include <string>

struct SDL_Surface;

// The picture check (a SurfaceCheck, display/sheet_bmp.hpp): one byte per
// pixel, 512 x 512 pixels in rows of exactly 512 bytes, as fill_from_sheet
// reads them. The bytes are taken as stored; the palette is never looked up.
std::string check_picture_surface(const SDL_Surface& surface, int cell_size, const char* name);

// Loads "ostrel-512x512.bmp", "vhs-512x512.bmp", "sierpinsky-512x512.bmp" in
// that order from the working directory into the program-wide sheets
// (inputs/images.hpp; cells of 512), each held to check_picture_surface.
// Stops at the first failure and returns its message, naming the file (and,
// for a wrong format, what was expected and what was found); else an empty
// string.
std::string load_picture_sheets();
