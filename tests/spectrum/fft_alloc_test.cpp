// A steady transform allocates nothing: every global operator new of this
// program is counted.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
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

void* counted_aligned_allocation(std::size_t size, std::align_val_t alignment) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    const std::size_t align = static_cast<std::size_t>(alignment);
    // aligned_alloc wants a size that is a multiple of the alignment.
    const std::size_t rounded = (size + align - 1) / align * align;
    if (void* p = std::aligned_alloc(align, rounded == 0 ? align : rounded)) {
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
void* operator new(std::size_t size, std::align_val_t alignment) {
    return counted_aligned_allocation(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return counted_aligned_allocation(size, alignment);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace {

template <typename Operation>
long allocations_during(Operation operation) {
    const long before = allocations.load();
    operation();
    return allocations.load() - before;
}

TEST(FftAllocation, GridArraysAreCountedAndLineAligned) {
    const long before = allocations.load();
    ComplexGrid grid(64, 64);
    grid.transpose();
    EXPECT_EQ(allocations.load() - before, 2);
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
    if (fft_avx2_supported()) {
        EXPECT_EQ(allocations_during([&] { transform_2d_avx2(grid); }), 0);
    }
    if (fft_avx512_supported()) {
        EXPECT_EQ(allocations_during([&] { transform_2d_avx512(grid); }), 0);
    }
    EXPECT_EQ(allocations_during([&] { fft_1d(grid.samples, 512); }), 0);
    EXPECT_EQ(allocations_during([&] { fft_bit_reverse(grid.samples, 512); }), 0);
}

TEST(FftAllocation, RowsBeyondTheCachedTablesAllocateNothing) {
    std::vector<Complex> row(std::size_t{1} << 17, Complex{1.0f, 0.0f});
    EXPECT_EQ(allocations_during([&] { fft_1d(row.data(), 1u << 17); }), 0);
}

}  // namespace
