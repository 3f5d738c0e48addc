// The plain forms of the per-frame work, kept beside the fast product code
// as the definition it must match bit for bit: the seven synthetic
// generators, the picture fill, the two panels and a whole frame. Each is
// written sample by sample in the documented rounding order, with nothing
// precomputed, vectorised or cached; they are slow on purpose.
#pragma once

#include "app/app_state.hpp"
#include "display/canvas.hpp"
#include "display/tile_sheet.hpp"
#include "spectrum/complex_grid.hpp"

namespace reference {

void fill_horizontal_sine(ComplexGrid& grid);
void fill_checkerboard(ComplexGrid& grid);
void fill_disc(ComplexGrid& grid, float radius);

void gen_horizontal_sine(float phase, ComplexGrid& grid);
void gen_vertical_sine(float phase, ComplexGrid& grid);
void gen_pattern(float phase, ComplexGrid& grid);
void gen_vertical_line(float phase, ComplexGrid& grid);
void gen_rotating_box(float phase, ComplexGrid& grid);
void gen_pulsating_sphere(float phase, ComplexGrid& grid);
void gen_thingie(float phase, ComplexGrid& grid);

// Reads the program-wide picture sheets of inputs/images.hpp.
void fill_from_sheet(ComplexGrid& grid, const TileSheet& sheet);
void gen_ostrel_image(float phase, ComplexGrid& grid);
void gen_sierpinsky_image(float phase, ComplexGrid& grid);
void gen_vhs_image(float phase, ComplexGrid& grid);

// The ten tests in menu order, with the plain generators.
const TestEntry* catalogue();

void draw_magnitude(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool shifted,
                    float gain);
void draw_phase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x);

// One frame, the same steps as the product's compose_frame, with the plain
// generator of the selected test (from reference::catalogue(), not
// app.catalogue), the step-by-step transform of tests/spectrum/plain_fft and
// the plain panels. Text goes through the product's TileSheet::draw_text.
void compose_frame(AppState& app);

}  // namespace reference
