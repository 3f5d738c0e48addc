// The three picture tests. Each picture is a sheet of 512 x 512 8-bit
// greys in rows of 512 bytes, held in program-wide storage; its bytes feed
// the real parts of the grid. The program reads them from BMP files at
// start-up (inputs/picture_sheets.hpp); any 512 x 512 greys can take their
// place (put_picture).
#pragma once

#include <cstdint>
#include <vector>

#include "display/tile_sheet.hpp"
#include "spectrum/complex_grid.hpp"

// Program-wide: the picture generators receive only the phase and the grid.
extern TileSheet ostrel_sheet;
extern TileSheet vhs_sheet;
extern TileSheet sierpinsky_sheet;

// The side of a picture sheet.
constexpr int kPictureSide = 512;

// Sample k gets re = byte k of the sheet's pixels / 255.0f, im = 0, for
// k = j + i * W. Precondition: the sheet holds W * H bytes in rows of W.
void fill_from_sheet(ComplexGrid& grid, const TileSheet& sheet);

void gen_ostrel_image(float phase, ComplexGrid& grid);
void gen_sierpinsky_image(float phase, ComplexGrid& grid);
void gen_vhs_image(float phase, ComplexGrid& grid);

// Makes `sheet` a picture sheet of `greys`: 512 x 512 bytes, row 0 first,
// rows of 512 (byte k = row k div 512, column k mod 512), one 512 x 512
// cell. Tint and key are left as they are. Precondition: greys.size() is
// 512 * 512.
void put_picture(TileSheet& sheet, std::vector<std::uint8_t> greys);
