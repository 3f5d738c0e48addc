#include "display/tile_sheet.hpp"

#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "display/bmp_header.hpp"
#include "display/regular_file.hpp"

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

// The codes that text in use needs; the font sheet must hold a cell for each.
constexpr int kLastPrintableCode = 126;

// The largest file a sheet is read from: a 32-bit image of the largest
// sheet, with a megabyte to spare for headers and a palette.
constexpr long long kMaxSheetFileBytes = 4LL * kMaxSheetSide * kMaxSheetSide + (1LL << 20);

bool refuse(const char* path, const std::string& what) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path, what.c_str());
    SDL_Quit();
    return false;
}

}  // namespace

// Whatever sits at the path must not hang the start-up (see
// display/regular_file.hpp); SDL then decodes the file from memory.
bool TileSheet::load_bmp(const char* path, int cell_size) {
    surface = nullptr;
    const FileBytes file = read_regular_file(path, kMaxSheetFileBytes);
    switch (file.status) {
        case FileBytes::Status::kNotRegular:
            return refuse(path, "expected a regular file, found " + file.found);
        case FileBytes::Status::kTooLarge:
            return refuse(path, "expected a file of at most " + std::to_string(kMaxSheetFileBytes) +
                                    " bytes, found " + file.found);
        case FileBytes::Status::kCannotOpen:
        case FileBytes::Status::kCannotRead:
        case FileBytes::Status::kRead:
            break;
    }
    // A file that could not be opened or read, or an empty one, gives no
    // stream: the decoder's refusal, "Unable to open surface".
    SDL_RWops* stream =
        file.status == FileBytes::Status::kRead && !file.bytes.empty()
            ? SDL_RWFromConstMem(file.bytes.data(), static_cast<int>(file.bytes.size()))
            : nullptr;
    return load_bmp_rw(stream, path, cell_size);
}

bool TileSheet::load_bmp_rw(SDL_RWops* stream, const char* name, int cell_size) {
    surface = nullptr;
    // A missing file (null stream) never reaches the decoder, nor does one
    // whose header cannot be read and put back.
    BmpClaim claim;
    const bool claim_read = stream != nullptr && read_bmp_claim(stream, claim);
    // SDL allocates and clears the claimed surface before it reads a pixel,
    // and accepts some headers with their pixels missing: a short file could
    // cost gigabytes and seconds before any check of ours sees the surface.
    if (claim_read && claim.is_bmp &&
        (claim.width > kMaxSheetSide || claim.height > kMaxSheetSide)) {
        SDL_RWclose(stream);
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION,
                     "%s: expected a BMP image of at most %d x %d pixels, found a header "
                     "claiming %lld x %lld\n",
                     name, kMaxSheetSide, kMaxSheetSide, static_cast<long long>(claim.width),
                     static_cast<long long>(claim.height));
        SDL_Quit();
        return false;
    }
    if (claim_read) {
        surface = SDL_LoadBMP_RW(stream, 1);  // closes the stream
    } else if (stream != nullptr) {
        SDL_RWclose(stream);
    }
    if (surface == nullptr) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "Unable to open surface: %s\n", name);
        SDL_Quit();
        return false;
    }
    // Locked for good: glyphs and pictures are read straight from the pixels.
    SDL_LockSurface(surface);
    cell_width = cell_size;
    cell_height = cell_size;
    cells_per_row = cell_size > 0 ? surface->w / cell_size : 0;
    return true;
}

void TileSheet::draw_glyph(Canvas& canvas, int x, int y, std::uint8_t code) const {
    if (surface == nullptr || cell_width <= 0 || cell_height <= 0 || cells_per_row <= 0) {
        return;
    }
    const int cx = code % cells_per_row;
    const int cy = code / cells_per_row;
    // The whole cell must lie inside the surface: within its height, within
    // its width, and (three bytes per pixel) within one row of `pitch` bytes.
    // This holds the read inside the buffer whatever the sheet's format.
    const std::int64_t src_x = std::int64_t{cx} * cell_width;
    const std::int64_t src_y = std::int64_t{cy} * cell_height;
    if (src_y + cell_height > surface->h || src_x + cell_width > surface->w ||
        3 * (src_x + cell_width) > surface->pitch) {
        return;
    }
    const auto* base = static_cast<const std::uint8_t*>(surface->pixels);
    for (int i = 0; i < cell_height; ++i) {
        // Text stands one row higher than y; the last canvas row is never written.
        const int dy = y + i - 1;
        if (dy < 0 || dy > canvas.height - 2) {
            continue;
        }
        const std::uint8_t* src = base + (src_y + i) * surface->pitch + 3 * src_x;
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
    if (sheet.surface != nullptr) {
        SDL_UnlockSurface(sheet.surface);
        SDL_FreeSurface(sheet.surface);
    }
    sheet = TileSheet{};
}

bool check_font_surface(const TileSheet& font, const char* path) {
    const SDL_Surface* surface = font.surface;
    if (surface == nullptr) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: no surface loaded\n", path);
        SDL_Quit();
        return false;
    }
    // Glyphs are read as three bytes blue, green, red: the layout SDL gives a
    // 24-bit BMP. Any other format would be misread (or read past a row).
    if (surface->format->format != SDL_PIXELFORMAT_BGR24) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION,
                     "%s: expected a 24-bit font sheet (SDL_PIXELFORMAT_BGR24), found %d bits "
                     "per pixel (%s)\n",
                     path, surface->format->BitsPerPixel,
                     SDL_GetPixelFormatName(surface->format->format));
        SDL_Quit();
        return false;
    }
    if (font.cell_width <= 0 || font.cell_height <= 0 || font.cells_per_row <= 0) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION,
                     "%s: expected a font sheet at least one cell (%d pixels) wide, found %d "
                     "pixels\n",
                     path, font.cell_width, surface->w);
        SDL_Quit();
        return false;
    }
    const int rows_needed = kLastPrintableCode / font.cells_per_row + 1;
    const std::int64_t height_needed = std::int64_t{rows_needed} * font.cell_height;
    if (surface->h < height_needed) {
        SDL_LogError(SDL_LOG_CATEGORY_APPLICATION,
                     "%s: expected at least %d rows of %d-pixel cells (%lld pixels high) to "
                     "hold the codes 32 to 126 with %d cells per row, found %d pixels\n",
                     path, rows_needed, font.cell_height, static_cast<long long>(height_needed),
                     font.cells_per_row, surface->h);
        SDL_Quit();
        return false;
    }
    return true;
}
