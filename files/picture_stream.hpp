// A picture file read a piece at a time, for the decoders: the file is
// never held whole, so a picture costs the same memory whatever its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PictureStream {
    int fd = -1;                           // open for reading; not owned
    const std::uint8_t* memory = nullptr;  // or the bytes themselves
    long long limit = 0;                   // no byte at or beyond this offset is read
    long long offset = 0;                  // file offset of buffer[0]
    std::vector<std::uint8_t> buffer;
    std::size_t next = 0;  // buffer[next, end) is not yet consumed
    std::size_t end = 0;
    int error = 0;  // errno of a failed read, else 0
};

// A stream over `fd` from offset 0 that reads nothing at or past `limit`.
void open_stream(PictureStream& stream, int fd, long long limit);

// A stream over `size` bytes in memory (not copied).
void open_memory_stream(PictureStream& stream, const std::uint8_t* bytes, std::size_t size);

// Makes unconsumed bytes available in buffer[next, end) when there are none
// (reading the next piece). Returns the count available: 0 at the end of the
// file or the limit, or after a failed read (`error` set).
std::size_t fill(PictureStream& stream);

// Copies up to `count` bytes to `to` and consumes them; fewer only at the
// end, the limit, or a failed read.
std::size_t read_bytes(PictureStream& stream, void* to, std::size_t count);

// The file offset of the next byte to be consumed.
long long position(const PictureStream& stream);

// Moves to file offset `at` (forward or back); reading resumes there.
// Returns false for an offset beyond the limit or negative.
bool seek_to(PictureStream& stream, long long at);
