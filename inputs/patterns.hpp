// The seven synthetic test patterns and the routines they are made of.
// Arithmetic is single precision; sin, cos, atan2 and sqrt run in double on
// arguments widened from float (or converted from an integer) and are rounded
// to float at once. The rounding order written in each routine is part of
// the result.
#pragma once

#include "inputs/pattern_kernels.hpp"
#include "spectrum/complex_grid.hpp"

// re = sin(j * pi * 2 / W * 16) * 0.5 + 0.5 (angle in double, then float);
// sixteen periods across the width. im = 0.
void fill_horizontal_sine(ComplexGrid& grid);
// re = (i div 16 + j div 16) mod 2: 16 x 16 cells, the top-left cell 0.
void fill_checkerboard(ComplexGrid& grid);
// Sets 1 + 0i where radius > the distance from (H div 2, W div 2); leaves the
// other samples as they are.
void fill_disc(ComplexGrid& grid, float radius);

void gen_horizontal_sine(float phase, ComplexGrid& grid);
// Precondition: square grid (it transposes).
void gen_vertical_sine(float phase, ComplexGrid& grid);
void gen_pattern(float phase, ComplexGrid& grid);
// Clears, then column trunc(W * phase - 1) becomes 1.0; a column outside the
// grid (phase 0 gives -1) writes nothing.
void gen_vertical_line(float phase, ComplexGrid& grid);
// Clears, then a 21 x 21 square on a circle. Precondition: at least 512 x 512.
// A NaN or infinite phase leaves the grid cleared.
void gen_rotating_box(float phase, ComplexGrid& grid);
// Clears, then a disc whose radius runs 20 -> 80 -> 20 over the phase cycle.
void gen_pulsating_sphere(float phase, ComplexGrid& grid);
// re = sin(((theta + r) + phase * 10) * 32) + r * 0.001 + 1 round the centre.
void gen_thingie(float phase, ComplexGrid& grid);

// The phase-free tables behind gen_thingie (inputs/pattern_kernels.hpp).
// Program-wide for the reason the picture sheets are: a generator receives
// only the phase and the grid. Empty until prepare_patterns; on a grid of
// another size gen_thingie computes every sample from scratch instead (the
// same values, many times slower).
extern ThingieTables thingie_tables;

// Builds thingie_tables for a width x height grid, so that no frame builds
// anything. Called at start-up, before the first frame.
void prepare_patterns(std::int32_t width, std::int32_t height);

// Frees thingie_tables. The program keeps them until it ends; tools and
// tests that start more than once, or check for leaks, call this.
void release_patterns();
