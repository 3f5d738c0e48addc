// The user's picture, from a PNG, JPEG or BMP file of any size up to
// kMaxPictureSide a side, into the 512 x 512 sheet of greys a picture test
// reads: greyed by grey_of_rgba, fitted by the box filter and turned as its
// EXIF orientation says (inputs/grey_sheet.hpp). The file is read a piece
// at a time and the picture a row at a time, so memory does not grow with
// either.
//
// What each format gives before it is greyed:
// - PNG: palette entries and samples of fewer than 8 bits widened to 8
//   bits, a transparent colour (tRNS) or palette alpha as alpha, 16-bit
//   samples by their high byte (v >> 8, libpng's png_set_strip_16); an
//   eXIf chunk before the image data gives the orientation.
// - JPEG: libjpeg's output in RGB or grey; CMYK and YCCK through CMYK to
//   RGB as (255 - C)(255 - K) / 255 per channel, rounded to nearest, with
//   the inks inverted when an Adobe APP14 segment says the file is
//   Photoshop's; the first APP1 "Exif" segment gives the orientation.
// - BMP: the colours SDL's loader gives, but a 32-bit picture has alpha
//   only when its header carries an alpha mask (files/bmp_picture.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The largest width and height of a user's picture.
constexpr int kMaxPictureSide = 16384;

// The largest file read as a picture: more than any picture of at most
// kMaxPictureSide a side needs that compresses at all (a plain BMP of that
// size at 32 bits is 1 GiB).
constexpr long long kMaxPictureFileBytes = 1LL << 30;

// Reads the picture at `path` into `sheet` (kSheetSide x kSheetSide bytes,
// row-major). Returns an empty string, or what was wrong, naming the file:
// "FILE: cannot open: ...", "FILE: expected a regular file, found ...",
// "FILE: empty file", "FILE: not a PNG, JPEG or BMP image",
// "FILE: expected an image of at most 16384 x 16384 pixels, found a header
// claiming W x H", "FILE: cannot decode: ..." with the decoder's reason,
// "FILE: expected a file of at most 1073741824 bytes, found N bytes".
// `sheet` is left as it was on failure.
std::string read_user_picture(const std::string& path, std::vector<std::uint8_t>& sheet);

// The same from bytes in memory (the fuzz target's way in); `name` names
// them in the messages, and pictures wider or taller than `max_side` are
// refused as larger than kMaxPictureSide ones are.
std::string read_user_picture_bytes(const std::uint8_t* bytes, std::size_t size,
                                    const std::string& name, std::vector<std::uint8_t>& sheet,
                                    int max_side = kMaxPictureSide);
