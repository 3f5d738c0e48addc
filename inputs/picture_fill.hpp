// The picture fill's per-sample work, for fill_from_sheet: sample k gets
// re = bytes[k] / 255.0f (a float division, not a product by 1/255) and
// im = 0, for k from 0 to W * H - 1. Its implementations are in
// inputs/pattern_kernels.hpp.
#pragma once

#include <cstdint>

#include "spectrum/complex_grid.hpp"

void fill_real_from_bytes(ComplexGrid& grid, const std::uint8_t* bytes);
