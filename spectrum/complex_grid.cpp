#include "spectrum/complex_grid.hpp"

#include <cassert>
#include <cstddef>
#include <cstring>
#include <new>

#include "spectrum/grid_storage.hpp"

namespace {

constexpr std::align_val_t kLineAlignment{64};

Complex* allocate_samples(std::int64_t count) {
    return grid_allocate(count);
}

}  // namespace

Complex* grid_allocate(std::int64_t count) {
    assert(count >= 0);
    // Array new checks that count * sizeof(Complex) is representable and
    // throws std::bad_array_new_length otherwise; it never returns a short
    // array. Complex is trivially destructible, so there is no array cookie
    // and the result is the aligned block itself.
    return new (kLineAlignment) Complex[static_cast<std::size_t>(count)];
}

void grid_release(Complex* samples) {
    // The aligned form of array delete, matching grid_allocate.
    if (samples != nullptr) {
        ::operator delete[](samples, kLineAlignment);
    }
}

ComplexGrid::ComplexGrid(std::int32_t width_, std::int32_t height_)
    : width(width_), height(height_), samples(allocate_samples(std::int64_t{width_} * height_)) {}

ComplexGrid::ComplexGrid(const ComplexGrid& other)
    : width(other.width), height(other.height), samples(allocate_samples(other.size())) {
    if (size() > 0) {
        std::memcpy(samples, other.samples, static_cast<std::size_t>(size()) * sizeof(Complex));
    }
}

ComplexGrid::~ComplexGrid() {
    grid_release(samples);
    grid_release(scratch);
}

void ComplexGrid::copy_from(const ComplexGrid& source) {
    if (this == &source) {
        return;
    }
    if (width != source.width || height != source.height) {
        Complex* fresh = allocate_samples(source.size());
        grid_release(samples);
        samples = fresh;
        // A scratch of the old size would be too small (or wrong) for the next
        // transpose; drop it and let transpose allocate the new size.
        grid_release(scratch);
        scratch = nullptr;
        width = source.width;
        height = source.height;
    }
    if (size() > 0) {
        // memcpy keeps every bit pattern (-0.0, NaN payloads) as it is.
        std::memcpy(samples, source.samples, static_cast<std::size_t>(size()) * sizeof(Complex));
    }
}

void ComplexGrid::clear() {
    if (size() > 0) {
        std::memset(samples, 0, static_cast<std::size_t>(size()) * sizeof(Complex));
    }
}

void ComplexGrid::transpose() {
    assert(width == height);
    if (scratch == nullptr) {
        scratch = allocate_samples(size());
    }
    if (size() == 0) {
        return;
    }
    std::memcpy(scratch, samples, static_cast<std::size_t>(size()) * sizeof(Complex));
    std::int64_t k = 0;
    for (std::int32_t a = 0; a < width; ++a) {
        for (std::int32_t b = 0; b < height; ++b) {
            samples[k++] = scratch[a + std::int64_t{b} * width];
        }
    }
}
