// The size a BMP file's headers claim, read before the image is decoded.
//
// SDL_LoadBMP_RW allocates the whole surface from these numbers, and clears
// it, before it reads a single pixel, so a file of a few bytes can claim
// gigabytes (a run-length coded or old-style header is even accepted with
// its pixels missing). Reading the claim first lets a loader refuse it.
#pragma once

#include <cstddef>
#include <cstdint>

struct BmpClaim {
    bool is_bmp = false;      // starts with "BM" and holds a size
    std::int64_t width = 0;   // magnitudes: a negative height only means the
    std::int64_t height = 0;  // rows are stored top-down
};

// The bytes the claim is read from: the file header, the info header's own
// size, then width and height.
constexpr std::size_t kBmpClaimBytes = 14 + 12;

// The claim in the first `size` bytes of a file (at most kBmpClaimBytes are
// read). The 12-byte BITMAPCOREHEADER keeps 16-bit unsigned sizes; every
// longer header keeps signed 32-bit sizes at the same place. Bytes that do
// not start with "BM" or end before the size leave `is_bmp` false (the
// decoder refuses such a file itself).
BmpClaim bmp_claim_of(const std::uint8_t* head, std::size_t size);
