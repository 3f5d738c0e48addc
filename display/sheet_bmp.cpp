#include "display/sheet_bmp.hpp"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "files/bmp_header.hpp"
#include "files/regular_file.hpp"

namespace {

// The codes that text in use needs; the font sheet must hold a cell for each.
constexpr int kLastPrintableCode = 126;

// The largest file a sheet is read from: a 32-bit image of the largest
// sheet, with a megabyte to spare for headers and a palette.
constexpr long long kMaxSheetFileBytes = 4LL * kMaxSheetSide * kMaxSheetSide + (1LL << 20);

// A refused or failed load leaves no image and no cells behind.
void clear_image(TileSheet& sheet) {
    sheet.cell_width = 0;
    sheet.cell_height = 0;
    sheet.cells_per_row = 0;
    sheet.width = 0;
    sheet.height = 0;
    sheet.pitch = 0;
    sheet.pixels.clear();
    sheet.pixels.shrink_to_fit();
}

std::string refuse(const char* path, const std::string& what) {
    return std::string(path) + ": " + what;
}

// printf's rules into a string of any length, for the messages.
template <typename... Args>
std::string formatted(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

// The claim of the headers at the stream's position, which is then put
// back; false only when it cannot be put back.
bool read_claim(SDL_RWops* stream, BmpClaim& claim) {
    const Sint64 start = SDL_RWtell(stream);
    if (start < 0) {
        return false;
    }
    std::uint8_t head[kBmpClaimBytes] = {};
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
    claim = bmp_claim_of(head, got);
    return true;
}

}  // namespace

// Whatever sits at the path must not hang the start-up (see
// files/regular_file.hpp); SDL then decodes the file from memory.
std::string load_bmp(TileSheet& sheet, const char* path, int cell_size, SurfaceCheck check) {
    clear_image(sheet);
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
    return load_bmp_rw(sheet, stream, path, cell_size, check);
}

std::string load_bmp_rw(TileSheet& sheet, SDL_RWops* stream, const char* name, int cell_size,
                        SurfaceCheck check) {
    clear_image(sheet);
    // A missing file (null stream) never reaches the decoder, nor does one
    // whose header cannot be read and put back.
    BmpClaim claim;
    const bool claim_read = stream != nullptr && read_claim(stream, claim);
    // SDL allocates and clears the claimed surface before it reads a pixel,
    // and accepts some headers with their pixels missing: a short file could
    // cost gigabytes and seconds before any check of ours sees the surface.
    if (claim_read && claim.is_bmp &&
        (claim.width > kMaxSheetSide || claim.height > kMaxSheetSide)) {
        SDL_RWclose(stream);
        return formatted(
            "%s: expected a BMP image of at most %d x %d pixels, found a header claiming %lld x "
            "%lld",
            name, kMaxSheetSide, kMaxSheetSide, static_cast<long long>(claim.width),
            static_cast<long long>(claim.height));
    }
    SDL_Surface* surface = nullptr;
    if (claim_read) {
        surface = SDL_LoadBMP_RW(stream, 1);  // closes the stream
    } else if (stream != nullptr) {
        SDL_RWclose(stream);
    }
    if (surface == nullptr) {
        return std::string("Unable to open surface: ") + name;
    }
    if (check != nullptr) {
        if (std::string refused = check(*surface, cell_size, name); !refused.empty()) {
            SDL_FreeSurface(surface);
            return refused;
        }
    }
    // The rows as SDL laid them out, padding included.
    SDL_LockSurface(surface);
    const auto* bytes = static_cast<const std::uint8_t*>(surface->pixels);
    sheet.pixels.assign(bytes, bytes + static_cast<std::size_t>(surface->h) * surface->pitch);
    SDL_UnlockSurface(surface);
    sheet.width = surface->w;
    sheet.height = surface->h;
    sheet.pitch = surface->pitch;
    sheet.cell_width = cell_size;
    sheet.cell_height = cell_size;
    sheet.cells_per_row = cell_size > 0 ? surface->w / cell_size : 0;
    SDL_FreeSurface(surface);
    return {};
}

std::string check_font_surface(const SDL_Surface& surface, int cell_size, const char* name) {
    // Glyphs are read as three bytes blue, green, red: the layout SDL gives a
    // 24-bit BMP. Any other format would be misread (or read past a row).
    if (surface.format->format != SDL_PIXELFORMAT_BGR24) {
        return formatted(
            "%s: expected a 24-bit font sheet (SDL_PIXELFORMAT_BGR24), found %d bits per pixel "
            "(%s)",
            name, surface.format->BitsPerPixel, SDL_GetPixelFormatName(surface.format->format));
    }
    const int cells_per_row = cell_size > 0 ? surface.w / cell_size : 0;
    if (cell_size <= 0 || cells_per_row <= 0) {
        return formatted(
            "%s: expected a font sheet at least one cell (%d pixels) wide, found %d pixels", name,
            cell_size, surface.w);
    }
    const int rows_needed = kLastPrintableCode / cells_per_row + 1;
    const std::int64_t height_needed = std::int64_t{rows_needed} * cell_size;
    if (surface.h < height_needed) {
        return formatted(
            "%s: expected at least %d rows of %d-pixel cells (%lld pixels high) to hold the codes "
            "32 to 126 with %d cells per row, found %d pixels",
            name, rows_needed, cell_size, static_cast<long long>(height_needed), cells_per_row,
            surface.h);
    }
    return {};
}
