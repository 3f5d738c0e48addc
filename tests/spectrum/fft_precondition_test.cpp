// A transform asked of what it cannot take stops the process in every build,
// naming the operation, rather than returning as if it had done its work.
#include <gtest/gtest.h>

#include <vector>

#include "spectrum/complex_grid.hpp"
#include "spectrum/fft.hpp"
#include "spectrum/fft_kernels.hpp"

namespace {

TEST(FftPreconditions, BrokenOnesStopTheProcessByName) {
    std::vector<Complex> data(12, Complex{1.0f, 0.0f});
    EXPECT_DEATH(fft_1d(data.data(), 12), "fft_1d: precondition broken: n is not a power of two");
    EXPECT_DEATH(fft_1d(data.data(), 0), "fft_1d: precondition broken");
    EXPECT_DEATH(fft_bit_reverse(data.data(), 6), "fft_bit_reverse: precondition broken");
    ComplexGrid wide(8, 4);
    EXPECT_DEATH(wide.transform_2d(), "ComplexGrid::transform_2d: precondition broken");
    ComplexGrid odd(12, 12);
    EXPECT_DEATH(transform_2d_portable(odd), "transform_2d_portable: precondition broken");
}

}  // namespace
