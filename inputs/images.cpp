#include "inputs/images.hpp"

#include <SDL.h>

#include <cassert>
#include <cstdint>

#include "inputs/picture_fill.hpp"

TileSheet ostrel_sheet;
TileSheet vhs_sheet;
TileSheet sierpinsky_sheet;

namespace {

constexpr int kPictureSide = 512;

}  // namespace

void fill_from_sheet(ComplexGrid& grid, const TileSheet& sheet) {
    assert(sheet.surface != nullptr);
    fill_real_from_bytes(grid, static_cast<const std::uint8_t*>(sheet.surface->pixels));
}

void gen_ostrel_image(float /*phase*/, ComplexGrid& grid) {
    fill_from_sheet(grid, ostrel_sheet);
}

void gen_sierpinsky_image(float /*phase*/, ComplexGrid& grid) {
    fill_from_sheet(grid, sierpinsky_sheet);
}

void gen_vhs_image(float /*phase*/, ComplexGrid& grid) {
    fill_from_sheet(grid, vhs_sheet);
}

// fill_from_sheet reads byte k as sample k, so the surface must be one byte
// per pixel with rows of exactly 512 bytes; anything else would be read out
// of step or past the end of the buffer. Nothing is converted.
bool check_picture_surface(const TileSheet& picture, const char* path) {
    const SDL_Surface* surface = picture.surface;
    const int bits = surface->format->BitsPerPixel;
    const int bytes = surface->format->BytesPerPixel;
    if (bits == 8 && bytes == 1 && surface->w == kPictureSide && surface->h == kPictureSide &&
        surface->pitch == kPictureSide) {
        return true;
    }
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION,
                 "%s: expected an 8-bit picture of 512 x 512 pixels in rows of 512 bytes, "
                 "found %d bits per pixel (%s), %d x %d pixels in rows of %d bytes\n",
                 path, bits, SDL_GetPixelFormatName(surface->format->format), surface->w,
                 surface->h, surface->pitch);
    SDL_Quit();
    return false;
}

bool load_picture_sheets() {
    struct Picture {
        TileSheet* sheet;
        const char* path;
    };
    const Picture pictures[] = {
        {&ostrel_sheet, "ostrel-512x512.bmp"},
        {&vhs_sheet, "vhs-512x512.bmp"},
        {&sierpinsky_sheet, "sierpinsky-512x512.bmp"},
    };
    for (const Picture& picture : pictures) {
        if (!picture.sheet->load_bmp(picture.path, kPictureSide) ||
            !check_picture_surface(*picture.sheet, picture.path)) {
            return false;
        }
    }
    return true;
}
