// The complex grid: a square, row-major array of single-precision complex
// samples plus a work array for transposition.
//
// Layout: row i, column j lives at samples[j + i * width]. One row is a plain
// contiguous array of Complex, which is what fft_1d works on.
//
// Ownership: the grid owns `samples` and `scratch` (frame buffers aligned at
// least to a cache line, see base/frame_buffer.hpp) and `plan`, and
// releases them itself. `scratch` is null until the first transpose or
// transform and `plan` until the first transform; both are then kept, so a
// steady frame allocates nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "base/frame_buffer.hpp"
#include "spectrum/fft_plan.hpp"

struct Complex {
    float re;
    float im;
};

struct ComplexGrid {
    std::int32_t width = 0;
    std::int32_t height = 0;
    Complex* samples = nullptr;  // in sample_buffer
    Complex* scratch = nullptr;  // in scratch_buffer
    // The transform's tables for this side (spectrum/fft_plan.hpp).
    std::unique_ptr<FftPlan> plan;
    FrameBuffer sample_buffer;
    FrameBuffer scratch_buffer;

    // Allocates width * height samples whose values are undefined until
    // written; no scratch yet. Sizes must not be negative.
    ComplexGrid(std::int32_t width, std::int32_t height);
    // Same size, storage of its own, every sample copied bit for bit; the
    // other grid's scratch and plan are neither shared nor copied.
    ComplexGrid(const ComplexGrid& other);
    ComplexGrid& operator=(const ComplexGrid&) = delete;

    // Makes this grid equal to `source`. On equal sizes the existing sample
    // array is kept; on a size change the grid takes the source's size and a
    // new sample array, and drops its scratch and plan (made again by the
    // next transpose or transform at the new size).
    void copy_from(const ComplexGrid& source);

    // Every sample becomes 0 + 0i (all bits zero).
    void clear();

    // Transposes in place through `scratch` (allocated on first use).
    // Precondition: square grid. Two transposes restore the grid bit for bit.
    void transpose();

    // The 2-D forward transform in place (see spectrum/fft.hpp).
    // Precondition: square grid with a power-of-two side. Uses `scratch` as
    // work space (its contents afterwards mean nothing) and leaves it and
    // `plan` allocated.
    void transform_2d();

    // copy_from(source) followed by transform_2d(), with the same result and
    // the same state afterwards; on the sides the vector transform takes (64
    // to 1024) the copy is folded into its first pass, which then reads its
    // rows from `source`.
    void transform_2d_of(const ComplexGrid& source);

    std::int64_t size() const { return std::int64_t{width} * height; }
};
