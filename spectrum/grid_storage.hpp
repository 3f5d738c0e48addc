// How a ComplexGrid obtains and releases its two arrays. Internal to the
// spectrum engine: every allocation of `samples` or `scratch` goes through
// here, and the grid's destructor releases them here.
#pragma once

#include <cstdint>

#include "spectrum/complex_grid.hpp"

// Array new of count samples (values undefined), aligned to a 64-byte cache
// line so that an eight-sample run of a row is one line. Like plain array
// new it throws std::bad_array_new_length when count * sizeof(Complex) is
// not representable. Precondition: count >= 0.
Complex* grid_allocate(std::int64_t count);

// Releases what grid_allocate returned (null is allowed).
void grid_release(Complex* samples);
