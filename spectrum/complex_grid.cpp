#include "spectrum/complex_grid.hpp"

#include <cassert>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

#include "base/frame_buffer.hpp"
#include "spectrum/fft_plan.hpp"
#include "spectrum/grid_storage.hpp"

FrameBuffer grid_buffer(std::int64_t count) {
    assert(count >= 0);
    // The byte count must be representable: never hand out a short array.
    if (static_cast<std::uint64_t>(count) >
        std::numeric_limits<std::size_t>::max() / sizeof(Complex)) {
        throw std::bad_array_new_length();
    }
    // Complex is trivially constructible: the storage is the array.
    return FrameBuffer(static_cast<std::size_t>(count) * sizeof(Complex));
}

Complex* grid_scratch(ComplexGrid& grid) {
    if (grid.scratch == nullptr) {
        grid.scratch_buffer = grid_buffer(grid.size());
        grid.scratch = static_cast<Complex*>(grid.scratch_buffer.data);
    }
    return grid.scratch;
}

ComplexGrid::ComplexGrid(std::int32_t width_, std::int32_t height_)
    : width(width_), height(height_), sample_buffer(grid_buffer(std::int64_t{width_} * height_)) {
    samples = static_cast<Complex*>(sample_buffer.data);
}

ComplexGrid::ComplexGrid(const ComplexGrid& other)
    : width(other.width), height(other.height), sample_buffer(grid_buffer(other.size())) {
    samples = static_cast<Complex*>(sample_buffer.data);
    if (size() > 0) {
        std::memcpy(samples, other.samples, static_cast<std::size_t>(size()) * sizeof(Complex));
    }
}

void ComplexGrid::copy_from(const ComplexGrid& source) {
    if (this == &source) {
        return;
    }
    if (width != source.width || height != source.height) {
        sample_buffer = grid_buffer(source.size());
        samples = static_cast<Complex*>(sample_buffer.data);
        // A scratch or plan of the old size would be wrong for the next
        // transpose or transform; drop them and let those make new ones.
        scratch_buffer = FrameBuffer();
        scratch = nullptr;
        plan.reset();
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
    grid_scratch(*this);
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
