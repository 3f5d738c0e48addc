#include "display/tile_sheet.hpp"

#include <cstdint>
#include <cstring>

namespace {

// The low eight bits of trunc(v). Every float of magnitude 2^31 or more is a
// multiple of 256, so its low eight bits are 0; converting it (or NaN, or an
// infinity) to int32 directly would be undefined, so those all give 0.
std::uint8_t low_byte_of_trunc(float v) {
    if (v > -2147483648.0f && v < 2147483648.0f) {
        return static_cast<std::uint8_t>(static_cast<std::int32_t>(v));
    }
    return 0;
}

}  // namespace

void TileSheet::draw_glyph(Canvas& canvas, int x, int y, std::uint8_t code) const {
    if (cell_width <= 0 || cell_height <= 0 || cells_per_row <= 0 || width <= 0 || height <= 0 ||
        pitch <= 0 ||
        pixels.size() < static_cast<std::size_t>(height) * static_cast<std::size_t>(pitch)) {
        return;
    }
    const int cx = code % cells_per_row;
    const int cy = code / cells_per_row;
    // The whole cell must lie inside the image: within its height, within
    // its width, and (three bytes per pixel) within one row of `pitch` bytes.
    // This holds the read inside the buffer whatever the sheet holds.
    const std::int64_t src_x = std::int64_t{cx} * cell_width;
    const std::int64_t src_y = std::int64_t{cy} * cell_height;
    if (src_y + cell_height > height || src_x + cell_width > width ||
        3 * (src_x + cell_width) > pitch) {
        return;
    }
    const std::uint8_t* base = pixels.data();
    for (int i = 0; i < cell_height; ++i) {
        // Text stands one row higher than y; the last canvas row is never written.
        const int dy = y + i - 1;
        if (dy < 0 || dy > canvas.height - 2) {
            continue;
        }
        const std::uint8_t* src = base + (src_y + i) * pitch + 3 * src_x;
        for (int j = 0; j < cell_width; ++j, src += 3) {
            const int dx = x + j;
            if (dx < 0 || dx > canvas.width - 1) {
                continue;
            }
            // BGR in memory, as SDL loads a 24-bit BMP.
            const std::uint8_t b = src[0];
            const std::uint8_t g = src[1];
            const std::uint8_t r = src[2];
            if (key_enabled != 0 && r == key[0] && g == key[1] && b == key[2]) {
                continue;
            }
            std::uint8_t* dst = canvas.pixels + pixel_offset(canvas, dx, dy);
            dst[0] = low_byte_of_trunc(static_cast<float>(r) * tint[0]);
            dst[1] = low_byte_of_trunc(static_cast<float>(g) * tint[1]);
            dst[2] = low_byte_of_trunc(static_cast<float>(b) * tint[2]);
        }
    }
}

void TileSheet::draw_text(Canvas& canvas, int x, int y, const char* text,
                          std::size_t length) const {
    for (std::size_t k = 0; k < length; ++k) {
        draw_glyph(canvas, x + cell_width * static_cast<int>(k), y,
                   static_cast<std::uint8_t>(text[k]));
    }
}

void TileSheet::draw_text(Canvas& canvas, int x, int y, const char* text) const {
    draw_text(canvas, x, y, text, std::strlen(text));
}

void release_sheet(TileSheet& sheet) {
    sheet = TileSheet{};
}
