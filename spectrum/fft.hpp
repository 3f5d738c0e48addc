// Radix-2 decimation-in-time FFT, forward, unnormalised:
//   X[k] = sum over t of x[t] * exp(-2*pi*i*t*k/n)
// X[0] is the plain sum of the inputs. All sample arithmetic is single
// precision, each product, sum and difference rounded as it is formed; only
// the per-stage cos/sin run in double. The twiddle factor restarts at 1 in
// every group and advances by a single-precision complex multiplication by the
// stage's step, and that accumulated rounding is part of the result.
#pragma once

#include <cstdint>

#include "spectrum/complex_grid.hpp"

// A broken precondition below stops the process in every build, with a line
// on standard error naming the operation.

// Permutes the n samples at data into bit-reversed index order, in place.
// Precondition: n is a power of two (n >= 1).
void fft_bit_reverse(Complex* data, std::uint32_t n);

// Replaces the n samples at data by their forward transform, in place.
// Precondition: n is a power of two (n >= 1); n = 1 leaves the sample as is.
void fft_1d(Complex* data, std::uint32_t n);
