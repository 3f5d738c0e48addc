// A steady transform allocates nothing: every global operator new of this
// program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "spectrum/complex_grid.hpp"
#include "spectrum/fft.hpp"
#include "spectrum/fft_kernels.hpp"

namespace {

std::atomic<long> allocations{0};

void* counted_allocation(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
    return counted_allocation(size);
}
void* operator new[](std::size_t size) {
    return counted_allocation(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

template <typename Operation>
long allocations_during(Operation operation) {
    const long before = allocations.load();
    operation();
    return allocations.load() - before;
}

TEST(FftAllocation, SteadyTransformsAllocateNothing) {
    ComplexGrid grid(512, 512);
    grid.clear();
    grid.samples[3] = {1.0f, 2.0f};
    // The first transform may build the tables and the scratch.
    EXPECT_GT(allocations_during([&] { grid.transform_2d(); }), 0);
    EXPECT_EQ(allocations_during([&] { grid.transform_2d(); }), 0);
    EXPECT_EQ(allocations_during([&] { transform_2d_portable(grid); }), 0);
    if (fft_avx2_supported()) {
        EXPECT_EQ(allocations_during([&] { transform_2d_avx2(grid); }), 0);
    }
    EXPECT_EQ(allocations_during([&] { fft_1d(grid.samples, 512); }), 0);
    EXPECT_EQ(allocations_during([&] { fft_bit_reverse(grid.samples, 512); }), 0);
}

TEST(FftAllocation, RowsBeyondTheCachedTablesAllocateNothing) {
    std::vector<Complex> row(std::size_t{1} << 17, Complex{1.0f, 0.0f});
    EXPECT_EQ(allocations_during([&] { fft_1d(row.data(), 1u << 17); }), 0);
}

}  // namespace
