#include "files/bmp_file.hpp"

namespace {

// BMP headers are little-endian whatever the host; bytes are written one by
// one so the output does not depend on the host's byte order or padding.
void put_u16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFFu));
    out.push_back(static_cast<char>((value >> 8) & 0xFFu));
}

void put_u32(std::string& out, std::uint32_t value) {
    put_u16(out, value & 0xFFFFu);
    put_u16(out, value >> 16);
}

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;    // BITMAPINFOHEADER
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

// Every stored row is padded to a multiple of four bytes.
std::uint32_t stored_row_size(int width, int bytes_per_pixel) {
    return (static_cast<std::uint32_t>(width * bytes_per_pixel) + 3u) & ~3u;
}

void put_headers(std::string& out, int width, int height, int bits_per_pixel,
                 std::uint32_t palette_entries, std::uint32_t pixel_bytes) {
    const std::uint32_t pixel_offset = kFileHeaderSize + kInfoHeaderSize + 4u * palette_entries;
    out += "BM";
    put_u32(out, pixel_offset + pixel_bytes);  // file size
    put_u32(out, 0);                           // two reserved words
    put_u32(out, pixel_offset);

    put_u32(out, kInfoHeaderSize);
    put_u32(out, static_cast<std::uint32_t>(width));
    // A positive height means bottom-up rows.
    put_u32(out, static_cast<std::uint32_t>(height));
    put_u16(out, 1);  // planes
    put_u16(out, static_cast<std::uint32_t>(bits_per_pixel));
    put_u32(out, 0);  // BI_RGB: uncompressed
    put_u32(out, pixel_bytes);
    put_u32(out, kPixelsPerMetre);
    put_u32(out, kPixelsPerMetre);
    put_u32(out, palette_entries);  // colours used
    put_u32(out, 0);                // all colours important
}

}  // namespace

std::string encode_bmp_rgb24(const std::uint8_t* rgb, int width, int height, std::size_t stride) {
    const std::uint32_t row_size = stored_row_size(width, 3);
    const std::uint32_t pixel_bytes = row_size * static_cast<std::uint32_t>(height);
    std::string out;
    out.reserve(kFileHeaderSize + kInfoHeaderSize + pixel_bytes);
    put_headers(out, width, height, 24, 0, pixel_bytes);
    for (int row = height - 1; row >= 0; --row) {
        const std::uint8_t* src = rgb + static_cast<std::size_t>(row) * stride;
        for (int column = 0; column < width; ++column) {
            const std::uint8_t* p = src + 3 * column;
            out.push_back(static_cast<char>(p[2]));
            out.push_back(static_cast<char>(p[1]));
            out.push_back(static_cast<char>(p[0]));
        }
        out.append(row_size - static_cast<std::uint32_t>(width) * 3u, '\0');
    }
    return out;
}

std::string encode_bmp_grey8(const std::uint8_t* greys, int width, int height) {
    const std::uint32_t row_size = stored_row_size(width, 1);
    const std::uint32_t pixel_bytes = row_size * static_cast<std::uint32_t>(height);
    std::string out;
    put_headers(out, width, height, 8, 256, pixel_bytes);
    for (std::uint32_t k = 0; k < 256; ++k) {
        // Palette entries are blue, green, red, reserved.
        const char grey = static_cast<char>(k);
        out += {grey, grey, grey, '\0'};
    }
    for (int row = height - 1; row >= 0; --row) {
        const std::uint8_t* src = greys + static_cast<std::size_t>(row) * width;
        out.append(reinterpret_cast<const char*>(src), static_cast<std::size_t>(width));
        out.append(row_size - static_cast<std::uint32_t>(width), '\0');
    }
    return out;
}
