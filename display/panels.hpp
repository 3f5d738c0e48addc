// Spectrum panels: a ComplexGrid drawn as grey pixels, one canvas pixel per
// sample, panel pixel (row i, column j) at canvas (x + j, 21 + i).
//
// draw_magnitude(grid, pen, canvas, x, shifted, gain): m = (float)sqrt((double)(re*re + im*im)),
//   normalised to the grid's largest magnitude (NaN never becomes the
//   maximum), v = trunc((m * scale) * 255), clamped above at 255; NaN gives 0.
//   With `shifted` the quadrants swap so that sample (0, 0) lands at panel (H/2, W/2).
//   An infinite largest magnitude (also a square that overflows float) makes
//   the scale 0, so every sample draws black (inf * 0 is NaN).
// draw_phase(grid, pen, canvas, x): always swapped; a = (float)atan2(im, re),
//   v = trunc((a * 0.15915494f) * 255), low eight bits stored: a cyclic grey
//   scale (0 at angle 0, 127 at +pi, 129 at -pi; 128 never occurs); NaN gives 0.
//
// The pen: every pixel is written through it, so afterwards it holds the grey
// of the last pixel drawn (which for the phase may be negative, e.g. -63).
// draw_magnitude_and_phase(grid, pen, canvas, x_magnitude, x_phase, gain): the
//   quadrant-shifted magnitude panel at x_magnitude, then the phase panel at
//   x_phase, with the pixels and the final pen of those two calls; both
//   panels' rows come from the same row of samples, which is read once.
//   The two panels must not overlap.
// Neither operation clips: x + W <= canvas width and 21 + H <= canvas height.
#pragma once

#include "display/canvas.hpp"
#include "spectrum/complex_grid.hpp"

void draw_magnitude(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x, bool shifted,
                    float gain);
void draw_phase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas, int x);
void draw_magnitude_and_phase(const ComplexGrid& grid, RgbColor& pen, Canvas& canvas,
                              int x_magnitude, int x_phase, float gain);
