#include "display/bmp_header.hpp"

#include <SDL_rwops.h>

#include <cstddef>
#include <cstdint>

namespace {

// BITMAPFILEHEADER: "BM", file size, two reserved words, pixel offset.
constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kCoreHeaderBytes = 12;

std::uint32_t le16(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}

std::uint32_t le32(const std::uint8_t* p) {
    return le16(p) | le16(p + 2) << 16;
}

// The two's-complement value of a little-endian 32-bit field, as a magnitude
// in 64 bits (so that -2^31 has one).
std::int64_t magnitude_of_le32(const std::uint8_t* p) {
    const std::uint32_t bits = le32(p);
    const std::int64_t value =
        bits < 0x80000000u ? std::int64_t{bits} : std::int64_t{bits} - (std::int64_t{1} << 32);
    return value < 0 ? -value : value;
}

}  // namespace

bool read_bmp_claim(SDL_RWops* stream, BmpClaim& claim) {
    claim = BmpClaim{};
    const Sint64 start = SDL_RWtell(stream);
    if (start < 0) {
        return false;
    }
    // The file header, the info header's own size, then width and height:
    // 4 + 4 bytes in the info header, 2 + 2 in the core header.
    std::uint8_t head[kFileHeaderBytes + 12] = {};
    std::size_t got = 0;
    while (got < sizeof head) {
        const std::size_t n = SDL_RWread(stream, head + got, 1, sizeof head - got);
        if (n == 0) {
            break;
        }
        got += n;
    }
    if (SDL_RWseek(stream, start, RW_SEEK_SET) != start) {
        return false;
    }
    if (got < kFileHeaderBytes + 4 || head[0] != 'B' || head[1] != 'M') {
        return true;
    }
    const std::uint8_t* info = head + kFileHeaderBytes;
    if (le32(info) == kCoreHeaderBytes) {
        if (got < kFileHeaderBytes + 8) {
            return true;
        }
        claim.width = le16(info + 4);
        claim.height = le16(info + 6);
    } else {
        if (got < kFileHeaderBytes + 12) {
            return true;
        }
        claim.width = magnitude_of_le32(info + 4);
        claim.height = magnitude_of_le32(info + 8);
    }
    claim.is_bmp = true;
    return true;
}
