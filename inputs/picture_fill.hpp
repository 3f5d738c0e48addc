// The picture fill's per-sample work, for fill_from_sheet: sample k gets
// re = bytes[k] / 255.0f (a float division, not a product by 1/255) and
// im = 0, for k from 0 to W * H - 1.
#pragma once

#include <cstdint>

#include "spectrum/complex_grid.hpp"

void fill_real_from_bytes(ComplexGrid& grid, const std::uint8_t* bytes);

// The two implementations behind it, exposed for tests and benchmarks: the
// portable one reads a table of the 256 quotients; the AVX2 one divides
// eight at a time (the same IEEE division as the scalar one).
void fill_real_from_bytes_portable(ComplexGrid& grid, const std::uint8_t* bytes);
bool picture_fill_avx2_supported();
// Precondition: picture_fill_avx2_supported().
void fill_real_from_bytes_avx2(ComplexGrid& grid, const std::uint8_t* bytes);
