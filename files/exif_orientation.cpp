#include "files/exif_orientation.hpp"

namespace {

constexpr std::uint32_t kOrientationTag = 0x0112;
constexpr std::uint32_t kShortType = 3;

struct Tiff {
    const std::uint8_t* bytes;
    std::size_t size;
    bool big_endian;
};

std::uint32_t u16(const Tiff& t, std::size_t at) {
    const std::uint32_t a = t.bytes[at];
    const std::uint32_t b = t.bytes[at + 1];
    return t.big_endian ? a << 8 | b : b << 8 | a;
}

std::uint32_t u32(const Tiff& t, std::size_t at) {
    return t.big_endian ? u16(t, at) << 16 | u16(t, at + 2) : u16(t, at + 2) << 16 | u16(t, at);
}

}  // namespace

int exif_orientation(const std::uint8_t* tiff, std::size_t size) {
    if (tiff == nullptr || size < 8) {
        return 1;
    }
    Tiff t{tiff, size, false};
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        t.big_endian = true;
    } else if (!(tiff[0] == 'I' && tiff[1] == 'I')) {
        return 1;
    }
    if (u16(t, 2) != 42) {
        return 1;
    }
    const std::size_t directory = u32(t, 4);
    if (directory > size || size - directory < 2) {
        return 1;
    }
    const std::size_t entries = u16(t, directory);
    for (std::size_t k = 0; k < entries; ++k) {
        const std::size_t at = directory + 2 + 12 * k;
        if (at > size || size - at < 12) {
            return 1;
        }
        if (u16(t, at) == kOrientationTag) {
            if (u16(t, at + 2) != kShortType || u32(t, at + 4) != 1) {
                return 1;
            }
            const std::uint32_t value = u16(t, at + 8);
            return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}
