#include "spectrum/complex_grid.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "tests/support/bit_compare.hpp"

namespace {

// Distinct values per position, with the bit patterns a copy must keep.
void fill_distinct(ComplexGrid& grid) {
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        grid.samples[k] = {static_cast<float>(k) + 0.25f, -static_cast<float>(k)};
    }
    if (grid.size() >= 3) {
        grid.samples[0] = {-0.0f, std::numeric_limits<float>::quiet_NaN()};
        grid.samples[1] = {std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::denorm_min()};
        grid.samples[2] = {-std::numeric_limits<float>::infinity(), -0.0f};
    }
}

bool all_bits_equal(const ComplexGrid& a, const ComplexGrid& b) {
    return a.width == b.width && a.height == b.height &&
           std::memcmp(a.samples, b.samples,
                       static_cast<std::size_t>(a.size()) * sizeof(Complex)) == 0;
}

TEST(ComplexGrid, CopyConstructionOwnsItsStorageAndHasNoScratch) {
    ComplexGrid original(4, 4);
    fill_distinct(original);
    original.transpose();  // gives the original a scratch that must not be shared
    ComplexGrid copy(original);
    EXPECT_EQ(copy.width, 4);
    EXPECT_EQ(copy.height, 4);
    EXPECT_EQ(copy.scratch, nullptr);
    EXPECT_NE(copy.samples, original.samples);
    EXPECT_TRUE(all_bits_equal(copy, original));
    copy.samples[5] = {100.0f, 100.0f};
    EXPECT_EQ(original.samples[5].re, 5.25f);
}

TEST(ComplexGrid, CopyFromSameSizeKeepsTheArray) {
    ComplexGrid source(8, 8);
    fill_distinct(source);
    ComplexGrid target(8, 8);
    target.clear();
    const Complex* before = target.samples;
    target.copy_from(source);
    EXPECT_EQ(target.samples, before);
    EXPECT_TRUE(all_bits_equal(target, source));
}

TEST(ComplexGrid, CopyFromAnotherSizeTakesTheSourceSizeAndTransposesAfterwards) {
    ComplexGrid target(4, 4);
    target.clear();
    target.transpose();  // a scratch of the old, smaller size
    ComplexGrid source(16, 16);
    fill_distinct(source);
    target.copy_from(source);
    EXPECT_EQ(target.width, 16);
    EXPECT_EQ(target.height, 16);
    EXPECT_TRUE(all_bits_equal(target, source));
    target.transpose();  // must not use the old scratch
    EXPECT_TRUE(same_samples(&target.samples[3 + 5 * 16], &source.samples[5 + 3 * 16], 1));
    target.transpose();
    EXPECT_TRUE(all_bits_equal(target, source));
}

TEST(ComplexGrid, TransposeMovesRowBColumnAToRowAColumnB) {
    ComplexGrid grid(8, 8);
    fill_distinct(grid);
    const ComplexGrid original(grid);
    grid.transpose();
    for (int a = 0; a < 8; ++a) {
        for (int b = 0; b < 8; ++b) {
            ASSERT_TRUE(same_samples(&grid.samples[b + a * 8], &original.samples[a + b * 8], 1))
                << "row " << a << " column " << b;
        }
    }
}

TEST(ComplexGrid, TwoTransposesRestoreEveryBitAndReuseTheScratch) {
    ComplexGrid grid(32, 32);
    fill_distinct(grid);
    const ComplexGrid original(grid);
    EXPECT_EQ(grid.scratch, nullptr);
    grid.transpose();
    const Complex* scratch = grid.scratch;
    EXPECT_NE(scratch, nullptr);
    grid.transpose();
    EXPECT_EQ(grid.scratch, scratch);
    EXPECT_TRUE(all_bits_equal(grid, original));
}

TEST(ComplexGrid, ClearGivesPositiveZeroEverywhere) {
    ComplexGrid grid(16, 16);
    fill_distinct(grid);
    grid.clear();
    for (std::int64_t k = 0; k < grid.size(); ++k) {
        std::uint64_t bits = 1;
        std::memcpy(&bits, &grid.samples[k], sizeof bits);
        ASSERT_EQ(bits, 0u) << "sample " << k;
    }
}

}  // namespace
