#include "files/bmp_header.hpp"

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

BmpClaim bmp_claim_of(const std::uint8_t* head, std::size_t size) {
    BmpClaim claim;
    if (size < kFileHeaderBytes + 4 || head[0] != 'B' || head[1] != 'M') {
        return claim;
    }
    const std::uint8_t* info = head + kFileHeaderBytes;
    if (le32(info) == kCoreHeaderBytes) {
        if (size < kFileHeaderBytes + 8) {
            return claim;
        }
        claim.width = le16(info + 4);
        claim.height = le16(info + 6);
    } else {
        if (size < kFileHeaderBytes + 12) {
            return claim;
        }
        claim.width = magnitude_of_le32(info + 4);
        claim.height = magnitude_of_le32(info + 8);
    }
    claim.is_bmp = true;
    return claim;
}
