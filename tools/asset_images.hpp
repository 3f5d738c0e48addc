// The pictures and the font sheet that the program reads, computed from
// scratch (or, for the portrait, from a decoded photograph). Every function
// is deterministic: the same input gives the same bytes on every run.
#pragma once

#include "tools/bmp_file.hpp"

namespace zarvo_tools {

constexpr int kPictureSize = 512;

// Turns a colour photograph into grey with the Rec. 601 luma weights,
// Y = (299 R + 587 G + 114 B) / 1000, rounded to the nearest integer (halves
// up) in exact integer arithmetic. Any size is accepted; the result has the
// photograph's size.
GreyImage grey_from_rgb(const RgbImage& photo);

// A video test frame as a worn tape shows it, 512 x 512: colour bars and
// reverse castellations turned grey, a multiburst of vertical gratings at six
// frequencies, a grey ramp, an on-screen "PLAY" display drawn with the font
// glyphs, a tracking-noise band that tears and streaks a strip of rows, and
// darker odd scan lines over everything.
GreyImage make_vhs_frame();

// The Sierpinski triangle, 512 x 512: white, six levels deep, apex at the top
// centre, base 480 pixels wide on row 464, on black. Edges are anti-aliased by
// counting 8 x 8 sample points per pixel with exact integer geometry.
GreyImage make_sierpinski_triangle();

// The font sheet, 128 x 64: 16 x 8 cells of 8 x 8 pixels, cell n holding the
// glyph of character code n (white on black; codes without a glyph blank).
RgbImage make_font_sheet();

}  // namespace zarvo_tools
