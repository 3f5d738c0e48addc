#include "inputs/picture_sheets.hpp"

#include <SDL.h>

#include "display/sheet_bmp.hpp"
#include "inputs/images.hpp"

// fill_from_sheet reads byte k as sample k, so the surface must be one byte
// per pixel with rows of exactly 512 bytes; anything else would be read out
// of step or past the end of the buffer. Nothing is converted.
std::string check_picture_surface(const SDL_Surface& surface, int /*cell_size*/, const char* name) {
    const int bits = surface.format->BitsPerPixel;
    const int bytes = surface.format->BytesPerPixel;
    if (bits == 8 && bytes == 1 && surface.w == kPictureSide && surface.h == kPictureSide &&
        surface.pitch == kPictureSide) {
        return {};
    }
    return std::string(name) +
           ": expected an 8-bit picture of 512 x 512 pixels in rows of 512 bytes, found " +
           std::to_string(bits) + " bits per pixel (" +
           SDL_GetPixelFormatName(surface.format->format) + "), " + std::to_string(surface.w) +
           " x " + std::to_string(surface.h) + " pixels in rows of " +
           std::to_string(surface.pitch) + " bytes";
}

std::string load_picture_sheets() {
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
        std::string error =
            load_bmp(*picture.sheet, picture.path, kPictureSide, check_picture_surface);
        if (!error.empty()) {
            return error;
        }
    }
    return {};
}
