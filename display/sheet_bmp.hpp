// Tile sheets read from BMP files through SDL: the only place where a sheet
// meets SDL. SDL decodes the file into a surface, a check looks at that
// surface (its format, its size), and the sheet takes a copy of its bytes;
// the surface is freed before the loader returns.
#pragma once

#include <string>

#include "display/tile_sheet.hpp"

struct SDL_Surface;
struct SDL_RWops;

// What a sheet's surface must be before its bytes are taken, checked on the
// surface as SDL decoded it (`cell_size` as handed to the loader, `name`
// naming the file). Returns an empty string, or on a mismatch a message
// naming the file, what was expected and what was found.
using SurfaceCheck = std::string (*)(const SDL_Surface& surface, int cell_size, const char* name);

// Reads the regular file at `path` (relative to the working directory),
// decodes it as BMP, runs `check` on the surface (none when null) and copies
// the surface's rows into `sheet`: width, height, pitch and pixels as SDL
// laid them out; cell_width = cell_height = cell_size, cells_per_row =
// width / cell_size. Leaves tint and key alone.
// Never blocks: anything but a regular file is refused without being read,
// and no more is read than the largest sheet can take. Returns an empty
// string, or on failure the message naming the file (the caller logs it),
// with the sheet's image and cells cleared. The message is "Unable to open
// surface: <path>" for a file that cannot be opened, read or decoded, and says what
// was expected and what was found for anything but a regular file (a
// directory, a named pipe, a device, a socket), for a file larger than any
// sheet, for a header claiming more than kMaxSheetSide pixels in width or
// height (refused before SDL allocates the surface), and for a surface the
// check refuses.
std::string load_bmp(TileSheet& sheet, const char* path, int cell_size, SurfaceCheck check);
// The same from a stream (null when it could not be opened), which is
// always closed; `name` names the file in the messages.
std::string load_bmp_rw(TileSheet& sheet, SDL_RWops* stream, const char* name, int cell_size,
                        SurfaceCheck check);

// The font's check: 24 bits per pixel in SDL's BGR24 layout, at least one
// cell wide, and rows of cells for every code up to 126.
std::string check_font_surface(const SDL_Surface& surface, int cell_size, const char* name);
