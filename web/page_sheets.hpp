// The four sheets the page draws from, as the program's loaders read them
// from the BMP files (made at build time by zarvo-web-sheets; the page has
// no SDL): the pictures Ostrel, VHS and Sierpinsky, then the font.
#pragma once

#include <cstddef>
#include <cstdint>

struct PageSheet {
    const char* name;  // the BMP file it was read from
    int width;
    int height;
    int pitch;      // bytes from one row to the next
    int cell_size;  // 512 for a picture, 8 for the font
    const std::uint8_t* bytes;
    std::size_t size;  // height * pitch
};

extern const PageSheet kPageSheets[4];
