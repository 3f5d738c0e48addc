// The orientation tag of an EXIF block, as phone cameras write it: the
// picture is stored as the sensor saw it and the tag says how to turn it.
#pragma once

#include <cstddef>
#include <cstdint>

// The orientation (1 to 8) in the first image directory of `tiff`, the TIFF
// structure that follows "Exif\0\0" in a JPEG's APP1 segment and makes up a
// PNG's eXIf chunk: tag 0x0112, of type SHORT, count 1. Returns 1 (as
// stored) when there is none, when its value is out of range, or when the
// block is malformed; no byte outside [tiff, tiff + size) is read.
int exif_orientation(const std::uint8_t* tiff, std::size_t size);
