// Buffers of a few megabytes that every frame sweeps: the grids and their
// scratch, and the canvas.
//
// Those of 2 MiB or more are aligned to 2 MiB and the kernel is asked to back
// them with transparent huge pages. A sweep then needs one TLB entry per
// 2 MiB instead of 512: between two frames the GL driver's own sweeps of the
// texture and the window evict the small-page entries, and the transform's
// column pass and the panels step to a new 4 KiB page on every row. Smaller
// buffers are aligned to a 64-byte cache line. Contents are undefined.
#pragma once

#include <cstddef>

// Throws std::bad_alloc when the memory is not there.
void* allocate_frame_buffer(std::size_t bytes);

// Releases what allocate_frame_buffer returned for the same byte count
// (null is allowed).
void release_frame_buffer(void* buffer, std::size_t bytes);

// A frame buffer that releases itself: moved, never copied.
struct FrameBuffer {
    void* data = nullptr;
    std::size_t bytes = 0;

    FrameBuffer() = default;
    explicit FrameBuffer(std::size_t size) : data(allocate_frame_buffer(size)), bytes(size) {}
    FrameBuffer(FrameBuffer&& other) noexcept : data(other.data), bytes(other.bytes) {
        other.data = nullptr;
        other.bytes = 0;
    }
    FrameBuffer& operator=(FrameBuffer&& other) noexcept {
        if (this != &other) {
            release_frame_buffer(data, bytes);
            data = other.data;
            bytes = other.bytes;
            other.data = nullptr;
            other.bytes = 0;
        }
        return *this;
    }
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;
    ~FrameBuffer() { release_frame_buffer(data, bytes); }
};
