// How a ComplexGrid obtains its two arrays. Internal to the spectrum engine:
// every allocation of `samples` or `scratch` goes through here; the grid's
// buffers release them.
#pragma once

#include <cstdint>

#include "spectrum/complex_grid.hpp"

// A frame buffer of count samples (values undefined): at least aligned to a
// 64-byte cache line, so that an eight-sample run of a row is one line, and
// on huge pages when large. Like plain array new it throws
// std::bad_array_new_length when count * sizeof(Complex) is not
// representable. Precondition: count >= 0.
FrameBuffer grid_buffer(std::int64_t count);

// The grid's scratch array, made (size() samples) on first use and kept.
Complex* grid_scratch(ComplexGrid& grid);
