// The plain forms of the per-frame kernels, kept beside the fast product code
// as the definition it must match bit for bit: the seven synthetic
// generators, the picture fill and the two panels. Each is written sample by
// sample, in the order its rounding needs, with nothing precomputed,
// vectorised or cached; they are slow on purpose. They need no SDL.
#pragma once

#include <cstdint>

#include "display/canvas.hpp"
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

// Sample k gets bytes[k] / 255.0f + 0i, for k = j + i * W.
void fill_from_bytes(ComplexGrid& grid, const std::uint8_t* bytes);

void draw_magnitude(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool shifted,
                    float gain);
void draw_phase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x);

}  // namespace reference
