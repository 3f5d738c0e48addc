// TEMPORARY placeholders so the skeleton links; replaced by patterns.cpp,
// images.cpp, tile_sheet.cpp and panels.cpp.
#include <SDL.h>

#include "display/panels.hpp"
#include "display/tile_sheet.hpp"
#include "inputs/images.hpp"
#include "inputs/patterns.hpp"

TileSheet ostrel_sheet;
TileSheet vhs_sheet;
TileSheet sierpinsky_sheet;

void fill_horizontal_sine(ComplexGrid&) {}
void fill_checkerboard(ComplexGrid&) {}
void fill_disc(ComplexGrid&, float) {}
void gen_horizontal_sine(float, ComplexGrid&) {}
void gen_vertical_sine(float, ComplexGrid&) {}
void gen_pattern(float, ComplexGrid&) {}
void gen_vertical_line(float, ComplexGrid&) {}
void gen_rotating_box(float, ComplexGrid&) {}
void gen_pulsating_sphere(float, ComplexGrid&) {}
void gen_thingie(float, ComplexGrid&) {}
void fill_from_sheet(ComplexGrid&, const TileSheet&) {}
void gen_ostrel_image(float, ComplexGrid&) {}
void gen_sierpinsky_image(float, ComplexGrid&) {}
void gen_vhs_image(float, ComplexGrid&) {}
bool load_picture_sheets() { return true; }
bool TileSheet::load_bmp(const char*, int) { return true; }
void TileSheet::draw_glyph(Canvas&, int, int, std::uint8_t) const {}
void TileSheet::draw_text(Canvas&, int, int, const char*, std::size_t) const {}
void TileSheet::draw_text(Canvas&, int, int, const char*) const {}
bool check_font_surface(const TileSheet&, const char*) { return true; }
void ComplexGrid::draw_magnitude(RgbColor&, Canvas&, int, bool, float) const {}
void ComplexGrid::draw_phase(RgbColor&, Canvas&, int) const {}
