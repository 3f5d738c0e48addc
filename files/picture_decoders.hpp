// The decoders of the user's pictures: PNG through libpng, JPEG through
// libjpeg(-turbo), BMP by our own reader. Each takes the file a piece at a
// time and hands the picture on a row at a time, greyed (grey_of_rgba) into
// the fit of the sheet (inputs/grey_sheet.hpp), so that no picture is ever
// held whole: the memory a picture costs does not grow with its size.
//
// The libraries report through handlers of ours: nothing is written to
// standard error, and every fault they find in the data (a checksum, a
// premature end, a corrupt stream) stops the decoding with their reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/picture_stream.hpp"
#include "files/user_picture.hpp"
#include "inputs/grey_sheet.hpp"

struct DecodedPicture {
    int max_side = kMaxPictureSide;   // the largest width and height taken
    SheetFit fit;                     // the rows so far
    int orientation = 1;              // EXIF orientation, 1 to 8
    std::vector<std::uint8_t> greys;  // one row's greys, for the decoders
};

// Each decodes the whole picture from the start of `stream` into `picture`.
// Returns an empty string when every row went in, else what was wrong:
// "expected an image of at most 16384 x 16384 pixels, found a header
// claiming W x H" (before anything the size needs is allocated; the limit
// is picture.max_side) or
// "cannot decode: " and the reason.
std::string decode_png(PictureStream& stream, DecodedPicture& picture);
std::string decode_jpeg(PictureStream& stream, DecodedPicture& picture);
std::string decode_bmp(PictureStream& stream, DecodedPicture& picture);

// Checks a size read from a header and sets the fit up for it. Returns an
// empty string, or the refusal the decoders return.
std::string start_picture(DecodedPicture& picture, long long width, long long height);

// "expected an image of at most S x S pixels, found a header claiming
// W x H".
std::string too_large(long long width, long long height, int max_side);
