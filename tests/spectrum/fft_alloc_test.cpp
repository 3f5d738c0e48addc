// A steady transform allocates nothing: every global operator new of this
// program is counted.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tests/support/counting_new.hpp"
#include "spectrum/complex_grid.hpp"
#include "spectrum/fft.hpp"
#include "spectrum/fft_kernels.hpp"
#include "base/simd_targets.hpp"

namespace {

template <typename Operation>
long allocations_during(Operation operation) {
    const long before = allocation_count();
    operation();
    return allocation_count() - before;
}

TEST(FftAllocation, GridArraysAreCountedAndLineAligned) {
    const long before = allocation_count();
    ComplexGrid grid(64, 64);
    grid.transpose();
    EXPECT_EQ(allocation_count() - before, 2);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(grid.samples) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(grid.scratch) % 64, 0u);
}

TEST(FftAllocation, SteadyTransformsAllocateNothing) {
    ComplexGrid grid(512, 512);
    grid.clear();
    grid.samples[3] = {1.0f, 2.0f};
    // The first transform may build the tables and the scratch.
    EXPECT_GT(allocations_during([&] { grid.transform_2d(); }), 0);
    EXPECT_EQ(allocations_during([&] { grid.transform_2d(); }), 0);
    EXPECT_EQ(allocations_during([&] { transform_2d_portable(grid); }), 0);
    ComplexGrid copy(512, 512);
    copy.transform_2d_of(grid);
    for (const SimdTarget& target : simd_targets()) {
        SCOPED_TRACE(target.name);
        const ScopedSimdTarget scoped(target);
        EXPECT_EQ(allocations_during([&] { grid.transform_2d(); }), 0);
        EXPECT_EQ(allocations_during([&] { copy.transform_2d_of(grid); }), 0);
    }
    EXPECT_EQ(allocations_during([&] { fft_1d(grid.samples, 512); }), 0);
    EXPECT_EQ(allocations_during([&] { fft_bit_reverse(grid.samples, 512); }), 0);
}

TEST(FftAllocation, RowsBeyondTheCachedTablesAllocateNothing) {
    std::vector<Complex> row(std::size_t{1} << 17, Complex{1.0f, 0.0f});
    EXPECT_EQ(allocations_during([&] { fft_1d(row.data(), 1u << 17); }), 0);
}

}  // namespace
