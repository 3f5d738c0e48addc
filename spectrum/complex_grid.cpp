#include "spectrum/complex_grid.hpp"

#include <cassert>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

#include "spectrum/fft_plan.hpp"
#include "base/frame_buffer.hpp"
#include "spectrum/grid_storage.hpp"

namespace {

Complex* allocate_samples(std::int64_t count) {
    return grid_allocate(count);
}

}  // namespace

Complex* grid_allocate(std::int64_t count) {
    assert(count >= 0);
    // The byte count must be representable: never hand out a short array.
    if (static_cast<std::uint64_t>(count) >
        std::numeric_limits<std::size_t>::max() / sizeof(Complex)) {
        throw std::bad_array_new_length();
    }
    // Complex is trivially constructible: the storage is the array.
    return static_cast<Complex*>(
        allocate_frame_buffer(static_cast<std::size_t>(count) * sizeof(Complex)));
}

void grid_release(Complex* samples, std::int64_t count) {
    release_frame_buffer(samples, static_cast<std::size_t>(count) * sizeof(Complex));
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
    grid_release(samples, size());
    grid_release(scratch, size());
    delete plan;
}

void ComplexGrid::copy_from(const ComplexGrid& source) {
    if (this == &source) {
        return;
    }
    if (width != source.width || height != source.height) {
        Complex* fresh = allocate_samples(source.size());
        grid_release(samples, size());
        samples = fresh;
        // A scratch or plan of the old size would be wrong for the next
        // transpose or transform; drop them and let those make new ones.
        grid_release(scratch, size());
        scratch = nullptr;
        delete plan;
        plan = nullptr;
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
