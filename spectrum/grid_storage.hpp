// How a ComplexGrid obtains and releases its two arrays. Internal to the
// spectrum engine: every allocation of `samples` or `scratch` goes through
// here, and the grid's destructor releases them here.
#pragma once

#include <cstdint>

#include "spectrum/complex_grid.hpp"

// count samples (values undefined) from allocate_frame_buffer: at least
// aligned to a 64-byte cache line, so that an eight-sample run of a row is
// one line, and on huge pages when large. Like plain array new it throws
// std::bad_array_new_length when count * sizeof(Complex) is not
// representable. Precondition: count >= 0.
Complex* grid_allocate(std::int64_t count);

// Releases what grid_allocate returned for the same count (null is allowed).
void grid_release(Complex* samples, std::int64_t count);
