// The transform written step by step from its definition, with nothing
// precomputed: a flag array per bit reversal, the mask cascade, one cos/sin
// pair per stage, the twiddle recurrence restarted in every group, and two
// explicit transposes. The product is compared against this bit for bit, and
// the benchmark measures it as the baseline.
#pragma once

#include <cstdint>

#include "spectrum/complex_grid.hpp"

namespace plain_fft {

void bit_reverse(Complex* data, std::uint32_t n);

void fft_1d(Complex* data, std::uint32_t n);

// samples (width x height, row-major) through scratch (same size).
void transpose(Complex* samples, Complex* scratch, std::int32_t width, std::int32_t height);

// In place on a side x side array, with a scratch array of its own.
void transform_2d(Complex* samples, std::int32_t side);

}  // namespace plain_fft
