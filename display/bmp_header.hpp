// The size a BMP file's headers claim, read before the image is decoded.
//
// SDL_LoadBMP_RW allocates the whole surface from these numbers, and clears
// it, before it reads a single pixel, so a file of a few bytes can claim
// gigabytes (a run-length coded or old-style header is even accepted with
// its pixels missing). Reading the claim first lets a loader refuse it.
#pragma once

#include <cstdint>

struct SDL_RWops;

struct BmpClaim {
    bool is_bmp = false;      // starts with "BM" and holds a size
    std::int64_t width = 0;   // magnitudes: a negative height only means the
    std::int64_t height = 0;  // rows are stored top-down
};

// Reads the file header and the size fields of the info header at the
// stream's position, then seeks back there. The 12-byte BITMAPCOREHEADER
// keeps 16-bit unsigned sizes; every longer header keeps signed 32-bit sizes
// at the same place. A stream that does not start with "BM" or ends before
// the size leaves `is_bmp` false (the decoder refuses such a file itself).
// Returns false only when the stream cannot be put back where it was.
bool read_bmp_claim(SDL_RWops* stream, BmpClaim& claim);
