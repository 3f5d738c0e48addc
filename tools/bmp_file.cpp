#include "tools/bmp_file.hpp"

#include <cstdio>

namespace zarvo_tools {
namespace {

// BMP headers are little-endian whatever the host; bytes are written one by
// one so the output does not depend on the host's byte order or padding.
void put_u16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFFu));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFu));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
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

void put_headers(std::vector<std::uint8_t>& out, int width, int height, int bits_per_pixel,
                 std::uint32_t palette_entries, std::uint32_t pixel_bytes) {
    const std::uint32_t pixel_offset = kFileHeaderSize + kInfoHeaderSize + 4u * palette_entries;
    out.push_back('B');
    out.push_back('M');
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

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "cannot open %s for writing\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool write_bmp_grey8(const std::string& path, const GreyImage& image) {
    const std::uint32_t row_size = stored_row_size(image.width, 1);
    const std::uint32_t pixel_bytes = row_size * static_cast<std::uint32_t>(image.height);
    std::vector<std::uint8_t> out;
    put_headers(out, image.width, image.height, 8, 256, pixel_bytes);
    for (std::uint32_t k = 0; k < 256; ++k) {
        // Palette entries are blue, green, red, reserved.
        const auto grey = static_cast<std::uint8_t>(k);
        out.insert(out.end(), {grey, grey, grey, 0});
    }
    for (int row = image.height - 1; row >= 0; --row) {
        const std::uint8_t* src = image.pixels.data() + static_cast<std::size_t>(row) * image.width;
        out.insert(out.end(), src, src + image.width);
        out.resize(out.size() + (row_size - static_cast<std::uint32_t>(image.width)), 0);
    }
    return write_file(path, out);
}

bool write_bmp_rgb24(const std::string& path, const RgbImage& image) {
    const std::uint32_t row_size = stored_row_size(image.width, 3);
    const std::uint32_t pixel_bytes = row_size * static_cast<std::uint32_t>(image.height);
    std::vector<std::uint8_t> out;
    put_headers(out, image.width, image.height, 24, 0, pixel_bytes);
    for (int row = image.height - 1; row >= 0; --row) {
        const std::uint8_t* src =
            image.pixels.data() + static_cast<std::size_t>(row) * image.width * 3;
        for (int column = 0; column < image.width; ++column) {
            const std::uint8_t* rgb = src + 3 * column;
            out.insert(out.end(), {rgb[2], rgb[1], rgb[0]});
        }
        out.resize(out.size() + (row_size - static_cast<std::uint32_t>(image.width) * 3u), 0);
    }
    return write_file(path, out);
}

}  // namespace zarvo_tools
