#include "inputs/images.hpp"

#include <cassert>
#include <cstddef>
#include <utility>

#include "inputs/picture_fill.hpp"

TileSheet ostrel_sheet;
TileSheet vhs_sheet;
TileSheet sierpinsky_sheet;

void fill_from_sheet(ComplexGrid& grid, const TileSheet& sheet) {
    assert(sheet.pitch == grid.width && sheet.height == grid.height &&
           sheet.pixels.size() >= static_cast<std::size_t>(grid.size()));
    fill_real_from_bytes(grid, sheet.pixels.data());
}

void gen_ostrel_image(float /*phase*/, ComplexGrid& grid) {
    fill_from_sheet(grid, ostrel_sheet);
}

void gen_sierpinsky_image(float /*phase*/, ComplexGrid& grid) {
    fill_from_sheet(grid, sierpinsky_sheet);
}

void gen_vhs_image(float /*phase*/, ComplexGrid& grid) {
    fill_from_sheet(grid, vhs_sheet);
}

void put_picture(TileSheet& sheet, std::vector<std::uint8_t> greys) {
    assert(greys.size() == static_cast<std::size_t>(kPictureSide) * kPictureSide);
    sheet.width = kPictureSide;
    sheet.height = kPictureSide;
    sheet.pitch = kPictureSide;
    sheet.pixels = std::move(greys);
    sheet.cell_width = kPictureSide;
    sheet.cell_height = kPictureSide;
    sheet.cells_per_row = 1;
}
